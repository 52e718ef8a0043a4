#pragma once

#include "ExitStatus.h"
#include "Options.h"

#include <QByteArray>
#include <QString>

namespace quenzal::cli {

struct Passwords
{
    QString first;
    QString second;
};

// The two passwords of scramble and unscramble from their sources, as UTF-8
// text. A password not given by an option is asked for on the terminal;
// Scramble asks for each twice and refuses one whose two entries differ.
Result<Passwords, Failure> readPasswords(const Options &options);

// The one password of encrypt and decrypt, as the bytes read (gpg takes a
// password's bytes as they are). Encrypt asks for it twice, as Scramble does.
Result<QByteArray, Failure> readMessagePassword(const Options &options);

} // namespace quenzal::cli
