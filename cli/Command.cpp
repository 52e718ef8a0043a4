#include "Command.h"

#include "Passwords.h"
#include "engine/Cipher.h"
#include "engine/CodePage.h"
#include "platform/files/FileKind.h"
#include "platform/files/FileWriter.h"
#include "platform/files/TextFiles.h"
#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#include <span>
#include <vector>

namespace quenzal::cli {
namespace {

// Plain text goes through in blocks of this size, scrambled where it is read
// into: large enough that the system calls cost little beside the copying,
// small enough that the memory used stays low whatever the text's length.
constexpr qint64 kBlockSize = 1024 * 1024;

QString quoted(const QString &name)
{
    return u'"' + name + u'"';
}

bool isDiskFull(int error)
{
#ifdef EDQUOT
    if (error == EDQUOT)
        return true;
#endif
    return error == ENOSPC;
}

// The text's source: a named file or standard input.
class Input
{
public:
    explicit Input(const QString &name) : m_name(name) {}

    QString shown() const
    {
        return m_name.isEmpty() ? QStringLiteral("standard input") : quoted(m_name);
    }

    std::optional<Failure> open()
    {
        m_file.setFileName(m_name);
        const bool opened = m_name.isEmpty()
                                ? m_file.open(0, QIODevice::ReadOnly | QIODevice::Unbuffered)
                                : m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        if (!opened)
            return failure(m_file.errorString());
#ifdef Q_OS_LINUX
        // Read from start to end: the system may read far ahead (a pipe or a
        // terminal ignores it).
        ::posix_fadvise(m_file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
        return std::nullopt;
    }

    // Up to `size` bytes into `data`, straight from the system; 0 at the end.
    std::variant<qint64, Failure> read(char *data, qint64 size)
    {
#ifdef Q_OS_UNIX
        for (;;) {
            const ssize_t n = ::read(m_file.handle(), data, size_t(size));
            if (n >= 0)
                return qint64(n);
            if (errno != EINTR)
                return failure(qt_error_string(errno));
        }
#else
        const qint64 n = m_file.read(data, size);
        if (n < 0)
            return failure(m_file.errorString());
        return n;
#endif
    }

    // Everything that is left.
    std::variant<QByteArray, Failure> readAll()
    {
        if (!m_name.isEmpty()) {
            auto bytes = TextFiles::readAll(m_name);
            if (bytes)
                return std::move(*bytes);
            return failure(bytes.error());
        }
        QByteArray bytes;
        for (;;) {
            const qsizetype start = bytes.size();
            bytes.resize(start + kBlockSize);
            const auto n = read(bytes.data() + start, kBlockSize);
            if (const auto *failed = std::get_if<Failure>(&n))
                return *failed;
            bytes.resize(start + std::get<qint64>(n));
            if (std::get<qint64>(n) == 0)
                return bytes;
        }
    }

    Failure failure(const QString &reason) const
    {
        const bool missing = !m_name.isEmpty() && !QFileInfo::exists(m_name);
        return {missing ? InputMissing : InputUnreadable,
                couldNot(QStringLiteral("read ") + shown(), reason)};
    }

private:
    QString m_name;
    QFile m_file;
};

// The result's destination: a named file, written as the window's Save
// writes one, or standard output.
class Output
{
public:
    explicit Output(const QString &name) : m_name(name), m_file(name) {}

