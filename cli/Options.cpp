#include "Options.h"

#include "engine/CodePage.h"
#include "platform/files/FileNames.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quenzal::cli {
namespace {

const char kHelpEnd[] = R"(
What each command is:
  scramble, unscramble  Quenzal's reversible disguise. It protects nothing:
      only the sum of the password keys modulo 255 matters, so there are 255
      effective keys, and a wrong password is never noticed (it gives other
      text, with exit status 0). Use it for texts and files that were
      scrambled and must come back.
  encrypt, decrypt  The protection: OpenPGP password-based messages, the
      ones "gpg --symmetric --armor" writes and gpg, Kleopatra and other
      OpenPGP programs read. A wrong password, a damaged message and a
      changed one are each refused with their own exit status.

Scramble and unscramble run both passes as the window's Scramble and
Unscramble commands run them: the text goes through the cipher with the
first password, and the result again with the second. Scramble refuses a
text holding code 0 (a NUL byte), which Unscramble could not give back.

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
characters decide, exactly as written. A name is taken as the bytes the
system gives, UTF-8 or not; a message shows each byte of it that is not
UTF-8 by its code ("caf<0xE9>.txt"). Standard input and output are plain
text. A named output takes the old file's place only when written in full;
a file with other names (hard links), or another user's, is written in place
and keeps them, the text read whole first (at most 256 MiB) when that file
is also the input, or when Scramble reads it from a pipe; what is not a
regular file (a device, a FIFO) is refused.

Encrypt reads any file as bytes and writes an armoured message (text that
survives e-mail, web forms and chat), or a binary one with --binary.
Decrypt finds the message in its input: armoured, also when other text
surrounds it, its lines are quoted by replies ("> " at any depth),
indented, carry trailing blanks or end in CR LF, LF or CR; or binary. It
writes the message's exact bytes. Both go through gpg (GnuPG) in a private
folder of their own: no keyring is used, no password is cached, and no
plain text is written anywhere but the named output. Nothing is written on
a failure: a named output takes the old file's place only once gpg has
checked the whole message, and a message decrypted to standard output (or
to a file written in place) is held until then, at most 256 MiB of it; a
larger one is checked in a first pass and decrypted in a second when the
input is a regular file, and refused otherwise (name an output file).

The code page in force is the ANSI code page of the system's language, as
on Windows (the locale of LC_ALL, LC_CTYPE or LANG, the first that is set):
Windows-1250 for Central European languages, 1251 Cyrillic, 1253 Greek,
1254 Turkish, 1255 Hebrew, 1256 Arabic, 1257 Baltic, 1258 Vietnamese, 874
Thai, and Windows-1252 for English, C, POSIX, the Western European
languages and every other. --code-page overrides it. The window's own
choice of code page (its Message menu) does not apply here.

Passwords never go on the command line. A password not given by an option
is asked for on the terminal the program runs in, whatever standard input,
output and error are, without showing it: scramble asks for each twice
("First password:", "First password again:", "Second password:", "Second
password again:") and stops when the two entries differ, unscramble once,
encrypt and decrypt for their one password ("Password:"; encrypt also
"Password again:"). Ctrl-D at a prompt cancels; after Ctrl-Z and fg the
question starts again. With no terminal, give each password with an option:
the first line of a file (its line break left out), or a line read from an
open file descriptor (standard input only when the text does not come from
it; on a terminal, not shown). A file or descriptor that ends before a line
is an error, not an empty password: --no-password and --no-second-password
give an empty one. A password line may have at most 1 MiB, and only LF
ends one. Scramble and unscramble read passwords as UTF-8 text; encrypt and
decrypt hand gpg the password's bytes as read, as gpg takes them, and refuse
an empty one.

Scrambled codes and binary messages are not written to a terminal, which
would take some of them as commands, unless --force is given.

Exit status:
  0  success
  2  a wrong command line, a password that can neither be asked for nor
     read from an option, or a binary result for a terminal without --force
  3  a password file or descriptor cannot be read, ends before a line or is
     not UTF-8, the two entries of a password differ, or a prompt was ended
  4  the input file does not exist
  5  the input cannot be read (a folder, a device, standard input closed),
     or an .rtf input is not Rich Text Format
  6  a file name ends in neither .txt nor .rtf
  7  the text or a password holds a character the code page cannot hold,
     or a text to scramble holds code 0, or a message's password is empty
     or holds a carriage return
  8  the output cannot be written, or is not a regular file, or standard
     output or error is closed
  9  the disk is full
 10  decrypt: the password does not open the message
 11  decrypt: the message is damaged (its checksum does not match, it is
     cut short, or it is not OpenPGP data)
 12  decrypt: the message was changed after it was encrypted (its
     integrity check failed), or it has no integrity protection
 13  decrypt: no OpenPGP message was found in the input
 14  encrypt, decrypt: gpg (GnuPG) is not installed or cannot be started
 15  the part of the program that the run needs (for .rtf files, or for
     encrypt and decrypt) is missing or belongs to another version

Examples:
  quenzal-cli scramble letter.txt letter-scrambled.txt
  quenzal-cli unscramble --password-file ~/.first --no-second-password \
      < scrambled.txt > plain.txt
  quenzal-cli encrypt letter.txt letter.asc
  quenzal-cli decrypt --password-fd 3 reply.eml letter.txt 3< ~/.password
)";

Failure usage(const QString &message)
{
    return {UsageError,
            message + QStringLiteral(" (quenzal-cli --help lists the options and commands.)")};
}

// The options, in the order --help lists them. The command line is read here
// rather than by QCommandLineParser, whose code and symbols alone added some
// 0.4 MiB of Qt Core's pages to every run's peak memory, for the few rules the
// program needs: a long name with its value after "=" or as the next word, the
// short ones run together ("-hv"), options before, between and after the
// names, and "--" ending them.
namespace opt {
enum Id {
    Help,
    Version,
    FirstFile,
    FirstDescriptor,
    FirstNone,
    SecondFile,
    SecondDescriptor,
    SecondNone,
    Binary,
    CodePage,
    Force,
    Count
};
} // namespace opt

struct OptionSpec
{
    char shortName; // 0: none
    const char *name;
    const char *valueName; // nullptr: a switch
    const char *description;
};

constexpr OptionSpec kOptions[opt::Count] = {
    {'h', "help", nullptr, "Show this help and end."},
    {'v', "version", nullptr, "Show the version and end."},
    {0, "password-file", "file", "Read the first password from the first line of <file>."},
    {0, "password-fd", "n", "Read the first password as a line from file descriptor <n>."},
    {0, "no-password", nullptr, "The first password is empty."},
    {0, "second-password-file", "file", "Read the second password from the first line of <file>."},
    {0, "second-password-fd", "n", "Read the second password as a line from file descriptor <n>."},
    {0, "no-second-password", nullptr, "The second password is empty."},
    {0, "binary", nullptr, "encrypt: write a binary message rather than armoured text."},
    {0, "code-page", "n",
     "Read and write text in code page <n>: 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, "
     "1257 or 1258."},
    {0, "force", nullptr,
     "scramble, encrypt --binary: write the result to standard output also when it is a "
     "terminal."},
};

struct Positional
{
    const char *name;
    const char *description;
};

constexpr Positional kPositionals[] = {
    {"command", "scramble, unscramble, encrypt or decrypt."},
    {"input", "The text: a .txt or .rtf file (encrypt, decrypt: any file); standard input when "
              "left out or \"-\"."},
    {"output", "The result: a .txt or .rtf file (encrypt, decrypt: any file); standard output "
               "when left out or \"-\"."},
};

QString longName(opt::Id option)
{
    return QStringLiteral("--") + QLatin1String(kOptions[option].name);
}

// One row of the help: the names in a column `width` wide, the description
// beside them, wrapped at a word before the 80th column.
QString helpRow(const QString &names, qsizetype width, const QString &description)
{
    const qsizetype room = 79 - (2 + width + 1);
    QString text;
    QString label = names;
    for (qsizetype start = 0; start < description.size();) {
        qsizetype end = std::min(start + room, description.size());
        if (end < description.size()) {
            const qsizetype space = description.lastIndexOf(u' ', end);
            if (space > start)
                end = space;
        }
        text += QStringLiteral("  ") + label.leftJustified(width) + u' ';
        text += QStringView(description).sliced(start, end - start);
        text += u'\n';
        label.clear();
        start = end;
        while (start < description.size() && description[start] == u' ')
            ++start;
    }
    return text;
}

QString helpText()
{
    QStringList names;
    for (int id = 0; id < opt::Count; ++id) {
        const OptionSpec &option = kOptions[id];
        QString name = longName(opt::Id(id));
        if (option.shortName)
            name.prepend(QStringLiteral("-%1, ").arg(QLatin1Char(option.shortName)));
        if (option.valueName)
            name += QStringLiteral(" <%1>").arg(QLatin1String(option.valueName));
        names << name;
    }
    qsizetype width = 0;
    for (const QString &name : std::as_const(names))
        width = std::max(width, name.size());
    for (const Positional &positional : kPositionals)
        width = std::max(width, qsizetype(std::strlen(positional.name)));
    ++width; // a blank between the longest name and its description

    QString text = QStringLiteral(
        "Usage: quenzal-cli [options] command [input] [output]\n"
        "Scrambles or unscrambles a text with two passwords, byte for byte as Quenzal\n"
        "does, or encrypts or decrypts an OpenPGP password message.\n\nOptions:\n");
    for (int option = 0; option < opt::Count; ++option)
        text += helpRow(names[option], width, QLatin1String(kOptions[option].description));
    text += QStringLiteral("\nArguments:\n");
    for (const Positional &positional : kPositionals)
        text +=
            helpRow(QLatin1String(positional.name), width, QLatin1String(positional.description));
    return text + QLatin1String(kHelpEnd);
}

// The command line taken apart: which options were given, with their values
// in order, and the names.
struct CommandLine
{
    bool isSet[opt::Count] = {};
    QStringList values[opt::Count];
    QStringList names;
};

Result<CommandLine, Failure> split(const QStringList &arguments)
{
    CommandLine line;
    QString unknown; // the first unknown option, which is told first
    QString error;   // else the first other mistake
    bool onlyNames = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (onlyNames || argument.size() < 2 || argument[0] != u'-') {
            line.names << argument;
        } else if (argument == QLatin1String("--")) {
            onlyNames = true;
        } else if (argument[1] == u'-') {
            const qsizetype assign = argument.indexOf(u'=');
            const QStringView name =
                QStringView(argument).sliced(2, (assign < 0 ? argument.size() : assign) - 2);
            const auto *found = std::find_if(
                std::begin(kOptions), std::end(kOptions),
                [&](const OptionSpec &option) { return name == QLatin1String(option.name); });
            if (found == std::end(kOptions)) {
                if (unknown.isEmpty())
                    unknown = QStringLiteral("--") + name.toString();
                continue;
            }
            const auto option = opt::Id(found - std::begin(kOptions));
            line.isSet[option] = true;
            if (!found->valueName) {
                if (assign >= 0 && error.isEmpty())
                    error = QStringLiteral("Unexpected value after '%1'.").arg(longName(option));
            } else if (assign >= 0) {
                line.values[option] << argument.sliced(assign + 1);
            } else if (i + 1 < arguments.size()) {
                line.values[option] << arguments[++i];
            } else if (error.isEmpty()) {
                error = QStringLiteral("Missing value after '%1'.").arg(longName(option));
            }
        } else {
            // Short options, one letter each, run together.
            for (qsizetype at = 1; at < argument.size(); ++at) {
                const QChar letter = argument[at];
                if (letter == u'=' && at > 1) {
                    if (error.isEmpty())
                        error =
                            QStringLiteral("Unexpected value after '-%1'.").arg(argument[at - 1]);
                    break;
                }
                const auto *found = std::find_if(std::begin(kOptions), std::end(kOptions),
                                                 [&](const OptionSpec &option) {
                                                     return letter == QLatin1Char(option.shortName);
                                                 });
                if (found == std::end(kOptions)) {
                    if (unknown.isEmpty())
                        unknown = QStringLiteral("-") + letter;
                    continue;
                }
                line.isSet[found - std::begin(kOptions)] = true;
            }
        }
    }
    if (!unknown.isEmpty())
        return usage(QStringLiteral("Unknown option \"%1\".").arg(shownName(unknown)));
    if (!error.isEmpty())
        return usage(error);
    return line;
}

