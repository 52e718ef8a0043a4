#pragma once

#include "ExitStatus.h"
#include "Options.h"

namespace quenzal::cli {

// Runs the command line's encrypt or decrypt: reads or asks for the
// password, and makes or reads an OpenPGP password message, in constant
// memory. Nothing is written on a failure. A named output is written as
// Save writes a file (FileWriter): through a temporary file beside it that
// takes its place only when gpg has finished and checked everything. Where
// that cannot be (standard output, a file written in place), encrypt's
// message waits in an unnamed temporary file (it holds no plain text) and
// decrypt's result in memory, up to a bound; past it, a regular input is
// checked by a first decryption that keeps nothing, then decrypted again
// straight to the output, and any other input is refused.
Result<void, Failure> runMessageCommand(const Options &options);

} // namespace quenzal::cli
