#pragma once

#include "ExitStatus.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace quenzal::cli {

// Where a password comes from.
struct PasswordSource
{
    enum class Kind { Prompt, File, Descriptor, Empty };
    Kind kind = Kind::Prompt;
    QString file; // as the system gives it (platform/files/FileNames.h)
    int descriptor = -1;
};

// What the command line asks for.
struct Options
{
    enum class Command { Scramble, Unscramble, Encrypt, Decrypt };
    Command command = Command::Scramble;
    bool scramble = true; // Scramble, not Unscramble
    bool binary = false;  // encrypt: a binary message rather than armour
    bool force = false;   // binary output to a terminal all the same
    // The files' names as the system gives them (platform/files/FileNames.h).
    QString input;  // empty: standard input
    QString output; // empty: standard output
    PasswordSource first;
    PasswordSource second;
    int codePage = 0; // 0: the code page of the system's language
};

// Text to print on standard output before ending successfully (--help, --version).
struct Information
{
    QString text;
};

// Reads the command line (arguments[0] is the program).
Result<std::variant<Options, Information>, Failure> parseArguments(const QStringList &arguments);

} // namespace quenzal::cli
