#pragma once

#include "ExitStatus.h"
#include "Options.h"

#include <optional>

namespace quenzal::cli {

// Runs the command line's scramble or unscramble: reads the input, asks for
// or reads the passwords, and writes the result. Plain text in and out goes
// through in blocks, in constant memory; an .rtf input or output is held
// whole. A named output is written to a temporary file that takes its place
// only when everything is written, so a failure leaves an existing file as
// it was and nothing else behind.
std::optional<Failure> runCommand(const Options &options);

} // namespace quenzal::cli
