#include "Command.h"

#include "Input.h"
#include "Modules.h"
#include "Output.h"
#include "Passwords.h"
#include "Terminal.h"
#include "engine/Cipher.h"
#include "engine/CodePage.h"
#include "platform/files/FileKind.h"
#include "platform/files/FileNames.h"
#include "platform/files/FileWriter.h"
#include "platform/files/TextFiles.h"

#include <QFile>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <span>
#include <vector>

namespace quenzal::cli {
namespace {

// Plain text goes through in blocks of this size, scrambled where it is read
// into: large enough that the system calls cost little beside the copying,
// small enough to stay in the processor's cache between the read, the cipher
// and the write, and to keep the memory used low whatever the text's length.
// (Writes of 512 KiB or more into the system's file cache were measured
// several times slower per byte than writes of 128 KiB, the size cat uses.)
constexpr qint64 kBlockSize = 128 * 1024;

// The most a text read whole may have, in words.
QString readLimit()
{
    return QStringLiteral("%1 MiB").arg(TextFiles::kMaxReadBytes / (1024 * 1024));
}

// The text's source, read in blocks or whole.
class TextInput : public Input
{
public:
    using Input::Input;

    // Up to `size` bytes into `data`, straight from the system; 0 at the end.
    Result<qint64, Failure> read(char *data, qint64 size)
    {
#ifdef Q_OS_UNIX
        for (;;) {
            const ssize_t n = ::read(handle(), data, size_t(size));
            if (n >= 0)
                return qint64(n);
            if (errno != EINTR)
                return failure(qt_error_string(errno));
        }
#else
        const qint64 n = device().read(data, size);
        if (n < 0)
            return failure(device().errorString());
        return n;
#endif
    }

    // The whole text: a named file as Open reads it, or what standard input
    // holds.
    Result<QByteArray, Failure> readAll()
    {
        if (!name().isEmpty()) {
            auto bytes = TextFiles::readAll(name());
            if (bytes)
                return std::move(*bytes);
            return failure(bytes.error());
        }
        return readRest();
    }

    // Everything that is left, at most as much as a file read whole.
    Result<QByteArray, Failure> readRest()
    {
        QByteArray bytes;
        for (;;) {
            const qsizetype start = bytes.size();
            if (start > TextFiles::kMaxReadBytes)
                return failure(QStringLiteral("The text is too large to hold whole (more than %1)")
                                   .arg(readLimit()));
            bytes.resize(start + kBlockSize);
            const auto n = read(bytes.data() + start, kBlockSize);
            if (!n)
                return n.error();
            bytes.resize(start + *n);
            if (*n == 0)
                return bytes;
        }
    }

#ifdef Q_OS_UNIX
    // Whether the input is a regular file, which can be read ahead.
    bool isRegularFile() const
    {
        struct stat status;
        return ::fstat(handle(), &status) == 0 && S_ISREG(status.st_mode);
    }

    // How much a regular file has left to read.
    qint64 bytesLeft() const
    {
        struct stat status;
        const off_t offset = ::lseek(handle(), 0, SEEK_CUR);
        if (offset < 0 || ::fstat(handle(), &status) != 0)
            return 0;
        return qint64(status.st_size) - offset;
    }

    // Whether the input is the file at `path`, by whatever name.
    bool isFile(const QString &path) const
    {
        struct stat input, file;
        return ::fstat(handle(), &input) == 0 && ::stat(systemName(path).constData(), &file) == 0 &&
               input.st_dev == file.st_dev && input.st_ino == file.st_ino;
    }

