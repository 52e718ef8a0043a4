#include "Command.h"
#include "Modules.h"
#include "Options.h"
#include "Terminal.h"
#include "base/VisibleText.h"
#include "platform/files/FileNames.h"

#include <QCoreApplication>
#include <QStringList>

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

// The command line as the system gives it: a file name need not be UTF-8,
// and Qt's own arguments() would change its other bytes.
QStringList commandLine(int argc, char *argv[])
{
#ifdef Q_OS_UNIX
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << quenzal::nameFromSystem(argv[i]);
    return arguments;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments();
#endif
}

// Encrypt or decrypt, through the module that speaks OpenPGP.
quenzal::Result<void, Failure> runMessageCommand(const Options &options)
{
    const auto module = messageModule();
    if (!module)
        return module.error();
    return (*module)->runMessageCommand(options);
}

} // namespace

int main(int argc, char *argv[]) // NOLINT(bugprone-exception-escape): std::get cannot throw
{
    if (const int closed = terminal::closedStandardStream(); closed >= 0)
        return refuseClosedStream(closed);
    // No window system: Qt Core, and Qt Gui's text documents for Rich Text
    // Format in their module, run without any display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenzal-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENZAL_VERSION));
    terminal::useBinaryStandardStreams();

    const auto parsed = parseArguments(commandLine(argc, argv));
    if (!parsed)
        return fail(parsed.error());
    if (const auto *information = std::get_if<Information>(&*parsed)) {
        print(stdout, information->text);
        return Success;
    }
    const auto &options = std::get<Options>(*parsed);
    const bool message = options.command == Options::Command::Encrypt ||
                         options.command == Options::Command::Decrypt;
    if (const auto done = message ? runMessageCommand(options) : runCommand(options); !done)
        return fail(done.error());
    return Success;
}
