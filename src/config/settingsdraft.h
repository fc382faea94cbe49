#pragma once

#include "settingsstore.h"

#include <QList>
#include <QMap>

#include <optional>

namespace zel {

// Edits held back from a store until commit: reads see them over the store's
// own values, so what is typed can be judged (and tried) exactly as it would
// be read once saved.
class SettingsDraft final : public SettingsStore {
public:
    explicit SettingsDraft(SettingsStore& base) : m_base(base) {}

    QString read(const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& section, const QString& key, const QString& value) override;
    void remove(const QString& section, const QString& key) override;
    QString problem() const override { return m_base.problem(); }
    QString location() const override { return m_base.location(); }

    // Whether the key exists, drafted or stored.
    bool contains(const QString& section, const QString& key) const;
    // Writes and removes every edit in the store, then forgets them.
    void commit();

private:
    struct Edit {
        QString section;
        QString key;
        std::optional<QString> value; // absent: removed
    };
    qsizetype indexOf(const QString& section, const QString& key) const;

    SettingsStore& m_base;
    QList<Edit> m_edits;
};

} // namespace zel
