#pragma once

#include "base/Result.h"

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
// of the program wins. Where a call can fail, the failure is the message the
// program shows.
class PasswordStore
{
public:
    explicit PasswordStore(SettingsStore &settings,
                           PasswordHashing hashing = PasswordHashing::interactive());

    // True when a password is set, that is, the stored value is not empty;
    // also when the store cannot be read or holds something other than one
    // string, so that nobody is asked to set a new password over one that
    // cannot be seen.
    bool isSet() const;

    // What matches() says of a typed password.
    enum class Match { Right, Wrong };

    // Whether `typed` is the stored password. With no password set, only the
    // empty string is. A failure, not Wrong, when the store cannot be read,
    // holds something other than one string, or holds a hash that is damaged
    // or asks for more work than a login may take. After
    // a match, a password stored as plain text or hashed with other limits
    // than this store's is stored again as a hash with them; when that write
    // fails, the login still stands and the next one tries again.
    Result<Match> matches(const QString &typed);

    // Stores `password`: the empty string as itself (no password is set), any
    // other password as its hash. After a failure the stored value is as it
    // was.
    Result<void> write(const QString &password);

    // Whether two typed passwords are the same: the same characters in the
    // same order, case and spaces included, with no normalisation.
    static bool same(const QString &typed, const QString &retyped);

private:
    Result<QString> read() const;

    SettingsStore &m_settings;
    PasswordHashing m_hashing;
};

} // namespace quenzal
