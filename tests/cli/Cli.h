#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

namespace quenzal::test {

constexpr int kPatience = 30000;

// A pseudo-terminal, to be the program's terminal: typing on it, and what
// the program shows on it.
struct PseudoTerminal
{
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    QByteArray shown;

    PseudoTerminal()
    {
        if (grantpt(master) != 0 || unlockpt(master) != 0) {
            ::close(master);
            master = -1;
        }
    }
    ~PseudoTerminal() { ::close(master); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QByteArray name() const { return ptsname(master); }
    // Whether what was shown so far ends with `text`.
    bool showsLast(const QByteArray &text)
    {
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, n);
        return shown.endsWith(text);
    }
    bool type(const QByteArray &text)
    {
        return ::write(master, text.constData(), size_t(text.size())) == text.size();
    }
};

// quenzal-cli, started with no display of any kind, in a session of its own
// with no terminal unless it is given one.
struct Cli
{
    QProcess process;
    // Run in the program's process before it starts.
    std::function<void()> childSetup;
    // The name of the program's terminal, if it has one.
    QByteArray terminal;

    explicit Cli(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(QUENZAL_CLI));
        process.setArguments(arguments);
        process.setChildProcessModifier([this] {
            ::setsid();
            if (!terminal.isEmpty()) {
                // Opened by the leader of a session, it becomes its terminal.
                const int opened = ::open(terminal.constData(), O_RDWR);
                if (opened < 0 || ::ioctl(opened, TIOCSCTTY, 0) != 0)
                    std::_Exit(127);
                ::close(opened);
            }
            if (childSetup)
                childSetup();
        });
    }

    // Runs to the end with `input` on standard input; false when it does not end.
    bool run(const QByteArray &input = {})
    {
        process.start();
        if (!process.waitForStarted(kPatience))
            return false;
        if (!input.isEmpty())
            process.write(input);
        process.closeWriteChannel();
        return process.waitForFinished(kPatience);
    }

    QByteArray output() { return process.readAllStandardOutput(); }
    QString errors() { return QString::fromUtf8(process.readAllStandardError()); }
};

} // namespace quenzal::test
