#pragma once

#include "base/Result.h"

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
    // The stored value, or `defaultValue` when there is none; nothing when
    // there is a value but it is not one plain string (a list or another
    // type, after a hand edit), which no caller may take for any string. A
    // failure when the store exists but cannot be read.
    virtual Result<std::optional<QString>> read(const QString &section, const QString &key,
                                                const QString &defaultValue) = 0;
    // Creates the entry or replaces its value. After a failure the store is
    // as it was.
    virtual Result<void> write(const QString &section, const QString &key,
                               const QString &value) = 0;
};

} // namespace quenzal
