#include "Options.h"

#include "engine/CodePage.h"
#include "platform/files/FileNames.h"

#include <QCommandLineParser>
#include <QCoreApplication>

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

// The source of one password from its three options; a failure when more
// than one is given.
Result<PasswordSource> passwordSource(const QCommandLineParser &parser,
                                      const QCommandLineOption &file,
                                      const QCommandLineOption &descriptor,
                                      const QCommandLineOption &none)
{
    const int given =
        int(parser.isSet(file)) + int(parser.isSet(descriptor)) + int(parser.isSet(none));
    if (given > 1 || parser.values(file).size() > 1 || parser.values(descriptor).size() > 1)
        return Result<PasswordSource>::failure(
            QStringLiteral("Give each password one way only: --%1, --%2 or --%3.")
                .arg(file.names().constFirst(), descriptor.names().constFirst(),
                     none.names().constFirst()));
    PasswordSource source;
    if (parser.isSet(file)) {
        source.kind = PasswordSource::Kind::File;
        source.file = parser.value(file);
    } else if (parser.isSet(descriptor)) {
        bool ok = false;
        source.kind = PasswordSource::Kind::Descriptor;
        source.descriptor = parser.value(descriptor).toInt(&ok);
        if (!ok || source.descriptor < 0)
            return Result<PasswordSource>::failure(
                QStringLiteral("--%1 takes a file descriptor number, not \"%2\".")
                    .arg(descriptor.names().constFirst(), shownName(parser.value(descriptor))));
    } else if (parser.isSet(none)) {
        source.kind = PasswordSource::Kind::Empty;
    }
    return source;
}

} // namespace

Result<std::variant<Options, Information>, Failure> parseArguments(const QStringList &arguments)
{
    using Parsed = std::variant<Options, Information>;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Scrambles or unscrambles a text with two passwords, byte for byte as Quenzal does,\n"
        "or encrypts or decrypts an OpenPGP password message."));
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
    const QCommandLineOption binary(
        QStringLiteral("binary"),
        QStringLiteral("encrypt: write a binary message rather than armoured text."));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("scramble, encrypt --binary: write the result to standard output also when "
                       "it is a terminal."));
    parser.addOptions({help, version, firstFile, firstDescriptor, firstNone, secondFile,
                       secondDescriptor, secondNone, binary, codePage, force});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("scramble, unscramble, encrypt or decrypt."));
    parser.addPositionalArgument(
        QStringLiteral("input"),
        QStringLiteral("The text: a .txt or .rtf file (encrypt, decrypt: any file); standard "
                       "input when left out or \"-\"."),
        QStringLiteral("[input]"));
    parser.addPositionalArgument(
        QStringLiteral("output"),
        QStringLiteral("The result: a .txt or .rtf file (encrypt, decrypt: any file); standard "
                       "output when left out or \"-\"."),
        QStringLiteral("[output]"));

    if (!parser.parse(arguments)) {
        // The parser names an unknown option without its dashes.
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
            const QString &name = unknown.constFirst();
            const bool longName =
                name.size() > 1 || arguments.contains(QStringLiteral("--") + name);
            return usage(
                QStringLiteral("Unknown option \"%1%2\".")
                    .arg(longName ? QStringLiteral("--") : QStringLiteral("-"), shownName(name)));
        }
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
        return Parsed(Information{text + QLatin1String(kHelpEnd)});
    }
    if (parser.isSet(version))
        return Parsed(Information{
            QStringLiteral("quenzal-cli %1\n"
                           "Copyright (C) 2026 Brindlecove.\n"
                           "License GPLv3+: GNU GPL version 3 or later "
                           "<https://gnu.org/licenses/gpl.html>.\n"
                           "This is free software: you are free to change and redistribute it.\n"
                           "There is NO WARRANTY, to the extent permitted by law.\n")
                .arg(QCoreApplication::applicationVersion())});

    const QStringList names = parser.positionalArguments();
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
    options.binary = parser.isSet(binary);
    options.force = parser.isSet(force);
    if (options.binary && options.command != Command::Encrypt)
        return usage(QStringLiteral("--binary is for encrypt only."));
    if (message) {
        for (const QCommandLineOption *cipherOnly :
             {&firstNone, &secondFile, &secondDescriptor, &secondNone}) {
            if (parser.isSet(*cipherOnly))
                return usage(QStringLiteral("--%1 is for scramble and unscramble: %2 takes one "
                                            "password, never empty.")
                                 .arg(cipherOnly->names().constFirst(), names[0]));
        }
    }
    if (names.size() > 3)
        return usage(QStringLiteral("Too many names: one input and one output at most."));
    if (names.contains(QString()))
        return usage(QStringLiteral("An empty file name: use \"-\" for standard input or output."));
    const auto named = [](const QString &name) { return name == u'-' ? QString() : name; };
    options.input = names.size() > 1 ? named(names[1]) : QString();
    options.output = names.size() > 2 ? named(names[2]) : QString();

    const auto first = passwordSource(parser, firstFile, firstDescriptor, firstNone);
    if (!first)
        return usage(first.error());
    const auto second = passwordSource(parser, secondFile, secondDescriptor, secondNone);
    if (!second)
        return usage(second.error());
    options.first = *first;
    options.second = *second;
    if (message && parser.isSet(codePage))
        return usage(QStringLiteral("--code-page is for scramble and unscramble: %1 reads and "
                                    "writes bytes.")
                         .arg(names[0]));
    if (parser.isSet(codePage)) {
        bool ok = false;
        options.codePage = parser.value(codePage).toInt(&ok);
        if (!ok || !CodePage::isKnown(options.codePage) || parser.values(codePage).size() > 1)
            return usage(QStringLiteral("--code-page takes one of 874, 1250, 1251, 1252, 1253, "
                                        "1254, 1255, 1256, 1257 and 1258, not \"%1\".")
                             .arg(shownName(parser.values(codePage).join(u' '))));
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
