#include "Command.h"
#include "MessageCommand.h"
#include "Options.h"
#include "Terminal.h"
#include "base/VisibleText.h"

#include <QCoreApplication>

#include <cstdio>

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

} // namespace

int main(int argc, char *argv[])
{
    // No window system: Qt Core, with Qt Gui's text documents for Rich Text
    // Format, runs without any display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenzal-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENZAL_VERSION));
    terminal::useBinaryStandardStreams();

    const auto parsed = parseArguments(QCoreApplication::arguments());
    if (const auto *failure = std::get_if<Failure>(&parsed))
        return fail(*failure);
    if (const auto *information = std::get_if<Information>(&parsed)) {
        print(stdout, information->text);
        return Success;
    }
    const Options &options = std::get<Options>(parsed);
    const bool message = options.command == Options::Command::Encrypt ||
                         options.command == Options::Command::Decrypt;
    if (const auto failure = message ? runMessageCommand(options) : runCommand(options))
        return fail(*failure);
    return Success;
}
