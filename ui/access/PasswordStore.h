#pragma once

#include <QString>

#include <cstddef>

namespace quenzal {

class SettingsStore;

// The work that hashing one password costs: libsodium's Argon2id limits.
struct PasswordHashing
{
    unsigned long long opsLimit;
    std::size_t memLimit;

    // The program's limits, libsodium's "interactive" ones.
    static PasswordHashing interactive();
};

// The application password, in the settings store's entry "Settings" /
// "PassSet". An empty value means that no password is set; any other value
// this program writes is an Argon2id hash string (libsodium's
// crypto_pwhash_str). A value that is not such a string, written by hand or by
// an older build, is compared as plain text. Nothing is kept between calls:
// every question reads the store afresh, so the last write of any running copy
// of the program wins.
class PasswordStore
{
public:
    explicit PasswordStore(SettingsStore &settings,
                           PasswordHashing hashing = PasswordHashing::interactive());

    // True when a password is set, that is, the stored value is not empty.
    bool isSet() const;

    // Whether `typed` is the stored password. With no password set, only the
    // empty string is.
    bool matches(const QString &typed) const;

    // Stores `password`: the empty string as itself (no password is set), any
    // other password as its hash.
    void write(const QString &password);

    // Whether two typed passwords are the same: the same characters in the
    // same order, case and spaces included, with no normalisation.
    static bool same(const QString &typed, const QString &retyped);

private:
    QString read() const;

    SettingsStore &m_settings;
    PasswordHashing m_hashing;
};

} // namespace quenzal
