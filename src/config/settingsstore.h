#pragma once

#include <QString>

namespace zel {

// The per-user settings store of application "ZEL": text values by section
// and key. Numbers are stored as their decimal text; nothing is typed.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultValue when the key does not exist.
    virtual QString read(const QString& section, const QString& key,
                         const QString& defaultValue) const = 0;
    virtual void write(const QString& section, const QString& key, const QString& value) = 0;
    // The key gone, so reads give their default again (an empty value is not
    // the same: it is read as given). A store only ever read, or one that
    // writes nothing, has nothing to remove.
    virtual void remove(const QString& section, const QString& key)
    {
        Q_UNUSED(section);
        Q_UNUSED(key);
    }
    // Why the store cannot be read or written, empty while it works.
    virtual QString problem() const = 0;
    // Where the store lives, as an operator would look for it.
    virtual QString location() const { return QString(); }
};

} // namespace zel
