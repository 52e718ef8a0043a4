#include "Passwords.h"

#include "Terminal.h"
#include "messages/SecureClear.h"

#include <QFile>

namespace quenzal::cli {
namespace {

// The password's bytes as read. `which` names it in messages ("first "), and
// `prompt` is asked on the terminal.
std::variant<QByteArray, Failure> readPassword(const PasswordSource &source, const QString &which,
                                               const QString &prompt, bool canAsk,
                                               const QString &whyNot, const QString &options)
{
    QString error;
    std::optional<QByteArray> line;
    switch (source.kind) {
    case PasswordSource::Kind::Empty:
        return QByteArray();
    case PasswordSource::Kind::Prompt:
        if (!canAsk)
            return Failure{UsageError, QStringLiteral("No %1password: %2 to ask for it; give %3.")
                                           .arg(which, whyNot, options)};
        line = terminal::readHidden(prompt, &error);
        if (!line)
            return Failure{
                PasswordUnreadable,
                couldNot(QStringLiteral("read the %1password from the terminal").arg(which),
                         error)};
        break;
    case PasswordSource::Kind::File: {
        QFile file(source.file);
        if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            line = terminal::readLine(file.handle(), &error);
        else
            error = file.errorString();
        if (!line)
            return Failure{
                PasswordUnreadable,
                couldNot(QStringLiteral("read the %1password from \"%2\"").arg(which, source.file),
                         error)};
        break;
    }
    case PasswordSource::Kind::Descriptor:
        line = terminal::readLine(source.descriptor, &error);
        if (!line)
            return Failure{PasswordUnreadable,
                           couldNot(QStringLiteral("read the %1password from descriptor %2")
                                        .arg(which)
                                        .arg(source.descriptor),
                                    error)};
        break;
    }
    return std::move(*line);
}

bool canAskOnTerminal(const Options &options)
{
    return !options.input.isEmpty() && terminal::isTerminal(0);
}

QString whyNoTerminal(const Options &options)
{
    return options.input.isEmpty()
               ? QStringLiteral("the text comes from standard input, so there is no terminal")
               : QStringLiteral("standard input is not a terminal");
}

} // namespace

std::variant<Passwords, Failure> readPasswords(const Options &options)
{
    const bool canAsk = canAskOnTerminal(options);
    const QString whyNot = whyNoTerminal(options);
    auto first = readPassword(options.first, QStringLiteral("first "),
                              QStringLiteral("First password: "), canAsk, whyNot,
                              QStringLiteral("--password-file, --password-fd or --no-password"));
    if (auto *failure = std::get_if<Failure>(&first))
        return *failure;
    auto second = readPassword(
        options.second, QStringLiteral("second "), QStringLiteral("Second password: "), canAsk,
        whyNot,
        QStringLiteral("--second-password-file, --second-password-fd or --no-second-password"));
    if (auto *failure = std::get_if<Failure>(&second))
        return *failure;
    return Passwords{QString::fromLocal8Bit(std::get<QByteArray>(first)),
                     QString::fromLocal8Bit(std::get<QByteArray>(second))};
}

std::variant<QByteArray, Failure> readMessagePassword(const Options &options, bool twice)
{
    const bool canAsk = canAskOnTerminal(options);
    const QString whyNot = whyNoTerminal(options);
    const QString ways = QStringLiteral("--password-file or --password-fd");
    auto password =
        readPassword(options.first, QString(), QStringLiteral("Password: "), canAsk, whyNot, ways);
    if (auto *failure = std::get_if<Failure>(&password))
        return *failure;
    if (!twice || options.first.kind != PasswordSource::Kind::Prompt)
        return password;
    auto again = readPassword(options.first, QString(), QStringLiteral("Password again: "), canAsk,
                              whyNot, ways);
    if (auto *failure = std::get_if<Failure>(&again))
        return *failure;
    QByteArray &repeated = std::get<QByteArray>(again);
    const bool same = repeated == std::get<QByteArray>(password);
    messages::secureClear(repeated);
    if (!same) {
        messages::secureClear(std::get<QByteArray>(password));
        return Failure{PasswordUnreadable,
                       QStringLiteral("The two passwords differ: nothing was encrypted.")};
    }
    return password;
}

} // namespace quenzal::cli
