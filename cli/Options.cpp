#include "Options.h"

#include "engine/CodePage.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quenzal::cli {
namespace {

const char kHelpEnd[] = R"(
Both passes run as the window's Scramble and Unscramble commands run them:
the text goes through the cipher with the first password, and the result
again with the second. Scramble refuses a text holding code 0 (a NUL byte),
which Unscramble could not give back.

Plain text of any length goes through in blocks, from a .txt file or
standard input to a .txt file or standard output. A text read from or
written to an .rtf file is held whole: the .rtf file, and a .txt file or
standard input going to one, may have at most 256 MiB, and a result that
would take more as Rich Text Format is refused. A scrambled text takes
about three times its length as Rich Text Format (some 80 MiB of it fit),
an ordinary text little more than its length.

Files: a name ending in ".txt" is plain text, one byte per character in the
code page in force; a name ending in ".rtf" is Rich Text Format (its text
in, or the result written as the window saves it, in the code page in
force). The last four
characters decide, exactly as written. Standard input and output are plain
text. A named output takes the old file's place only when written in full;
a file with other names (hard links), or another user's, is written in place
and keeps them, the text read whole first (at most 256 MiB) when that file
is also the input, or when Scramble reads it from a pipe; what is not a
regular file (a device, a FIFO) is refused.

The code page in force is the ANSI code page of the system's language, as
on Windows (the locale of LC_ALL, LC_CTYPE or LANG, the first that is set):
Windows-1250 for Central European languages, 1251 Cyrillic, 1253 Greek,
1254 Turkish, 1255 Hebrew, 1256 Arabic, 1257 Baltic, 1258 Vietnamese, 874
Thai, and Windows-1252 for English, C, POSIX, the Western European
languages and every other. --code-page overrides it. The window's own
choice of code page (its Message menu) does not apply here.

Passwords never go on the command line. When standard input is a terminal
and the text does not come from it, the program asks for each password
without showing it ("First password:", "Second password:"). Otherwise give
each one with an option: the first line of a file (its line break left
out), or a line read from an open file descriptor (standard input only when
the text does not come from it). Either password may be
empty: --no-password and --no-second-password give an empty one without
asking. Passwords are read as text in the terminal's encoding (UTF-8).

Exit status:
  0  success
  2  a wrong command line, or a password that can neither be asked for nor
     read from an option
  3  a password file or descriptor cannot be read
  4  the input file does not exist
  5  the input cannot be read, or an .rtf input is not Rich Text Format
  6  a file name ends in neither .txt nor .rtf
  7  the text or a password holds a character the code page cannot hold,
     or a text to scramble holds code 0
  8  the output cannot be written, or is not a regular file
  9  the disk is full

Examples:
  quenzal-cli scramble letter.txt letter-scrambled.txt
  quenzal-cli unscramble --password-file ~/.first --no-second-password \
      < scrambled.txt > plain.txt
)";

Failure usage(const QString &message)
{
    return {UsageError,
            message + QStringLiteral(" (quenzal-cli --help lists the options and commands.)")};
}

// The source of one password from its three options; nothing when more than
// one is given.
std::optional<PasswordSource> passwordSource(const QCommandLineParser &parser,
                                             const QCommandLineOption &file,
                                             const QCommandLineOption &descriptor,
                                             const QCommandLineOption &none, QString *error)
{
    const int given =
        int(parser.isSet(file)) + int(parser.isSet(descriptor)) + int(parser.isSet(none));
    if (given > 1 || parser.values(file).size() > 1 || parser.values(descriptor).size() > 1) {
        *error = QStringLiteral("Give each password one way only: --%1, --%2 or --%3.")
                     .arg(file.names().constFirst(), descriptor.names().constFirst(),
                          none.names().constFirst());
        return std::nullopt;
    }
    PasswordSource source;
    if (parser.isSet(file)) {
        source.kind = PasswordSource::Kind::File;
        source.file = parser.value(file);
    } else if (parser.isSet(descriptor)) {
        bool ok = false;
        source.kind = PasswordSource::Kind::Descriptor;
        source.descriptor = parser.value(descriptor).toInt(&ok);
        if (!ok || source.descriptor < 0) {
            *error = QStringLiteral("--%1 takes a file descriptor number, not \"%2\".")
                         .arg(descriptor.names().constFirst(), parser.value(descriptor));
            return std::nullopt;
        }
    } else if (parser.isSet(none)) {
        source.kind = PasswordSource::Kind::Empty;
    }
    return source;
}

} // namespace