// The source of one password from its three options; a failure when more
// than one is given.
Result<PasswordSource> passwordSource(const CommandLine &line, opt::Id file, opt::Id descriptor,
                                      opt::Id none)
{
    const int given = int(line.isSet[file]) + int(line.isSet[descriptor]) + int(line.isSet[none]);
    if (given > 1 || line.values[file].size() > 1 || line.values[descriptor].size() > 1)
        return Result<PasswordSource>::failure(
            QStringLiteral("Give each password one way only: %1, %2 or %3.")
                .arg(longName(file), longName(descriptor), longName(none)));
    PasswordSource source;
    if (line.isSet[file]) {
        source.kind = PasswordSource::Kind::File;
        source.file = line.values[file].constFirst();
    } else if (line.isSet[descriptor]) {
        bool ok = false;
        const QString &number = line.values[descriptor].constFirst();
        source.kind = PasswordSource::Kind::Descriptor;
        source.descriptor = number.toInt(&ok);
        if (!ok || source.descriptor < 0)
            return Result<PasswordSource>::failure(
                QStringLiteral("%1 takes a file descriptor number, not \"%2\".")
                    .arg(longName(descriptor), shownName(number)));
    } else if (line.isSet[none]) {
        source.kind = PasswordSource::Kind::Empty;
    }
    return source;
}

} // namespace

