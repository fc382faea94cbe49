#include "settingsdraft.h"

namespace zel {

qsizetype SettingsDraft::indexOf(const QString& section, const QString& key) const
{
    for (qsizetype i = 0; i < m_edits.size(); ++i) {
        if (m_edits[i].section == section && m_edits[i].key == key)
            return i;
    }
    return -1;
}

QString SettingsDraft::read(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    if (const qsizetype i = indexOf(section, key); i >= 0)
        return m_edits[i].value.value_or(defaultValue);
    return m_base.read(section, key, defaultValue);
}

void SettingsDraft::write(const QString& section, const QString& key, const QString& value)
{
    if (const qsizetype i = indexOf(section, key); i >= 0)
        m_edits[i].value = value;
    else
        m_edits.append({section, key, value});
}

void SettingsDraft::remove(const QString& section, const QString& key)
{
    if (const qsizetype i = indexOf(section, key); i >= 0)
        m_edits[i].value.reset();
    else
        m_edits.append({section, key, std::nullopt});
}

bool SettingsDraft::contains(const QString& section, const QString& key) const
{
    // No stored text holds a NUL, so this default means the key is missing.
    const QString missing(1, QChar(0));
    return read(section, key, missing) != missing;
}

void SettingsDraft::commit()
{
    for (const Edit& e : std::as_const(m_edits)) {
        if (e.value)
            m_base.write(e.section, e.key, *e.value);
        else
            m_base.remove(e.section, e.key);
    }
    m_edits.clear();
}

} // namespace zel
