#include "access/PasswordStore.h"

#include "base/VisibleText.h"
#include "platform/ports/SettingsStore.h"

#include <QByteArray>
#include <QRegularExpression>
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

// Whether libsodium is ready for use; it is made ready once.
bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// Why nothing can be hashed or checked when libsodium is not ready.
QString sodiumUnavailable()
{
    return QStringLiteral("The password library (libsodium) could not be started");
}

// A hash string that crypto_pwhash_str_verify understands.
bool isHashString(const QString &value)
{
    return value.startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX)) ||
           value.startsWith(QLatin1String(crypto_pwhash_argon2i_STRPREFIX));
}

// Whether checking a password against `hash` costs no more than libsodium's
// "moderate" limits (256 MiB, three passes, about a second): a stored hash
// that asks for more is damaged, or was made to freeze the Login window.
bool withinBounds(const QString &hash)
{
    static const QRegularExpression parameters(
        QStringLiteral("^\\$argon2id?\\$v=\\d+\\$m=(\\d{1,10}),t=(\\d{1,10}),p=\\d{1,10}\\$"));
    const QRegularExpressionMatch match = parameters.match(hash);
    if (!match.hasMatch())
        return false;
    const qulonglong memoryKiB = match.captured(1).toULongLong();
    const qulonglong passes = match.captured(2).toULongLong();
    return memoryKiB <= crypto_pwhash_MEMLIMIT_MODERATE / 1024 &&
           passes <= crypto_pwhash_OPSLIMIT_MODERATE;
}

QString quoted(const SettingsStore &settings)
{
    return u'"' + visibleText(settings.location()) + u'"';
}

QString damaged(const SettingsStore &settings)
{
    return QStringLiteral("The password stored in %1 is damaged.").arg(quoted(settings));
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
    (void)sodiumReady(); // made ready before the first password is typed
}

Result<QString> PasswordStore::read() const
{
    const Result<std::optional<QString>> value = m_settings.read(section(), key(), QString());
    if (!value) {
        return Result<QString>::failure(couldNot(
            QStringLiteral("read the password from %1").arg(quoted(m_settings)), value.error()));
    }
    // Not one string: neither "no password" nor any password.
    if (!*value)
        return Result<QString>::failure(damaged(m_settings));
    return **value;
}

bool PasswordStore::isSet() const
{
    const Result<QString> stored = read();
    return !stored || !stored->isEmpty();
}

Result<PasswordStore::Match> PasswordStore::matches(const QString &typed)
{
    const Result<QString> stored = read();
    if (!stored)
        return Result<Match>::failure(stored.error());
    if (stored->isEmpty())
        return typed.isEmpty() ? Match::Right : Match::Wrong;
    if (!isHashString(*stored)) {
        if (!same(*stored, typed))
            return Match::Wrong;
        // Stored as plain text by hand or by an older build: hashed at once
        // (when that fails, the next login tries again).
        (void)write(typed);
        return Match::Right;
    }
    if (!withinBounds(*stored)) {
        return Result<Match>::failure(damaged(m_settings));
    }
    if (!sodiumReady())
        return Result<Match>::failure(
            couldNot(QStringLiteral("check the password"), sodiumUnavailable()));
    const QByteArray hash = stored->toLatin1();
    const PasswordBytes bytes(typed);
    if (crypto_pwhash_str_verify(hash.constData(), bytes.data(), bytes.size()) != 0)
        return Match::Wrong;
    if (!stored->startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX)) ||
        crypto_pwhash_str_needs_rehash(hash.constData(), m_hashing.opsLimit, m_hashing.memLimit) !=
            0) {
        (void)write(typed);
    }
    return Match::Right;
}

Result<void> PasswordStore::write(const QString &password)
{
    const QString storing = QStringLiteral("store the password in %1").arg(quoted(m_settings));
    QString value;
    if (!password.isEmpty()) {
        if (!sodiumReady())
            return Result<void>::failure(couldNot(storing, sodiumUnavailable()));
        char hash[crypto_pwhash_STRBYTES];
        const PasswordBytes bytes(password);
        if (crypto_pwhash_str(hash, bytes.data(), bytes.size(), m_hashing.opsLimit,
                              m_hashing.memLimit) != 0) {
            // With the program's limits, only a lack of memory gets here. The
            // password is never stored in plain text instead, and the old
            // value stays as it was.
            return Result<void>::failure(
                couldNot(storing, QStringLiteral("There is not enough memory to hash it")));
        }
        value = QString::fromLatin1(hash);
    }
    Result<void> written = m_settings.write(section(), key(), value);
    if (written)
        return written;
    return Result<void>::failure(couldNot(storing, written.error()));
}

bool PasswordStore::same(const QString &typed, const QString &retyped)
{
    return typed == retyped;
}

} // namespace quenzal
