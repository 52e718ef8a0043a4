#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

// The few things the program needs from the operating system's terminals and
// file descriptors, kept apart from the rest.
namespace quenzal::cli::terminal {

// Standard input, output and error in binary mode (no line-break translation).
void useBinaryStandardStreams();

// The first of standard input, output and error (0, 1, 2) that is closed, or
// -1. Each closed one is opened on the null device, so that no file the
// program opens later takes its number.
int closedStandardStream();

bool isTerminal(int descriptor);

// A line as read: its bytes without the line break (LF or CR LF), and
// whether a line break ended it (not the end of the input).
struct Line
{
    QByteArray bytes;
    bool ended = false;
};

// A password line longer than this is refused rather than read on without end
// (a password file that is not one, say).
constexpr qsizetype kLongestLine = 1 << 20;

// One line from a file descriptor, read a byte at a time so that nothing
// after it is taken. On a terminal what is typed is not shown. A failure
// when the descriptor cannot be read.
Result<Line> readLine(int descriptor);

// The terminal the user types at (the controlling terminal), whatever
// standard input, output and error are, open for as long as this lives.
class Prompt
{
public:
    Prompt();
    ~Prompt();
    Prompt(const Prompt &) = delete;
    Prompt &operator=(const Prompt &) = delete;

    // False when the program has no terminal.
    bool isOpen() const { return m_descriptor >= 0; }

    // Writes `prompt` on the terminal and reads a line without showing it.
    // Stopped (Ctrl-Z) and continued, it asks again from the start with the
    // line hidden again. The line is not ended when the user ends the input
    // (Ctrl-D).
    Result<Line> ask(const QString &prompt);

private:
    int m_descriptor = -1;
};

} // namespace quenzal::cli::terminal
