#pragma once

#include "access/PasswordStore.h"

#include <sodium.h>

namespace quenzal::test {

// libsodium's cheapest Argon2id limits: the tests hash many passwords, and
// what they check does not depend on the cost.
inline PasswordHashing cheapHashing()
{
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

// The store's answer as the Login window takes it: a failure is no match.
inline bool isMatch(const Result<PasswordStore::Match> &match)
{
    return match.ok() && *match == PasswordStore::Match::Right;
}

} // namespace quenzal::test
