#include "Command.h"
#include "MessageCommand.h"
#include "Options.h"
#include "Terminal.h"
#include "base/VisibleText.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <cstdio>
#include <optional>

using namespace quenzal::cli;

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Every message goes out here, with what it names (file names, characters,
// the command line's words) shown visibly, so that it cannot hide or reorder
// the rest.
int fail(const Failure &failure)
{
    print(stderr, QStringLiteral("quenzal-cli: %1\n").arg(quenzal::visibleText(failure.message)));
    return failure.status;
}

// A closed standard stream would be taken by the next file opened (Qt's own
// descriptors among them), and the result or a message would go there.
int refuseClosedStream(int stream)
{
    const char *const messages[] = {
        "quenzal-cli: Standard input is closed: open it, or give it nothing with </dev/null.\n",
        "quenzal-cli: Standard output is closed: open it, or throw the result away with "
        ">/dev/null.\n",
        "quenzal-cli: Standard error is closed: open it, or throw the messages away with "
        "2>/dev/null.\n"};
    std::fputs(messages[stream], stderr);
    return stream == 0 ? InputUnreadable : OutputUnwritable;
}

// An argument that is not UTF-8 (a file name, say) would reach the program
// changed, and name another file or none.
std::optional<Failure> refuseNonUtf8(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString argument = utf8(QByteArrayView(argv[i]));
        if (utf8.hasError())
            return Failure{UsageError,
                           QStringLiteral("The command line holds \"%1\", which is not UTF-8 "
                                          "(U+FFFD stands for its other bytes): name files and "
                                          "options in UTF-8, renaming a file if need be.")
                               .arg(argument)};
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) // NOLINT(bugprone-exception-escape): std::get cannot throw
{
    if (const int closed = terminal::closedStandardStream(); closed >= 0)
        return refuseClosedStream(closed);
    // No window system: Qt Core, with Qt Gui's text documents for Rich Text
    // Format, runs without any display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenzal-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENZAL_VERSION));
    terminal::useBinaryStandardStreams();
    if (const auto failure = refuseNonUtf8(argc, argv))
        return fail(*failure);

    const auto parsed = parseArguments(QCoreApplication::arguments());
    if (const auto *failure = std::get_if<Failure>(&parsed))
        return fail(*failure);
    if (const auto *information = std::get_if<Information>(&parsed)) {
        print(stdout, information->text);
        return Success;
    }
    const auto &options = std::get<Options>(parsed);
    const bool message = options.command == Options::Command::Encrypt ||
                         options.command == Options::Command::Decrypt;
    if (const auto failure = message ? runMessageCommand(options) : runCommand(options))
        return fail(*failure);
    return Success;
}