Result<std::variant<Options, Information>, Failure> parseArguments(const QStringList &arguments)
{
    using Parsed = std::variant<Options, Information>;
    const auto taken = split(arguments);
    if (!taken)
        return taken.error();
    const CommandLine &line = *taken;
    if (line.isSet[opt::Help])
        return Parsed(Information{helpText()});
    if (line.isSet[opt::Version])
        return Parsed(Information{
            QStringLiteral("quenzal-cli " QUENZAL_VERSION "\n"
                           "Copyright (C) 2026 Brindlecove.\n"
                           "License GPLv3+: GNU GPL version 3 or later "
                           "<https://gnu.org/licenses/gpl.html>.\n"
                           "This is free software: you are free to change and redistribute it.\n"
                           "There is NO WARRANTY, to the extent permitted by law.\n")});

    const QStringList &names = line.names;
    if (names.isEmpty())
        return usage(QStringLiteral("Say what to do: scramble, unscramble, encrypt or decrypt."));
    Options options;
    using Command = Options::Command;
    if (names[0] == QLatin1String("scramble"))
        options.command = Command::Scramble;
    else if (names[0] == QLatin1String("unscramble"))
        options.command = Command::Unscramble;
    else if (names[0] == QLatin1String("encrypt"))
        options.command = Command::Encrypt;
    else if (names[0] == QLatin1String("decrypt"))
        options.command = Command::Decrypt;
    else
        return usage(QStringLiteral("Unknown command \"%1\": use scramble, unscramble, encrypt "
                                    "or decrypt.")
                         .arg(shownName(names[0])));
    options.scramble = options.command == Command::Scramble;
    const bool message = options.command == Command::Encrypt || options.command == Command::Decrypt;
    options.binary = line.isSet[opt::Binary];
    options.force = line.isSet[opt::Force];
    if (options.binary && options.command != Command::Encrypt)
        return usage(QStringLiteral("--binary is for encrypt only."));
    if (message) {
        for (const opt::Id cipherOnly :
             {opt::FirstNone, opt::SecondFile, opt::SecondDescriptor, opt::SecondNone}) {
            if (line.isSet[cipherOnly])
                return usage(QStringLiteral("%1 is for scramble and unscramble: %2 takes one "
                                            "password, never empty.")
                                 .arg(longName(cipherOnly), names[0]));
        }
    }
    if (names.size() > 3)
        return usage(QStringLiteral("Too many names: one input and one output at most."));
    if (names.contains(QString()))
        return usage(QStringLiteral("An empty file name: use \"-\" for standard input or output."));
    const auto named = [](const QString &name) { return name == u'-' ? QString() : name; };
    options.input = names.size() > 1 ? named(names[1]) : QString();
    options.output = names.size() > 2 ? named(names[2]) : QString();

    const auto first = passwordSource(line, opt::FirstFile, opt::FirstDescriptor, opt::FirstNone);
    if (!first)
        return usage(first.error());
    const auto second =
        passwordSource(line, opt::SecondFile, opt::SecondDescriptor, opt::SecondNone);
    if (!second)
        return usage(second.error());
    options.first = *first;
    options.second = *second;
    if (message && line.isSet[opt::CodePage])
        return usage(QStringLiteral("--code-page is for scramble and unscramble: %1 reads and "
                                    "writes bytes.")
                         .arg(names[0]));
    if (line.isSet[opt::CodePage]) {
        bool ok = false;
        options.codePage = line.values[opt::CodePage].constFirst().toInt(&ok);
        if (!ok || !CodePage::isKnown(options.codePage) || line.values[opt::CodePage].size() > 1)
            return usage(QStringLiteral("--code-page takes one of 874, 1250, 1251, 1252, 1253, "
                                        "1254, 1255, 1256, 1257 and 1258, not \"%1\".")
                             .arg(shownName(line.values[opt::CodePage].join(u' '))));
    }
    for (const PasswordSource *source : {&options.first, &options.second}) {
        if (options.input.isEmpty() && source->kind == PasswordSource::Kind::Descriptor &&
            source->descriptor == 0)
            return usage(QStringLiteral("Standard input holds the text: read the passwords from "
                                        "another descriptor or a file."));
    }
    return Parsed(options);
}

} // namespace quenzal::cli
