#include "Terminal.h"

#include <QtGlobal>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <termios.h>
#include <unistd.h>
#endif

namespace quenzal::cli::terminal {
namespace {

// A password line longer than this is refused rather than read on without end
// (a password file that is not one, say).
constexpr qsizetype kLongestLine = 1 << 20;

int readByte(int descriptor, char *byte)
{
#ifdef Q_OS_WIN
    return _read(descriptor, byte, 1);
#else
    int n;
    do
        n = int(::read(descriptor, byte, 1));
    while (n < 0 && errno == EINTR);
    return n;
#endif
}

#ifndef Q_OS_WIN
// The terminal's settings while a password is typed, to put back when a
// signal ends the program before the line is complete.
termios g_saved;

void restoreAndRaise(int signal)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

// Echo off on standard input's terminal for as long as it lives.
class HiddenInput
{
public:
    HiddenInput()
    {
#ifdef Q_OS_WIN
        m_console = GetStdHandle(STD_INPUT_HANDLE);
        m_hidden = GetConsoleMode(m_console, &m_mode) &&
                   SetConsoleMode(m_console, m_mode & ~DWORD(ENABLE_ECHO_INPUT));
#else
        if (tcgetattr(STDIN_FILENO, &g_saved) != 0)
            return;
        termios quiet = g_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL; // the line's end still shows
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            m_handlers[i] = std::signal(kSignals[i], restoreAndRaise);
        m_hidden = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
#endif
    }

    ~HiddenInput()
    {
#ifdef Q_OS_WIN
        if (m_hidden) {
            SetConsoleMode(m_console, m_mode);
            std::fputs("\n", stderr);
        }
#else
        if (m_hidden)
            tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            if (m_handlers[i])
                std::signal(kSignals[i], m_handlers[i]);
#endif
    }

    HiddenInput(const HiddenInput &) = delete;
    HiddenInput &operator=(const HiddenInput &) = delete;

private:
    bool m_hidden = false;
#ifdef Q_OS_WIN
    HANDLE m_console = nullptr;
    DWORD m_mode = 0;
#else
    static constexpr std::array<int, 5> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
    std::array<void (*)(int), 5> m_handlers{};
#endif
};

} // namespace

void useBinaryStandardStreams()
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool isTerminal(int descriptor)
{
#ifdef Q_OS_WIN
    return _isatty(descriptor);
#else
    return isatty(descriptor);
#endif
}

std::optional<QByteArray> readLine(int descriptor, QString *error)
{
    QByteArray line;
    char byte = 0;
    for (;;) {
        const int n = readByte(descriptor, &byte);
        if (n < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return std::nullopt;
        }
        if (n == 0 || byte == '\n')
            break;
        if (line.size() == kLongestLine) {
            *error = QStringLiteral("the line is longer than %1 bytes").arg(kLongestLine);
            return std::nullopt;
        }
        line += byte;
    }
    if (byte == '\n' && line.endsWith('\r'))
        line.chop(1);
    return line;
}

std::optional<QByteArray> readHidden(const QString &prompt, QString *error)
{
    // Echo goes off before the prompt shows, so that nothing typed after it
    // is shown or thrown away.
    const HiddenInput hidden;
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    return readLine(0, error);
}

} // namespace quenzal::cli::terminal