std::variant<Options, Information, Failure> parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Scrambles or unscrambles a text with two passwords, byte for byte as Quenzal does."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption firstFile(
        QStringLiteral("password-file"),
        QStringLiteral("Read the first password from the first line of <file>."),
        QStringLiteral("file"));
    const QCommandLineOption secondFile(
        QStringLiteral("second-password-file"),
        QStringLiteral("Read the second password from the first line of <file>."),
        QStringLiteral("file"));
    const QCommandLineOption firstDescriptor(
        QStringLiteral("password-fd"),
        QStringLiteral("Read the first password as a line from file descriptor <n>."),
        QStringLiteral("n"));
    const QCommandLineOption secondDescriptor(
        QStringLiteral("second-password-fd"),
        QStringLiteral("Read the second password as a line from file descriptor <n>."),
        QStringLiteral("n"));
    const QCommandLineOption firstNone(QStringLiteral("no-password"),
                                       QStringLiteral("The first password is empty."));
    const QCommandLineOption secondNone(QStringLiteral("no-second-password"),
                                        QStringLiteral("The second password is empty."));
    const QCommandLineOption codePage(
        QStringLiteral("code-page"),
        QStringLiteral("Read and write text in code page <n>: 874, 1250, 1251, 1252, 1253, "
                       "1254, 1255, 1256, 1257 or 1258."),
        QStringLiteral("n"));
    parser.addOptions({help, version, firstFile, firstDescriptor, firstNone, secondFile,
                       secondDescriptor, secondNone, codePage});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("scramble or unscramble."));
    parser.addPositionalArgument(
        QStringLiteral("input"),
        QStringLiteral("The text: a .txt or .rtf file; standard input when left out or \"-\"."),
        QStringLiteral("[input]"));
    parser.addPositionalArgument(
        QStringLiteral("output"),
        QStringLiteral("The result: a .txt or .rtf file; standard output when left out or \"-\"."),
        QStringLiteral("[output]"));

    if (!parser.parse(arguments)) {
        QString error = parser.errorText();
        return usage(error.endsWith(u'.') ? error : error + u'.');
    }
    if (parser.isSet(help)) {
        // The usage line names the program as it was started; name it plainly.
        QString text = parser.helpText();
        const qsizetype lineEnd = text.indexOf(u'\n');
        text.replace(
            0, lineEnd,
            text.first(lineEnd).replace(arguments.constFirst(), QStringLiteral("quenzal-cli")));
        return Information{text + QLatin1String(kHelpEnd)};
    }
    if (parser.isSet(version))
        return Information{
            QStringLiteral("quenzal-cli %1\n").arg(QCoreApplication::applicationVersion())};

    const QStringList names = parser.positionalArguments();
    if (names.isEmpty())
        return usage(QStringLiteral("Say what to do: scramble or unscramble."));
    Options options;
    if (names[0] == QLatin1String("scramble"))
        options.scramble = true;
    else if (names[0] == QLatin1String("unscramble"))
        options.scramble = false;
    else
        return usage(
            QStringLiteral("Unknown command \"%1\": use scramble or unscramble.").arg(names[0]));
    if (names.size() > 3)
        return usage(QStringLiteral("Too many names: one input and one output at most."));
    if (names.contains(QString()))
        return usage(QStringLiteral("An empty file name: use \"-\" for standard input or output."));
    const auto named = [](const QString &name) { return name == u'-' ? QString() : name; };
    options.input = names.size() > 1 ? named(names[1]) : QString();
    options.output = names.size() > 2 ? named(names[2]) : QString();

    QString error;
    const auto first = passwordSource(parser, firstFile, firstDescriptor, firstNone, &error);
    if (!first)
        return usage(error);
    const auto second = passwordSource(parser, secondFile, secondDescriptor, secondNone, &error);
    if (!second)
        return usage(error);
    options.first = *first;
    options.second = *second;
    if (parser.isSet(codePage)) {
        bool ok = false;
        options.codePage = parser.value(codePage).toInt(&ok);
        if (!ok || !CodePage::isKnown(options.codePage) || parser.values(codePage).size() > 1)
            return usage(QStringLiteral("--code-page takes one of 874, 1250, 1251, 1252, 1253, "
                                        "1254, 1255, 1256, 1257 and 1258, not \"%1\".")
                             .arg(parser.values(codePage).join(u' ')));
    }
    for (const PasswordSource *source : {&options.first, &options.second}) {
        if (options.input.isEmpty() && source->kind == PasswordSource::Kind::Descriptor &&
            source->descriptor == 0)
            return usage(QStringLiteral("Standard input holds the text: read the passwords from "
                                        "another descriptor or a file."));
    }
    return options;
}

} // namespace quenzal::cli
