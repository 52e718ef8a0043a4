#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The few things the program needs from the operating system's terminals and
// file descriptors, kept apart from the rest.
namespace quenzal::cli::terminal {

// Standard input, output and error in binary mode (no line-break translation).
void useBinaryStandardStreams();

bool isTerminal(int descriptor);

// One line from a file descriptor, read a byte at a time so that nothing
// after it is taken; its line break (LF or CR LF) is left out. Nothing, with
// the reason in `error`, when the descriptor cannot be read.
std::optional<QByteArray> readLine(int descriptor, QString *error);

// Reads a line from the terminal on standard input without showing it, after
// writing `prompt` on standard error.
std::optional<QByteArray> readHidden(const QString &prompt, QString *error);

} // namespace quenzal::cli::terminal