    std::optional<Failure> open()
    {
        if (!m_name.isEmpty()) {
            if (!m_file.open())
                return failure(m_file.systemError(), m_file.errorString());
            return std::nullopt;
        }
        errno = 0;
        if (!m_standardOutput.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failure(errno, m_standardOutput.errorString());
        return std::nullopt;
    }

    std::optional<Failure> write(QByteArrayView bytes)
    {
        if (!m_name.isEmpty()) {
            if (!m_file.write(bytes))
                return failure(m_file.systemError(), m_file.errorString());
            return std::nullopt;
        }
        const char *data = bytes.data();
        qint64 left = bytes.size();
        while (left > 0) {
#ifdef Q_OS_UNIX
            const ssize_t n = ::write(m_standardOutput.handle(), data, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return failure(errno, qt_error_string(n < 0 ? errno : EIO));
#else
            errno = 0;
            const qint64 n = m_standardOutput.write(data, left);
            if (n <= 0)
                return failure(errno, m_standardOutput.errorString());
#endif
            data += n;
            left -= n;
        }
        return std::nullopt;
    }

    // Puts a named output in its place.
    std::optional<Failure> finish()
    {
        if (!m_name.isEmpty() && !m_file.commit())
            return failure(m_file.systemError(), m_file.errorString());
        return std::nullopt;
    }

    // The input's failure, and what it left of a file written in place.
    Failure afterInputFailure(Failure failed) const
    {
        if (m_file.changedInPlace()) {
            failed.message.chop(1);
            failed.message += QStringLiteral("; %1 was written in place and now holds only the "
                                             "part written before the failure.")
                                  .arg(quoted(m_name));
        }
        return failed;
    }

private:
    Failure failure(int error, const QString &reason) const
    {
        const QString shown = m_name.isEmpty() ? QStringLiteral("standard output") : quoted(m_name);
        return {isDiskFull(error) ? DiskFull : OutputUnwritable,
                couldNot(QStringLiteral("write ") + shown, reason)};
    }

    QString m_name;
    FileWriter m_file;
    QFile m_standardOutput;
};

struct Keys
{
    std::int64_t first;
    std::int64_t second;
    bool scramble;
};

// Both passes over codes that start at `position`.
void transform(std::span<std::uint8_t> codes, const Keys &keys, std::int64_t position)
{
    scrambleCodesTwice(codes, codes, keys.first, keys.second, keys.scramble, position);
}

std::optional<Failure> stream(Input &input, Output &output, const Keys &keys)
{
    std::vector<char> block(static_cast<std::size_t>(kBlockSize));
    std::int64_t position = 1;
    for (;;) {
        const auto n = input.read(block.data(), kBlockSize);
        if (const auto *failed = std::get_if<Failure>(&n))
            return output.afterInputFailure(*failed);
        const qint64 size = std::get<qint64>(n);
        if (size == 0)
            return std::nullopt;
        transform({reinterpret_cast<std::uint8_t *>(block.data()), std::size_t(size)}, keys,
                  position);
        if (auto failed = output.write({block.data(), size}))
            return failed;
        position += size;
    }
}

// The codes of the whole text: a plain input's bytes, or an .rtf input's
// exact text (as the upper area holds it after Open).
std::variant<QByteArray, Failure> readText(Input &input, bool richText, bool scramble)
{
    auto bytes = input.readAll();
    if (!richText || std::holds_alternative<Failure>(bytes))
        return bytes;
    // The text alone: pictures have none, so they are not decoded.
    rtf::ReadOptions options;
    options.decodePictures = false;
    const rtf::ReadResult document = rtf::read(std::get<QByteArray>(bytes), options);
    if (!document.ok())
        return input.failure(document.error());
    const QString text = rtf::exactText(*document.value());
    if (QString refusal = cipherRefusal(QStringLiteral("The text"), text, scramble, true);
        !refusal.isEmpty())
        return Failure{Unrepresentable, refusal};
    return CodePage::encode(text);
}

// A text as the window's Save writes the lower area to an .rtf file.
QByteArray richTextOf(const QString &text)
{
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    // The lower area's font, which the document names as its own.
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(9.75);
    document.setDefaultFont(font);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    const QTextCharFormat plain;
    rtf::insertExactText(cursor, text, plain);
    cursor.endEditBlock();
    return rtf::write(document);
}

std::optional<Failure> checkKind(const QString &name, const QString &verb)
{
    if (name.isEmpty() || fileKind(name) != FileKind::Other)
        return std::nullopt;
    return Failure{
        OtherKind,
        QStringLiteral("Only .txt and .rtf files can be %1; \"%2\" was not %1.").arg(verb, name)};
}

} // namespace

QString couldNot(const QString &what, QString reason)
{
    while (reason.endsWith(u'.'))
        reason.chop(1);
    return QStringLiteral("Could not %1: %2.").arg(what, reason);
}

std::optional<Failure> runCommand(const Options &options)
{
    if (auto failed = checkKind(options.input, QStringLiteral("read")))
        return failed;
    if (auto failed = checkKind(options.output, QStringLiteral("written")))
        return failed;
    const bool richIn = !options.input.isEmpty() && fileKind(options.input) == FileKind::RichText;
    const bool richOut =
        !options.output.isEmpty() && fileKind(options.output) == FileKind::RichText;

    Input input(options.input);
    if (auto failed = input.open())
        return failed;
    // A text held whole is read, and refused if need be, before the passwords
    // are asked for, as the window checks the text before them.
    std::optional<QByteArray> codes;
    if (richIn || richOut) {
        auto text = readText(input, richIn, options.scramble);
        if (const auto *failed = std::get_if<Failure>(&text))
            return *failed;
        codes = std::move(std::get<QByteArray>(text));
    }

    const auto passwords = readPasswords(options);
    if (const auto *failed = std::get_if<Failure>(&passwords))
        return *failed;
    const auto &[first, second] = std::get<Passwords>(passwords);
    for (const auto &[what, password] :
         {std::pair{QStringLiteral("The first password"), first},
          std::pair{QStringLiteral("The second password"), second}}) {
        if (QString refusal = cipherRefusal(what, password, options.scramble, true);
            !refusal.isEmpty())
            return Failure{Unrepresentable, refusal};
    }
    const Keys keys{passwordKey(first), passwordKey(second), options.scramble};

    Output output(options.output);
    if (auto failed = output.open())
        return failed;
    if (!codes) {
        if (auto failed = stream(input, output, keys))
            return failed;
    } else {
        transform({reinterpret_cast<std::uint8_t *>(codes->data()), std::size_t(codes->size())},
                  keys, 1);
        const QByteArray bytes = richOut ? richTextOf(CodePage::decode(*codes)) : *codes;
        if (auto failed = output.write(bytes))
            return failed;
    }
    return output.finish();
}

} // namespace quenzal::cli
