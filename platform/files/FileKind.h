#pragma once

#include <QString>

namespace quenzal {

// The kind of a file that Open and Save (and the command-line program) take.
// The last four characters of the name alone decide it, compared exactly:
// ".rtf", then ".txt". The type chosen in a dialog plays no part.
enum class FileKind { RichText, PlainText, Other };
FileKind fileKind(const QString &name);

} // namespace quenzal
