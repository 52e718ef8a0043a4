#include "PasswordStore.h"

#include "ports/SettingsStore.h"

#include <QByteArray>
#include <QtGlobal>

#include <sodium.h>

namespace quenzal {
namespace {

QString section()
{
    return QStringLiteral("Settings");
}

QString key()
{
    return QStringLiteral("PassSet");
}

void initialiseSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        qFatal("libsodium could not be initialised");
}

// A hash string that crypto_pwhash_str_verify understands.
bool isHashString(const QString &value)
{
    return value.startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX)) ||
           value.startsWith(QLatin1String(crypto_pwhash_argon2i_STRPREFIX));
}

// The bytes that are hashed: the password's characters in UTF-8, so that
// every character counts exactly as typed. Wiped when no longer needed.
class PasswordBytes
{
public:
    explicit PasswordBytes(const QString &password) : m_bytes(password.toUtf8()) {}
    ~PasswordBytes() { sodium_memzero(m_bytes.data(), std::size_t(m_bytes.size())); }
    PasswordBytes(const PasswordBytes &) = delete;
    PasswordBytes &operator=(const PasswordBytes &) = delete;

    const char *data() const { return m_bytes.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

} // namespace

PasswordHashing PasswordHashing::interactive()
{
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

PasswordStore::PasswordStore(SettingsStore &settings, PasswordHashing hashing)
    : m_settings(settings), m_hashing(hashing)
{
    initialiseSodium();
}

QString PasswordStore::read() const
{
    return m_settings.read(section(), key(), QString());
}

bool PasswordStore::isSet() const
{
    return !read().isEmpty();
}

bool PasswordStore::matches(const QString &typed) const
{
    const QString stored = read();
    if (stored.isEmpty())
        return typed.isEmpty();
    if (!isHashString(stored))
        return same(stored, typed);
    const QByteArray hash = stored.toLatin1();
    const PasswordBytes bytes(typed);
    return crypto_pwhash_str_verify(hash.constData(), bytes.data(), bytes.size()) == 0;
}

void PasswordStore::write(const QString &password)
{
    if (password.isEmpty()) {
        m_settings.write(section(), key(), QString());
        return;
    }
    char hash[crypto_pwhash_STRBYTES];
    const PasswordBytes bytes(password);
    if (crypto_pwhash_str(hash, bytes.data(), bytes.size(), m_hashing.opsLimit,
                          m_hashing.memLimit) != 0) {
        // Only a lack of memory gets here. The password is never stored in
        // plain text instead, and the old value stays as it was.
        qFatal("Not enough memory to hash the password; the password was not changed.");
    }
    m_settings.write(section(), key(), QString::fromLatin1(hash));
}

bool PasswordStore::same(const QString &typed, const QString &retyped)
{
    return typed == retyped;
}

} // namespace quenzal
