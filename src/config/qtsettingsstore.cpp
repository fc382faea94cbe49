#include "qtsettingsstore.h"

#include "profile.h"

#include <QStringList>

namespace zel {

namespace {

// The native per-user store on Windows; elsewhere the INI file
// $XDG_CONFIG_HOME/ZEL/ZEL.ini, which people edit by hand.
constexpr QSettings::Format storeFormat()
{
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    return QSettings::IniFormat;
#endif
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(storeFormat(), QSettings::UserScope,
                                             QStringLiteral("ZEL"), QStringLiteral("ZEL")))
{
}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

std::unique_ptr<QtSettingsStore> profileSettingsStore(const QString& profile)
{
    if (profile.isEmpty())
        return std::make_unique<QtSettingsStore>();
    return std::make_unique<QtSettingsStore>(profileSettingsPath(profile));
}

QString QtSettingsStore::read(const QString& section, const QString& key,
                              const QString& defaultValue) const
{
    const QString path = section + u'/' + key;
    if (!m_settings->contains(path))
        return defaultValue;
    const QVariant value = m_settings->value(path);
    // A hand-edited value with a comma comes back as a list; keep it as text.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

void QtSettingsStore::write(const QString& section, const QString& key, const QString& value)
{
    m_settings->setValue(section + u'/' + key, value);
    m_settings->sync();
}

void QtSettingsStore::remove(const QString& section, const QString& key)
{
    m_settings->remove(section + u'/' + key);
    m_settings->sync();
}

} // namespace zel

namespace zel {

QString QtSettingsStore::problem() const
{
    switch (m_settings->status()) {
    case QSettings::AccessError:
        return QStringLiteral("the settings file %1 cannot be read or written")
            .arg(m_settings->fileName());
    case QSettings::FormatError:
        return QStringLiteral("the settings file %1 is not a settings file")
            .arg(m_settings->fileName());
    case QSettings::NoError:
        break;
    }
    return QString();
}

} // namespace zel
