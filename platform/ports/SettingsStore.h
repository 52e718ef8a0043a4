#pragma once

#include <QString>

#include <optional>

namespace quenzal {

// The per-user store of string values, addressed by section and key; the
// application's name is the store's own.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // Where the values are kept, as the user would look for them (a file's
    // path).
    virtual QString location() const = 0;
    // The stored value, or `defaultValue` when there is none. Nothing when
    // the store exists but cannot be read; `reason` then says why.
    virtual std::optional<QString> read(const QString &section, const QString &key,
                                        const QString &defaultValue, QString &reason) = 0;
    // Creates the entry or replaces its value. False when the value was not
    // stored; `reason` then says why, and the store is as it was.
    virtual bool write(const QString &section, const QString &key, const QString &value,
                       QString &reason) = 0;
};

} // namespace quenzal
