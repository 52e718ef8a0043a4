#include "Terminal.h"

#include <QtGlobal>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace quenzal::cli::terminal {
namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Adds `byte` to `line`, or says why not.
Result<void> take(Line &line, char byte)
{
    if (line.bytes.size() == kLongestLine)
        return Result<void>::failure(
            QStringLiteral("the line is longer than %1 bytes").arg(kLongestLine));
    line.bytes += byte;
    return {};
}

void endLine(Line &line)
{
    line.ended = true;
    if (line.bytes.endsWith('\r'))
        line.bytes.chop(1);
}

#ifndef Q_OS_WIN
// The one hidden read at a time, for the signal handlers: its terminal, the
// terminal's settings to put back, and whether the program was stopped and
// continued meanwhile.
int g_hiddenDescriptor = -1;
termios g_saved;
volatile sig_atomic_t g_continued = 0;

// A signal that ends the program puts the terminal back first.
void restoreAndRaise(int signal)
{
    tcsetattr(g_hiddenDescriptor, TCSANOW, &g_saved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Ctrl-Z: the terminal goes back as it was for the shell while the program
// is stopped; once continued, the question starts again.
void stopAndContinue(int)
{
    const int saved = errno;
    tcsetattr(g_hiddenDescriptor, TCSANOW, &g_saved);
    struct sigaction stop = {}, ours = {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTSTP, &stop, &ours);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
    std::raise(SIGTSTP); // stops here until continued
    sigprocmask(SIG_BLOCK, &tstp, nullptr);
    sigaction(SIGTSTP, &ours, nullptr);
    g_continued = 1;
    errno = saved;
}

// Continued after any other stop.
void noteContinued(int)
{
    g_continued = 1;
}

// A terminal descriptor with echo off (the line's end still shows) for as
// long as it lives, put back also when a signal ends the program. Stopping
// and continuing is only noted: the stop and continue signals are held
// except while waiting for a key, so that none is missed between a check and
// the wait.
class HiddenInput
{
public:
    explicit HiddenInput(int descriptor) : m_descriptor(descriptor)
    {
        if (tcgetattr(descriptor, &g_saved) != 0)
            return;
        g_hiddenDescriptor = descriptor;
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGTSTP);
        sigaddset(&held, SIGCONT);
        sigprocmask(SIG_BLOCK, &held, &m_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            struct sigaction action = {};
            sigemptyset(&action.sa_mask);
            // No SA_RESTART: a wait for a key ends on every signal.
            action.sa_handler = kSignals[i] == SIGTSTP   ? stopAndContinue
                                : kSignals[i] == SIGCONT ? noteContinued
                                                         : restoreAndRaise;
            sigaction(kSignals[i], &action, &m_actions[i]);
        }
        m_terminal = true;
    }

    ~HiddenInput()
    {
        if (!m_terminal)
            return;
        tcsetattr(m_descriptor, TCSANOW, &g_saved);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_actions[i], nullptr);
        sigprocmask(SIG_SETMASK, &m_mask, nullptr);
        g_hiddenDescriptor = -1;
    }

    HiddenInput(const HiddenInput &) = delete;
    HiddenInput &operator=(const HiddenInput &) = delete;

    // Echo off; with `afresh`, what was typed before is thrown away.
    void hide(bool afresh) const
    {
        if (!m_terminal)
            return;
        termios quiet = g_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(m_descriptor, afresh ? TCSAFLUSH : TCSANOW, &quiet);
    }

    // Waits until a byte can be read, with the stop and continue signals let
    // through; false when a signal came first.
    bool waitForKey() const
    {
        if (!m_terminal)
            return true;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_descriptor, &readable);
        return pselect(m_descriptor + 1, &readable, nullptr, nullptr, nullptr, &m_mask) > 0;
    }

private:
    static constexpr std::array<int, 6> kSignals = {SIGINT,  SIGTERM, SIGHUP,
                                                    SIGQUIT, SIGTSTP, SIGCONT};
    int m_descriptor;
    bool m_terminal = false;
    sigset_t m_mask;
    std::array<struct sigaction, 6> m_actions{};
};

// A line typed on the terminal `descriptor` without showing it, after
// `prompt` if any; asked again from the start after a stop and continue.
// Without a prompt, what was typed ahead is kept (a second line for the
// same descriptor, say).
Result<Line> readHidden(int descriptor, const QByteArray &prompt)
{
    const HiddenInput hidden(descriptor);
    for (bool afresh = !prompt.isEmpty();; afresh = true) {
        g_continued = 0;
        // Echo goes off before the prompt shows, so that nothing typed after
        // it is shown or thrown away.
        hidden.hide(afresh);
        if (!prompt.isEmpty() && ::write(descriptor, prompt.constData(), size_t(prompt.size())) < 0)
            return Result<Line>::failure(systemError());
        Line line;
        for (;;) {
            if (g_continued)
                break;
            if (!hidden.waitForKey())
                continue;
            char byte = 0;
            const ssize_t n = ::read(descriptor, &byte, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return Result<Line>::failure(systemError());
            if (n == 0)
                return line;
            if (byte == '\n') {
                endLine(line);
                return line;
            }
            if (const Result<void> taken = take(line, byte); !taken)
                return Result<Line>::failure(taken.error());
        }
    }
}
#endif

} // namespace

void useBinaryStandardStreams()
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

int closedStandardStream()
{
    int first = -1;
#ifndef Q_OS_WIN
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (first < 0)
            first = descriptor;
        // open() takes the lowest free number: this one.
        if (::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY) != descriptor)
            break;
    }
#endif
    return first;
}

bool isTerminal(int descriptor)
{
#ifdef Q_OS_WIN
    return _isatty(descriptor);
#else
    return isatty(descriptor);
#endif
}

Result<Line> readLine(int descriptor)
{
#ifndef Q_OS_WIN
    if (isTerminal(descriptor))
        return readHidden(descriptor, {});
#endif
    Line line;
    for (;;) {
        char byte = 0;
#ifdef Q_OS_WIN
        const int n = _read(descriptor, &byte, 1);
#else
        const ssize_t n = ::read(descriptor, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
#endif
        if (n < 0)
            return Result<Line>::failure(systemError());
        if (n == 0)
            return line;
        if (byte == '\n') {
            endLine(line);
            return line;
        }
        if (const Result<void> taken = take(line, byte); !taken)
            return Result<Line>::failure(taken.error());
    }
}

Prompt::Prompt()
{
#ifdef Q_OS_WIN
    // The console of standard input, when there is one.
    if (_isatty(0))
        m_descriptor = 0;
#else
    m_descriptor = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
#endif
}

Prompt::~Prompt()
{
#ifndef Q_OS_WIN
    if (m_descriptor >= 0)
        ::close(m_descriptor);
#endif
}

Result<Line> Prompt::ask(const QString &prompt)
{
#ifdef Q_OS_WIN
    const HANDLE console = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool hidden =
        GetConsoleMode(console, &mode) && SetConsoleMode(console, mode & ~DWORD(ENABLE_ECHO_INPUT));
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    auto line = readLine(m_descriptor);
    if (hidden) {
        SetConsoleMode(console, mode);
        std::fputs("\n", stderr);
    }
    return line;
#else
    return readHidden(m_descriptor, prompt.toLocal8Bit());
#endif
}

} // namespace quenzal::cli::terminal
