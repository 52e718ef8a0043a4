#include "Messages.h"

#include "MessageReader.h"
#include "SecureClear.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QThread>

#include <gpgme++/context.h>
#include <gpgme++/data.h>
#include <gpgme++/decryptionresult.h>
#include <gpgme++/encryptionresult.h>
#include <gpgme++/engineinfo.h>
#include <gpgme++/error.h>
#include <gpgme++/global.h>
#include <gpgme++/interfaces/dataprovider.h>
#include <gpgme++/interfaces/passphraseprovider.h>

#include <gpg-error.h>
#include <gpgme.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

namespace quenzal::messages {

namespace {

constexpr qint64 blockSize = 1024 * 1024;

Failure failure(Problem problem, const QString &reason)
{
    return Failure{problem, reason};
}

// A home of gpg's own for the process: a new, private folder (0700) with no
// keys and no settings, so the user's keyring, settings and agent are never
// touched. It is made at the first operation and kept, because gpg waits
// about a second for each new agent it starts; its agent caches no password
// (the context's "no-symkey-cache"). At the end of the process the agent is
// stopped and the folder removed.
class PrivateHome
{
public:
    static PrivateHome &instance()
    {
        static PrivateHome home;
        return home;
    }
    ~PrivateHome()
    {
        if (!m_folder.isValid())
            return;
        const QString gpgconf =
            QString::fromLocal8Bit(GpgME::engineInfo(GpgME::GpgConfEngine).fileName());
        if (gpgconf.isEmpty())
            return;
        const QString home = m_folder.path();
        // The agent is the only daemon gpg starts here: the context is
        // offline (no key server's), and there is no key for a card's.
        for (const QStringList &command :
             {QStringList{QStringLiteral("--kill"), QStringLiteral("gpg-agent")},
              QStringList{QStringLiteral("--remove-socketdir")}}) {
            QProcess gpgconfRun;
            gpgconfRun.setStandardOutputFile(QProcess::nullDevice());
            gpgconfRun.setStandardErrorFile(QProcess::nullDevice());
            gpgconfRun.start(gpgconf, QStringList{QStringLiteral("--homedir"), home} + command);
            gpgconfRun.waitForFinished(-1);
        }
        // The agent may still be taking its own files away as it ends: the
        // folder goes once they are gone, not before (Qt would say it could
        // not remove it).
        m_folder.setAutoRemove(false);
        QDeadlineTimer patience(5000);
        while (!QDir(home).removeRecursively() && !patience.hasExpired())
            QThread::msleep(10);
    }
    PrivateHome(const PrivateHome &) = delete;
    PrivateHome &operator=(const PrivateHome &) = delete;

    bool isValid() const { return m_folder.isValid(); }
    const QByteArray &path() const { return m_path; }

private:
    PrivateHome()
        : m_folder(QDir::tempPath() + QStringLiteral("/quenzal-gpg-XXXXXX")),
          m_path(QFile::encodeName(m_folder.path()))
    {
        // The iteration count of the password's hashing that gpg's agent
        // would measure first, taking seconds on a busy machine: the most
        // OpenPGP can encode, which any machine of the last decade reaches
        // in its tenth of a second.
        QFile settings(m_folder.filePath(QStringLiteral("gpg.conf")));
        if (settings.open(QIODevice::WriteOnly))
            settings.write("s2k-count 65011712\n");
    }

    QTemporaryDir m_folder;
    QByteArray m_path;
};

// Hands gpg the password, once, through GpgME's pipe; GpgME clears and
// frees the copy. A second request means the first was refused: it is
// cancelled rather than answered again.
class PasswordProvider : public GpgME::PassphraseProvider
{
public:
    explicit PasswordProvider(QByteArrayView password) : m_password(password) {}

    char *getPassphrase(const char *, const char *, bool previousWasBad, bool &canceled) override
    {
        if (previousWasBad || m_asked) {
            canceled = true;
            return nullptr;
        }
        m_asked = true;
        char *copy = static_cast<char *>(std::malloc(std::size_t(m_password.size()) + 1));
        if (!copy) {
            canceled = true;
            return nullptr;
        }
        std::memcpy(copy, m_password.data(), std::size_t(m_password.size()));
        copy[m_password.size()] = '\0';
        return copy;
    }

private:
    QByteArrayView m_password;
    bool m_asked = false;
};

// What gpg reads: the input device's bytes, through the message reader when
// reading a message, with the progress reported and a cancel honoured.
class Source : public GpgME::DataProvider
{
public:
    Source(QIODevice &input, const Progress &progress, MessageReader *reader)
        : m_input(input), m_progress(progress), m_reader(reader),
          m_total(input.isSequential() ? 0 : input.size())
    {}
    ~Source() override
    {
        secureClear(m_pending);
        secureClear(m_block);
    }

