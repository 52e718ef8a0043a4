#pragma once

#include "base/Result.h"

#include <QString>

namespace quenzal::cli {

// The program's exit statuses, as --help and the manual page list them.
enum ExitStatus : int {
    Success = 0,
    UsageError = 2,         // a wrong command line, or a password with no way to get it
    PasswordUnreadable = 3, // a password file or descriptor that cannot be read
    InputMissing = 4,       // the input file does not exist
    InputUnreadable = 5,    // the input cannot be read, or an .rtf input is not rich text
    OtherKind = 6,          // a file name that ends in neither .txt nor .rtf
    Unrepresentable = 7,    // a character the code page cannot hold, or code 0 to scramble
    OutputUnwritable = 8,   // the output cannot be written
    DiskFull = 9,           // no space left for the output
    WrongPassword = 10,     // decrypt: the password does not open the message
    Damaged = 11,           // decrypt: checksum wrong, cut short, or not OpenPGP
    Tampered = 12,          // decrypt: the integrity check failed, or there is none
    NoMessage = 13,         // decrypt: no OpenPGP message in the input
    GpgUnavailable = 14,    // encrypt, decrypt: gpg cannot be started
    Incomplete = 15,        // a part of the program that the run needs is missing
};

// Why the program stops: one line for standard error and the status to end with.
// Each step of the program answers Result<T, Failure> (Result<void, Failure>
// when it gives nothing back), and returns a Failure as it is.
struct Failure
{
    ExitStatus status;
    QString message;

    template <typename T> operator Result<T, Failure>() const
    {
        return Result<T, Failure>::failure(*this);
    }
};

} // namespace quenzal::cli
