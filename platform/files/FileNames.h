#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "base/Result.h"

class QFile;

namespace quenzal {

// File names as the system gives and takes them. On Unix a name is bytes,
// which need not be UTF-8 (a file made on a Latin-1 system, say), and which
// Qt's own conversions change: each byte that is not part of UTF-8 becomes
// U+FFFD, and the name no longer names the file. A name from the command
// line is therefore held losslessly: its UTF-8 as characters, and each other
// byte as the lone surrogate U+DC80 + byte, which no UTF-8 name decodes to.
// Such a name reaches the system only through systemName(). A name Qt gives
// (from a dialog) holds no lone surrogate, and means what it always did.

// The name `bytes`, held as described above.
QString nameFromSystem(QByteArrayView bytes);
// The bytes the system knows the name by.
QByteArray systemName(QStringView name);
// The name as a message shows it: each byte that is not UTF-8 by its code
// ("caf<0xE9>.txt"), a character that would not show by its own, as
// visibleText() shows it.
QString shownName(QStringView name);
// shownName() in double quotes, as messages name a file.
QString quotedName(QStringView name);

// Whether the file `name` exists, symbolic links followed.
bool fileExists(const QString &name);
// Opens the file `name` read-only and unbuffered into `file`; the system's
// reason when it cannot. A folder is refused as one.
Result<void> openForReading(QFile &file, const QString &name);

} // namespace quenzal