    bool isSupported(Operation operation) const override
    {
        return operation == Read || operation == Release;
    }

    ssize_t read(void *buffer, size_t size) override
    {
        while (m_pending.size() - m_offset == 0) {
            m_offset = 0;
            secureClear(m_pending);
            if (m_ended || (m_reader && m_reader->done()))
                return 0;
            if (!fill())
                return -1;
        }
        const qsizetype count = std::min<qsizetype>(qsizetype(size), m_pending.size() - m_offset);
        std::memcpy(buffer, m_pending.constData() + m_offset, std::size_t(count));
        m_offset += count;
        return ssize_t(count);
    }
    ssize_t write(const void *, size_t) override
    {
        errno = EBADF;
        return -1;
    }
    off_t seek(off_t, int) override
    {
        errno = ESPIPE;
        return -1;
    }
    void release() override {}

    bool cancelled() const { return m_cancelled; }
    bool unreadable() const { return m_unreadable; }
    QString inputError() const { return m_input.errorString(); }

private:
    bool fill()
    {
        m_block.resize(blockSize);
        const qint64 count = m_input.read(m_block.data(), blockSize);
        if (count < 0) {
            m_unreadable = true;
            errno = EIO;
            return false;
        }
        m_done += count;
        if (m_progress && !m_progress(m_done, m_total)) {
            m_cancelled = true;
            errno = ECANCELED;
            return false;
        }
        const QByteArrayView piece(m_block.constData(), count);
        if (count == 0) {
            m_ended = true;
            if (m_reader)
                m_reader->finish();
        } else if (m_reader) {
            m_reader->feed(piece, m_pending);
        } else {
            m_pending.append(piece);
        }
        if (m_reader && m_reader->failed()) {
            errno = EIO;
            return false;
        }
        return true;
    }

    QIODevice &m_input;
    const Progress &m_progress;
    MessageReader *m_reader;
    qint64 m_total;
    qint64 m_done = 0;
    QByteArray m_block;
    QByteArray m_pending;
    qsizetype m_offset = 0;
    bool m_ended = false;
    bool m_cancelled = false;
    bool m_unreadable = false;
};

// Where gpg's output goes: gathered into large pieces, since GpgME hands it
// over a few KiB at a time. flush() gives the sink what is left.
class Destination : public GpgME::DataProvider
{
public:
    explicit Destination(const Sink &sink) : m_sink(sink) {}
    ~Destination() override { secureClear(m_pending); }

    bool isSupported(Operation operation) const override
    {
        return operation == Write || operation == Release;
    }
    ssize_t read(void *, size_t) override
    {
        errno = EBADF;
        return -1;
    }
    ssize_t write(const void *buffer, size_t size) override
    {
        if (m_pending.capacity() < blockSize)
            m_pending.reserve(blockSize);
        if (m_pending.size() + qsizetype(size) > blockSize && !flush()) {
            errno = EIO;
            return -1;
        }
        m_pending.append(static_cast<const char *>(buffer), qsizetype(size));
        return ssize_t(size);
    }
    off_t seek(off_t, int) override
    {
        errno = ESPIPE;
        return -1;
    }
    void release() override {}

