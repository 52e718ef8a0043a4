#include "Passwords.h"

#include "Terminal.h"

#include <QFile>

namespace quenzal::cli {
namespace {

std::variant<QString, Failure> readPassword(const PasswordSource &source, const QString &which,
                                            bool canAsk, const QString &whyNot,
                                            const QString &options)
{
    QString error;
    std::optional<QByteArray> line;
    switch (source.kind) {
    case PasswordSource::Kind::Empty:
        return QString();
    case PasswordSource::Kind::Prompt:
        if (!canAsk)
            return Failure{UsageError, QStringLiteral("No %1 password: %2 to ask for it; give %3.")
                                           .arg(which, whyNot, options)};
        line = terminal::readHidden(
            which.at(0).toUpper() + which.mid(1) + QStringLiteral(" password: "), &error);
        if (!line)
            return Failure{
                PasswordUnreadable,
                couldNot(QStringLiteral("read the %1 password from the terminal").arg(which),
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
                couldNot(QStringLiteral("read the %1 password from \"%2\"").arg(which, source.file),
                         error)};
        break;
    }
    case PasswordSource::Kind::Descriptor:
        line = terminal::readLine(source.descriptor, &error);
        if (!line)
            return Failure{PasswordUnreadable,
                           couldNot(QStringLiteral("read the %1 password from descriptor %2")
                                        .arg(which)
                                        .arg(source.descriptor),
                                    error)};
        break;
    }
    return QString::fromLocal8Bit(*line);
}

} // namespace

std::variant<Passwords, Failure> readPasswords(const Options &options)
{
    const bool textOnInput = options.input.isEmpty();
    const bool canAsk = !textOnInput && terminal::isTerminal(0);
    const QString whyNot = textOnInput ? QStringLiteral("the text comes from standard input, so "
                                                        "there is no terminal")
                                       : QStringLiteral("standard input is not a terminal");
    Passwords passwords;
    auto first = readPassword(options.first, QStringLiteral("first"), canAsk, whyNot,
                              QStringLiteral("--password-file, --password-fd or --no-password"));
    if (auto *failure = std::get_if<Failure>(&first))
        return *failure;
    auto second = readPassword(
        options.second, QStringLiteral("second"), canAsk, whyNot,
        QStringLiteral("--second-password-file, --second-password-fd or --no-second-password"));
    if (auto *failure = std::get_if<Failure>(&second))
        return *failure;
    return Passwords{std::get<QString>(first), std::get<QString>(second)};
}

} // namespace quenzal::cli
