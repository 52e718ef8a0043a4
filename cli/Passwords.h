#pragma once

#include "ExitStatus.h"
#include "Options.h"

#include <QString>

#include <variant>

namespace quenzal::cli {

struct Passwords
{
    QString first;
    QString second;
};

// The two passwords from their sources. Asking on the terminal is possible
// only when standard input is a terminal and the text does not come from it.
std::variant<Passwords, Failure> readPasswords(const Options &options);

} // namespace quenzal::cli