    bool flush()
    {
        if (m_refused)
            return false;
        if (m_pending.isEmpty())
            return true;
        m_refused = !m_sink(m_pending);
        secureClear(m_pending.data(), std::size_t(m_pending.size()));
        m_pending.resize(0);
        return !m_refused;
    }
    bool refused() const { return m_refused; }

private:
    const Sink &m_sink;
    QByteArray m_pending;
    bool m_refused = false;
};

// GpgME's data over a provider, marked as sensitive, so that GpgME clears
// its own buffers of it.
//
// Every byte between the program and gpg passes through a pipe of GpgME's,
// which by default it reads and writes 4 KiB at a time. Reading gpg's output
// so costs a wake-up of each side, and a call of ours, for every 4 KiB, which
// on a busy machine takes longer than gpg's own work: what gpg gives is read
// with a buffer as large as the pipe (64 KiB, Linux's default), so that each
// wake-up takes what the pipe holds. What gpg reads is written 4 KiB at a
// time still: GpgME 1.18 offers its whole buffer to the pipe, which takes
// only what it has room for while gpg is the slower side; the rest is moved
// to the buffer's start and offered again, and GpgME formats every buffer it
// reads or writes for its trace, whether tracing or not, so that a larger
// buffer was formatted again at each attempt (measured: a third more of the
// program's time for encrypt).
constexpr const char *pipeCapacity = "65536";

gpgme_ssize_t readFrom(void *provider, void *buffer, size_t size)
{
    return static_cast<GpgME::DataProvider *>(provider)->read(buffer, size);
}

gpgme_ssize_t writeTo(void *provider, const void *buffer, size_t size)
{
    return static_cast<GpgME::DataProvider *>(provider)->write(buffer, size);
}

gpgme_data_cbs providerCallbacks = {readFrom, writeTo, nullptr, nullptr};

GpgME::Data dataOver(GpgME::DataProvider &provider, bool fromGpg)
{
    gpgme_data_t data = nullptr;
    if (gpgme_data_new_from_cbs(&data, &providerCallbacks, &provider) != 0)
        return GpgME::Data();
    gpgme_data_set_flag(data, "sensitive", "1");
    if (fromGpg)
        gpgme_data_set_flag(data, "io-buffer-size", pipeCapacity);
    return GpgME::Data(data);
}

Result<void, Failure> checkPassword(QByteArrayView password)
{
    using Checked = Result<void, Failure>;
    if (password.isEmpty())
        return Checked::failure(
            failure(Problem::UnusablePassword, QStringLiteral("The password is empty")));
    for (const char c : password) {
        if (c == '\n' || c == '\r' || c == '\0')
            return Checked::failure(
                failure(Problem::UnusablePassword,
                        QStringLiteral("A password with a line break or code 0 cannot be "
                                       "used: OpenPGP programs read the password as one line")));
    }
    return {};
}

Result<void, Failure> startGpg()
{
    static std::once_flag once;
    std::call_once(once, [] { GpgME::initializeLibrary(); });
    if (GpgME::checkEngine(GpgME::OpenPGP))
        return Result<void, Failure>::failure(
            failure(Problem::Unavailable,
                    QStringLiteral("GnuPG (gpg) is not installed or cannot be started")));
    return {};
}

// A context that asks this program for the password and caches nothing.
std::unique_ptr<GpgME::Context> makeContext(const PrivateHome &home, PasswordProvider &password)
{
    std::unique_ptr<GpgME::Context> context = GpgME::Context::create(GpgME::OpenPGP);
    if (!context)
        return nullptr;
    if (context->setEngineHomeDirectory(home.path().constData()) ||
        context->setPinentryMode(GpgME::Context::PinentryLoopback) ||
        context->setFlag("no-symkey-cache", "1"))
        return nullptr;
    context->setPassphraseProvider(&password);
    context->setOffline(true);
    return context;
}

Failure unavailable()
{
    return failure(Problem::Unavailable, QStringLiteral("GnuPG (gpg) could not be started"));
}

// Why an operation ended with `error`, once what the program itself saw
// (a cancel, the input or output failing, the reader's verdict) is told.
Failure explain(const GpgME::Error &error, bool decrypting,
                const GpgME::DecryptionResult &decryption)
{
    if (decryption.isLegacyCipherNoMDC())
        return failure(Problem::Tampered,
                       QStringLiteral("The message has no integrity protection, so a change to "
                                      "it could not be detected"));
    if (decryption.unsupportedAlgorithm())
        return failure(Problem::Damaged,
                       QStringLiteral("The message uses a cipher gpg does not offer (%1)")
                           .arg(QString::fromLatin1(decryption.unsupportedAlgorithm())));
    switch (error.code()) {
    case GPG_ERR_BAD_PASSPHRASE:
    case GPG_ERR_BAD_KEY:
    case GPG_ERR_CANCELED:
        return failure(Problem::WrongPassword,
                       QStringLiteral("The password does not open this message"));
    // Once the password has opened the message, gpg tells a failed
    // integrity check (or content that no longer decrypts) only as a
    // failed decryption.
    case GPG_ERR_DECRYPT_FAILED:
    case GPG_ERR_BAD_SIGNATURE:
        return failure(Problem::Tampered,
                       QStringLiteral("The message was changed after it was encrypted: its "
                                      "integrity check failed"));
    case GPG_ERR_NO_SECKEY:
        return failure(Problem::NoMessage,
                       QStringLiteral("The message is for a key, not for a password"));
    default:
        // The reader found the message whole and well framed, and the
        // password opened it: what no longer decrypts was changed.
        if (decrypting)
            return failure(Problem::Tampered,
                           QStringLiteral("The message was changed after it was encrypted: it no "
                                          "longer decrypts (%1)")
                               .arg(QString::fromLocal8Bit(error.asString())));
        break;
    }
    return failure(Problem::Unavailable,
                   QStringLiteral("gpg failed: %1").arg(QString::fromLocal8Bit(error.asString())));
}

Result<void, Failure> run(bool decrypting, QIODevice &input, const Sink &sink,
                          QByteArrayView password, bool armour, const Progress &progress)
{
    if (auto usable = checkPassword(password); !usable)
        return usable;
    if (auto started = startGpg(); !started)
        return started;
    PrivateHome &home = PrivateHome::instance();
    if (!home.isValid())
        return Result<void, Failure>::failure(unavailable());
    PasswordProvider passwordProvider(password);
    const std::unique_ptr<GpgME::Context> context = makeContext(home, passwordProvider);
    if (!context)
        return Result<void, Failure>::failure(unavailable());
    context->setArmor(armour && !decrypting);

    MessageReader reader;
    Source source(input, progress, decrypting ? &reader : nullptr);
    Destination destination(sink);
    GpgME::Data in = dataOver(source, false);
    GpgME::Data out = dataOver(destination, true);
    if (in.isNull() || out.isNull())
        return Result<void, Failure>::failure(unavailable());

    GpgME::Error error;
    GpgME::DecryptionResult decryption;
    if (decrypting) {
        decryption = context->decrypt(in, out);
        error = decryption.error();
    } else {
        error = context->encryptSymmetrically(in, out);
    }
    if (error.code() == 0)
        destination.flush();
    if (error.code() == 0 && !decryption.isLegacyCipherNoMDC() && !source.cancelled() &&
        !source.unreadable() && !destination.refused() && !reader.failed())
        return {};

    if (source.cancelled())
        return Result<void, Failure>::failure(
            failure(Problem::Cancelled, QStringLiteral("It was cancelled")));
    if (source.unreadable())
        return Result<void, Failure>::failure(
            failure(Problem::InputUnreadable, source.inputError()));
    if (destination.refused())
        return Result<void, Failure>::failure(
            failure(Problem::OutputUnwritable, QStringLiteral("The result could not be written")));
    if (decrypting && !reader.found())
        return Result<void, Failure>::failure(
            failure(Problem::NoMessage, QStringLiteral("No OpenPGP message was found")));
    if (reader.failed())
        return Result<void, Failure>::failure(failure(Problem::Damaged, reader.reason()));
    return Result<void, Failure>::failure(explain(error, decrypting, decryption));
}

Result<QByteArray, Failure> runInMemory(bool decrypting, QByteArrayView bytes,
                                        QByteArrayView password, bool armour,
                                        const Progress &progress)
{
    QByteArray held = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer input(&held);
    input.open(QIODevice::ReadOnly);
    QByteArray result;
    result.reserve(bytes.size() + bytes.size() / 2 + 1024);
    const Sink append = [&result](QByteArrayView piece) {
        if (result.size() + piece.size() > result.capacity()) {
            // Grow by hand, so that no copy of the text is left behind
            // uncleared when the buffer moves.
            QByteArray larger;
            larger.reserve(std::max(result.capacity() * 2, result.size() + piece.size()));
            larger.append(result);
            secureClear(result);
            result.swap(larger);
        }
        result.append(piece);
        return true;
    };
    const Result<void, Failure> done = run(decrypting, input, append, password, armour, progress);
    if (!done) {
        secureClear(result);
        return Result<QByteArray, Failure>::failure(done.error());
    }
    return result;
}

} // namespace

Result<QByteArray, Failure> encrypt(QByteArrayView plain, QByteArrayView password, bool armour,
                                    const Progress &progress)
{
    return runInMemory(false, plain, password, armour, progress);
}

Result<QByteArray, Failure> decrypt(QByteArrayView text, QByteArrayView password,
                                    const Progress &progress)
{
    return runInMemory(true, text, password, false, progress);
}

Result<QString, Failure> decryptText(QByteArrayView text, QByteArrayView password,
                                     const Progress &progress)
{
    Result<QByteArray, Failure> bytes = decrypt(text, password, progress);
    if (!bytes)
        return Result<QString, Failure>::failure(bytes.error());
    // The exact text: a byte order mark at its start is kept as a character.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString content = decoder.decode(*bytes);
    secureClear(*bytes);
    if (decoder.hasError()) {
        secureClear(content.data(), std::size_t(content.size()) * sizeof(QChar));
        return Result<QString, Failure>::failure(
            failure(Problem::NotText, QStringLiteral("The message's content is not UTF-8 text")));
    }
    return content;
}

bool holdsMessage(QByteArrayView text)
{
    MessageReader reader;
    QByteArray ignored;
    for (qsizetype start = 0; start < text.size() && !reader.found(); start += blockSize) {
        reader.feed(text.sliced(start, std::min(blockSize, text.size() - start)), ignored);
        secureClear(ignored);
    }
    return reader.found();
}

Result<void, Failure> encrypt(QIODevice &input, const Sink &sink, QByteArrayView password,
                              bool armour, const Progress &progress)
{
    return run(false, input, sink, password, armour, progress);
}

Result<void, Failure> decrypt(QIODevice &input, const Sink &sink, QByteArrayView password,
                              const Progress &progress)
{
    return run(true, input, sink, password, false, progress);
}

} // namespace quenzal::messages