    // For Scramble, the refusal of a code 0 anywhere ahead, found without
    // moving on: the input must be a regular file.
    Result<void, Failure> findCodeZeroAhead(std::span<char> block) const
    {
        off_t offset = ::lseek(handle(), 0, SEEK_CUR);
        if (offset < 0)
            return failure(qt_error_string(errno));
        for (std::int64_t position = 1;;) {
            const ssize_t n = ::pread(handle(), block.data(), block.size(), offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return failure(qt_error_string(errno));
            if (n == 0)
                return {};
            if (QString refusal = codeZeroRefusal({block.data(), n}, position); !refusal.isEmpty())
                return Failure{Unrepresentable, refusal};
            offset += n;
            position += n;
        }
    }
#endif

private:
    int handle() const
    {
        return device().handle();
    }
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

Result<void, Failure> stream(TextInput &input, Output &output, const Keys &keys,
                             std::span<char> block)
{
    std::int64_t position = 1;
    for (;;) {
        const auto n = input.read(block.data(), qint64(block.size()));
        if (!n)
            return output.afterInputFailure(n.error());
        const qint64 size = *n;
        if (size == 0)
            return {};
        // Found before the block is written: a named output is left as it was.
        if (keys.scramble) {
            if (QString refusal = codeZeroRefusal({block.data(), size}, position);
                !refusal.isEmpty())
                return Failure{Unrepresentable, refusal};
        }
        transform({reinterpret_cast<std::uint8_t *>(block.data()), std::size_t(size)}, keys,
                  position);
        if (auto written = output.write({block.data(), size}); !written)
            return written;
        position += size;
    }
}

// The codes of the whole text: a plain input's bytes, or an .rtf input's
// exact text (as the upper area holds it after Open). Refused as the cipher
// refuses it.
Result<QByteArray, Failure> readText(TextInput &input, bool richText, bool scramble)
{
    auto bytes = input.readAll();
    if (!bytes)
        return bytes;
    QByteArray codes = std::move(*bytes);
    if (richText) {
        const auto module = richTextModule();
        if (!module)
            return module.error();
        const auto read = (*module)->exactTextOf(codes);
        if (!read)
            return input.failure(read.error());
        const QString &text = *read;
        if (QString refusal = cipherRefusal(QStringLiteral("The text"), text, scramble, true);
            !refusal.isEmpty())
            return Failure{Unrepresentable, refusal};
        codes = CodePage::encode(text);
    }
    if (scramble) {
        if (QString refusal = codeZeroRefusal(codes); !refusal.isEmpty())
            return Failure{Unrepresentable, refusal};
    }
    return codes;
}

// A held text's result: its codes through both passes, as plain text or as
// an .rtf file, which must not be too large to be read again.
Result<QByteArray, Failure> resultOf(QByteArray codes, const Keys &keys, bool richText,
                                     const QString &output)
{
    transform({reinterpret_cast<std::uint8_t *>(codes.data()), std::size_t(codes.size())}, keys, 1);
    if (!richText)
        return codes;
    const auto module = richTextModule();
    if (!module)
        return module.error();
    QByteArray bytes = (*module)->richTextOf(CodePage::decode(codes));
    if (bytes.size() > TextFiles::kMaxReadBytes)
        return Failure{OutputUnwritable,
                       couldNot(QStringLiteral("write ") + quotedName(output),
                                QStringLiteral("As Rich Text Format the text would take more "
                                               "than %1, the most an .rtf file can have to be "
                                               "read again")
                                    .arg(readLimit()))};
    return bytes;
}

// A file written in place is cut down when the first block of the result is
// ready, and a failure after that leaves only what came before it. So what
// would stop the result is found first: the whole text is read when the
// output is the input itself (cutting it down would cut the input short),
// and, for Scramble, when the input cannot be read ahead (a pipe) to look
// for code 0; a regular file is read ahead for it. The held text, if any.
using Held = std::optional<QByteArray>;
Result<Held, Failure> readBeforeWritingInPlace(TextInput &input, const Output &output,
                                               bool scramble, std::span<char> block)
{
#ifdef Q_OS_UNIX
    if (!output.writesInPlace())
        return Held();
    const bool itself = input.isFile(output.name());
    if (!itself && !scramble)
        return Held();
    if (!itself && input.isRegularFile()) {
        if (auto ahead = input.findCodeZeroAhead(block); !ahead)
            return ahead.error();
        return Held();
    }
    if (itself && input.bytesLeft() > TextFiles::kMaxReadBytes)
        return Failure{OutputUnwritable,
                       couldNot(QStringLiteral("write ") + quotedName(output.name()),
                                QStringLiteral("It is also the input and can only be written in "
                                               "place, so the text is read whole first, and it "
                                               "has more than %1")
                                    .arg(readLimit()))};
    auto text = input.readRest();
    if (!text)
        return text.error();
    if (QString refusal = scramble ? codeZeroRefusal(*text) : QString(); !refusal.isEmpty())
        return Failure{Unrepresentable, refusal};
    return Held(std::move(*text));
#else
    Q_UNUSED(input);
    Q_UNUSED(output);
    Q_UNUSED(scramble);
    Q_UNUSED(block);
    return Held();
#endif
}

// A name that is neither a .txt nor an .rtf file, or a folder, refused with
// what it is.
Result<void, Failure> checkKind(const QString &name, bool input)
{
    if (name.isEmpty())
        return {};
    const FileKind kind = fileKind(name);
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(systemName(name).constData(), &status) == 0 &&
        (S_ISDIR(status.st_mode) || kind == FileKind::Other)) {
        if (const Result<void> regular = checkRegularFile(status.st_mode); !regular)
            return Failure{input ? InputUnreadable : OutputUnwritable,
                           couldNot((input ? QStringLiteral("read ") : QStringLiteral("write ")) +
                                        quotedName(name),
                                    regular.error())};
    }
#endif
    if (kind != FileKind::Other)
        return {};
    const QString verb = input ? QStringLiteral("read") : QStringLiteral("written");
    return Failure{OtherKind, otherKindRefusal(verb, quotedName(name))};
}

} // namespace

Result<void, Failure> refuseBinaryOnTerminal(const Options &options)
{
    const bool binary = options.command == Options::Command::Scramble ||
                        (options.command == Options::Command::Encrypt && options.binary);
    if (!binary || !options.output.isEmpty() || options.force || !terminal::isTerminal(1))
        return {};
    return Failure{UsageError,
                   QStringLiteral("Standard output is a terminal, which would take %1 as commands: "
                                  "name an output file, send standard output elsewhere, or give "
                                  "--force.")
                       .arg(options.binary ? QStringLiteral("a binary message's bytes")
                                           : QStringLiteral("the codes of a scrambled text"))};
}

Result<void, Failure> runCommand(const Options &options)
{
    CodePage::setCurrent(options.codePage != 0 ? options.codePage : CodePage::ofSystemLanguage());
    if (auto checked = checkKind(options.input, true); !checked)
        return checked;
    if (auto checked = checkKind(options.output, false); !checked)
        return checked;
    if (auto refused = refuseBinaryOnTerminal(options); !refused)
        return refused;
    const bool richIn = !options.input.isEmpty() && fileKind(options.input) == FileKind::RichText;
    const bool richOut =
        !options.output.isEmpty() && fileKind(options.output) == FileKind::RichText;

    TextInput input(options.input);
    if (auto opened = input.open(); !opened)
        return opened;
    // The output is opened before anything is asked for: one that cannot be
    // written is told first.
    Output output(options.output);
    if (auto opened = output.open(); !opened)
        return opened;
    // A text held whole is read, and refused if need be, before the passwords
    // are asked for, as the window checks the text before them.
    std::optional<QByteArray> codes;
    if (richIn || richOut) {
        if (const auto module = richTextModule(); !module)
            return module.error();
        auto text = readText(input, richIn, options.scramble);
        if (!text)
            return text.error();
        codes = std::move(*text);
    }

    const auto passwords = readPasswords(options);
    if (!passwords)
        return passwords.error();
    const auto &[first, second] = *passwords;
    for (const auto &[what, password] :
         {std::pair{QStringLiteral("The first password"), first},
          std::pair{QStringLiteral("The second password"), second}}) {
        if (QString refusal = cipherRefusal(what, password, options.scramble, true);
            !refusal.isEmpty())
            return Failure{Unrepresentable, refusal};
    }
    const Keys keys{passwordKey(first), passwordKey(second), options.scramble};

    std::optional<QByteArray> result;
    if (codes) {
        auto done = resultOf(std::move(*codes), keys, richOut, options.output);
        if (!done)
            return done.error();
        result = std::move(*done);
    }
    if (result) {
        if (auto written = output.write(*result); !written)
            return written;
        return output.finish();
    }
    std::vector<char> block(static_cast<std::size_t>(kBlockSize));
    auto held = readBeforeWritingInPlace(input, output, options.scramble, block);
    if (!held)
        return held.error();
    if (auto &text = *held) {
        auto done = resultOf(std::move(*text), keys, false, options.output);
        if (!done)
            return done.error();
        if (auto written = output.write(*done); !written)
            return written;
    } else if (auto streamed = stream(input, output, keys, block); !streamed) {
        return streamed;
    }
    return output.finish();
}

} // namespace quenzal::cli
