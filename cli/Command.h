#pragma once

#include "ExitStatus.h"
#include "Options.h"

namespace quenzal::cli {

// Runs the command line's scramble or unscramble: reads the input, asks for
// or reads the passwords, and writes the result. Plain text in and out goes
// through in blocks, in constant memory; an .rtf input or output is held
// whole. A named output is written as the window's Save writes a file
// (FileWriter): through a temporary file that takes its place only when
// everything is written, in place where that would change what the file is,
// and not at all when it is not a regular file.
Result<void, Failure> runCommand(const Options &options);

// The refusal of a binary result (scrambled codes, a binary message) for
// standard output when it is a terminal, unless --force says otherwise.
Result<void, Failure> refuseBinaryOnTerminal(const Options &options);

} // namespace quenzal::cli
