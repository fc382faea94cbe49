#pragma once

#include "settingsstore.h"

#include <QSettings>

#include <memory>

namespace zel {

// The store over QSettings: organisation and application "ZEL" in the native
// per-user place (on Linux $XDG_CONFIG_HOME/ZEL/ZEL.ini), or a given INI file.
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    explicit QtSettingsStore(const QString& iniFile);

    QString read(const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& section, const QString& key, const QString& value) override;
    void remove(const QString& section, const QString& key) override;
    QString problem() const override;

    QString location() const override { return m_settings->fileName(); }

private:
    std::unique_ptr<QSettings> m_settings;
};

// The per-user store without a profile, else the profile's INI file
// (profileSettingsPath).
std::unique_ptr<QtSettingsStore> profileSettingsStore(const QString& profile);

} // namespace zel
