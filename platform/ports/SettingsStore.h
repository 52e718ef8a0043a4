#pragma once

#include <QString>

namespace quenzal {

// The per-user store of string values, addressed by section and key; the
// application's name is the store's own.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The stored value, or `defaultValue` when there is none.
    virtual QString read(const QString &section, const QString &key,
                         const QString &defaultValue) = 0;
    // Creates the entry or replaces its value.
    virtual void write(const QString &section, const QString &key, const QString &value) = 0;
};

} // namespace quenzal
