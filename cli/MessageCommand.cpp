#include "MessageCommand.h"

#include "Command.h"
#include "Input.h"
#include "Modules.h"
#include "Output.h"
#include "Passwords.h"
#include "messages/Messages.h"
#include "messages/SecureClear.h"
#include "platform/files/FileNames.h"
#include "platform/files/TextFiles.h"

#include <QFile>
#include <QTemporaryFile>

#include <cstring>
#include <vector>

namespace quenzal::cli {
namespace {

using messages::Problem;

// The most of a decrypted message held before it is written.
constexpr qint64 kHeldLimit = TextFiles::kMaxReadBytes;
constexpr qint64 kBlockSize = 1024 * 1024;

ExitStatus statusOf(Problem problem)
{
    switch (problem) {
    case Problem::WrongPassword:
        return WrongPassword;
    case Problem::Damaged:
        return Damaged;
    case Problem::Tampered:
        return Tampered;
    case Problem::NoMessage:
    case Problem::NotText:
        return NoMessage;
    case Problem::UnusablePassword:
        return Unrepresentable;
    case Problem::InputUnreadable:
        return InputUnreadable;
    case Problem::OutputUnwritable:
        return OutputUnwritable;
    case Problem::None:
    case Problem::Unavailable:
    case Problem::Cancelled:
        break;
    }
    return GpgUnavailable;
}

class Command
{
public:
    explicit Command(const Options &options)
        : m_options(options), m_input(options.input), m_output(options.output)
    {}
    ~Command() { messages::secureClear(m_password); }

    // The input and the output are opened before the password is asked
    // for, so that a missing file or one that cannot be written is told first.
    Result<void, Failure> run()
    {
        if (auto refused = refuseBinaryOnTerminal(m_options); !refused)
            return refused;
        if (auto opened = m_input.open(); !opened)
            return opened;
        if (auto opened = m_output.open(); !opened)
            return opened;
        auto password = readMessagePassword(m_options);
        if (!password)
            return password.error();
        m_password = std::move(*password);
        // A named output replaced whole is written as gpg gives it: its
        // temporary file takes the old file's place only on success.
        const bool direct = !m_options.output.isEmpty() && !m_output.writesInPlace();
        const bool encrypting = m_options.command == Options::Command::Encrypt;
        if (direct)
            return finish(encrypting ? encrypt(writeOut()) : decrypt(writeOut()));
        return encrypting ? encryptHeld() : decryptHeld();
    }

private:
    using Done = Result<void, messages::Failure>;

    Done encrypt(const messages::Sink &sink)
    {
        return messages::encrypt(m_input.device(), sink, m_password, !m_options.binary);
    }
    Done decrypt(const messages::Sink &sink)
    {
        return messages::decrypt(m_input.device(), sink, m_password);
    }

    messages::Sink writeOut()
    {
        return [this](QByteArrayView bytes) {
            if (auto written = m_output.write(bytes); !written) {
                m_written = written;
                return false;
            }
            return true;
        };
    }

    // The message waits in an unnamed temporary file: it holds no plain
    // text, and may be as large as the input.
    Result<void, Failure> encryptHeld()
    {
        QTemporaryFile spill;
        if (!spill.open())
            return Failure{OutputUnwritable,
                           couldNot(QStringLiteral("make a temporary file for the message"),
                                    spill.errorString())};
        QString spillError;
        const Done done = encrypt([&](QByteArrayView bytes) {
            if (spill.write(bytes.data(), bytes.size()) == bytes.size())
                return true;
            spillError = spill.errorString();
            return false;
        });
        if (!spillError.isEmpty())
            return Failure{
                OutputUnwritable,
                couldNot(QStringLiteral("hold the message in a temporary file"), spillError)};
        if (!done)
            return finish(done);
        if (!spill.seek(0))
            return Failure{OutputUnwritable,
                           couldNot(QStringLiteral("read the message back"), spill.errorString())};
        QByteArray block(kBlockSize, Qt::Uninitialized);
        for (;;) {
            const qint64 n = spill.read(block.data(), kBlockSize);
            if (n < 0)
                return Failure{OutputUnwritable, couldNot(QStringLiteral("read the message back"),
                                                          spill.errorString())};
            if (n == 0)
                break;
            if (auto written = m_output.write({block.constData(), n}); !written)
                return written;
        }
        return m_output.finish();
    }

    // The plain text is held in memory, and written once gpg has checked the
    // whole message; past the bound, see MessageCommand.h.
    Result<void, Failure> decryptHeld()
    {
        // In the pieces gpg's output comes in, so that holding never needs
        // room for a second copy.
        std::vector<QByteArray> held;
        qint64 heldSize = 0;
        const auto clearHeld = [&held] {
            for (QByteArray &piece : held)
                messages::secureClear(piece);
            held.clear();
        };
        bool tooLarge = false;
        Done done = decrypt([&](QByteArrayView bytes) {
            if (heldSize + bytes.size() > kHeldLimit) {
                tooLarge = true;
                return false;
            }
            held.push_back(bytes.toByteArray());
            heldSize += bytes.size();
            return true;
        });
        if (!tooLarge) {
            if (!done) {
                clearHeld();
                return finish(done);
            }
            Result<void, Failure> written;
            for (const QByteArray &piece : held) {
                if (!(written = m_output.write(piece)))
                    break;
            }
            clearHeld();
            return written ? m_output.finish() : written;
        }
        clearHeld();
        if (!m_input.rewind())
            return Failure{OutputUnwritable,
                           couldNot(QStringLiteral("write ") + m_output.shown(),
                                    QStringLiteral("The message holds more than %1 MiB; read from "
                                                   "a pipe, it can only be decrypted to a named "
                                                   "output file")
                                        .arg(kHeldLimit / (1024 * 1024)))};
        done = decrypt([](QByteArrayView) { return true; });
        if (!done)
            return finish(done);
        if (!m_input.rewind())
            return m_input.failure(m_input.device().errorString());
        return finish(decrypt(writeOut()));
    }

    Result<void, Failure> finish(const Done &done)
    {
        if (done)
            return m_output.finish();
        if (!m_written)
            return m_written;
        const messages::Failure &failed = done.error();
        if (failed.problem == Problem::InputUnreadable)
            return m_input.failure(failed.reason);
        const bool encrypting = m_options.command == Options::Command::Encrypt;
        return Failure{
            statusOf(failed.problem),
            couldNot((encrypting ? QStringLiteral("encrypt ") : QStringLiteral("decrypt ")) +
                         m_input.shown(),
                     failed.reason)};
    }

    const Options &m_options;
    QByteArray m_password;
    Input m_input;
    Output m_output;
    Result<void, Failure> m_written; // failed when writing the output failed
};

} // namespace

Result<void, Failure> runMessageCommand(const Options &options)
{
    Command command(options);
    return command.run();
}

} // namespace quenzal::cli

extern "C" Q_DECL_EXPORT const quenzal::cli::MessageModule *
quenzalMessageModule(const char *version)
{
    static constexpr quenzal::cli::MessageModule kModule{quenzal::cli::runMessageCommand};
    return std::strcmp(version, QUENZAL_VERSION) == 0 ? &kModule : nullptr;
}
