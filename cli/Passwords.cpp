#include "Passwords.h"

#include "Terminal.h"
#include "messages/SecureClear.h"
#include "platform/files/FileNames.h"

#include <QFile>
#include <QStringDecoder>

namespace quenzal::cli {
namespace {

// How one password is named and asked for.
struct Asking
{
    QString which;   // "first " in "the first password", or nothing
    QString prompt;  // "First password"
    QString options; // the options that give it instead
    QString empty;   // the option that gives it empty, if any
    bool text;       // read as UTF-8 text, not as bytes
};

QString pastTense(Options::Command command)
{
    switch (command) {
    case Options::Command::Scramble:
        return QStringLiteral("scrambled");
    case Options::Command::Unscramble:
        return QStringLiteral("unscrambled");
    case Options::Command::Encrypt:
        return QStringLiteral("encrypted");
    case Options::Command::Decrypt:
        break;
    }
    return QStringLiteral("decrypted");
}

// A source that ended before giving a line is no password, not an empty one.
QString endedEarly(QString reason, const Asking &asking)
{
    if (!asking.empty.isEmpty())
        reason += QStringLiteral(" (an empty password is given with %1)").arg(asking.empty);
    return reason;
}

// One entry of the password from its source, as the bytes read.
Result<QByteArray, Failure> readOnce(const PasswordSource &source, terminal::Prompt &terminal,
                                     const Asking &asking, const QString &prompt,
                                     Options::Command command)
{
    using Read = Result<terminal::Line>;
    Read line = Read::failure(QString());
    QString from;
    switch (source.kind) {
    case PasswordSource::Kind::Empty:
        return QByteArray();
    case PasswordSource::Kind::Prompt:
        if (!terminal.isOpen())
            return Failure{UsageError,
                           QStringLiteral("No %1password: there is no terminal to ask for it on; "
                                          "give %2.")
                               .arg(asking.which, asking.options)};
        from = QStringLiteral("the terminal");
        line = terminal.ask(prompt);
        if (line && !line->ended)
            return Failure{PasswordUnreadable,
                           QStringLiteral("The %1password was not typed (the input ended): "
                                          "nothing was %2.")
                               .arg(asking.which, pastTense(command))};
        break;
    case PasswordSource::Kind::File: {
        from = quotedName(source.file);
        QFile file;
        if (const auto opened = openForReading(file, source.file); !opened)
            line = Read::failure(opened.error());
        else
            line = terminal::readLine(file.handle());
        if (line && !line->ended && line->bytes.isEmpty())
            line = Read::failure(endedEarly(QStringLiteral("It is empty"), asking));
        break;
    }
    case PasswordSource::Kind::Descriptor:
        from = QStringLiteral("descriptor %1").arg(source.descriptor);
        line = terminal::readLine(source.descriptor);
        if (line && !line->ended && line->bytes.isEmpty())
            line = Read::failure(endedEarly(QStringLiteral("It ended before a line"), asking));
        break;
    }
    if (line && asking.text) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        [[maybe_unused]] const QString text = utf8(line->bytes);
        if (utf8.hasError()) {
            messages::secureClear(line->bytes);
            line = Read::failure(QStringLiteral("It is not UTF-8 text, as passwords are read"));
        }
    }
    if (!line)
        return Failure{
            PasswordUnreadable,
            couldNot(QStringLiteral("read the %1password from %2").arg(asking.which, from),
                     line.error())};
    return std::move(line->bytes);
}

// The password, asked for twice on the terminal when `twice`: the two
// entries must be the same.
Result<QByteArray, Failure> readPassword(const PasswordSource &source, terminal::Prompt &terminal,
                                         const Asking &asking, bool twice, Options::Command command)
{
    auto password =
        readOnce(source, terminal, asking, asking.prompt + QStringLiteral(": "), command);
    if (!password || !twice || source.kind != PasswordSource::Kind::Prompt)
        return password;
    auto again =
        readOnce(source, terminal, asking, asking.prompt + QStringLiteral(" again: "), command);
    if (!again) {
        messages::secureClear(*password);
        return again;
    }
    QByteArray &repeated = *again;
    const bool same = repeated == *password;
    messages::secureClear(repeated);
    if (!same) {
        messages::secureClear(*password);
        return Failure{PasswordUnreadable,
                       QStringLiteral("The two entries of the %1password differ: nothing was %2.")
                           .arg(asking.which, pastTense(command))};
    }
    return password;
}

} // namespace

Result<Passwords, Failure> readPasswords(const Options &options)
{
    terminal::Prompt terminal;
    const bool twice = options.command == Options::Command::Scramble;
    const Asking first{QStringLiteral("first "), QStringLiteral("First password"),
                       QStringLiteral("--password-file, --password-fd or --no-password"),
                       QStringLiteral("--no-password"), true};
    const Asking second{
        QStringLiteral("second "), QStringLiteral("Second password"),
        QStringLiteral("--second-password-file, --second-password-fd or --no-second-password"),
        QStringLiteral("--no-second-password"), true};
    const auto one = readPassword(options.first, terminal, first, twice, options.command);
    if (!one)
        return one.error();
    const auto two = readPassword(options.second, terminal, second, twice, options.command);
    if (!two)
        return two.error();
    return Passwords{QString::fromUtf8(*one), QString::fromUtf8(*two)};
}

Result<QByteArray, Failure> readMessagePassword(const Options &options)
{
    terminal::Prompt terminal;
    const Asking asking{QString(), QStringLiteral("Password"),
                        QStringLiteral("--password-file or --password-fd"), QString(), false};
    return readPassword(options.first, terminal, asking,
                        options.command == Options::Command::Encrypt, options.command);
}

} // namespace quenzal::cli
