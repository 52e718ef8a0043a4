#pragma once

#include "ExitStatus.h"
#include "Options.h"

#include <QByteArray>
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

// The one password of encrypt and decrypt, as the bytes read (gpg takes a
// password's bytes as they are). With `twice`, a password asked for on the
// terminal is asked for again and refused when the two entries differ.
std::variant<QByteArray, Failure> readMessagePassword(const Options &options, bool twice);

} // namespace quenzal::cli
