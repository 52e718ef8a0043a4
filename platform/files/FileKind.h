#pragma once

#include <QString>

namespace quenzal {

// The kind of a file that Open and Save (and the command-line program) take.
// The last four characters of the name alone decide it, compared exactly:
// ".rtf", then ".txt". The type chosen in a dialog plays no part.
enum class FileKind { RichText, PlainText, Other };
FileKind fileKind(const QString &name);

// Why a file of another kind is refused: "Only .txt and .rtf files can be
// read; "notes.doc" was not read." `verb` is "read", "opened", "saved" or
// "written"; `quotedName` the name as the message shows it.
QString otherKindRefusal(const QString &verb, const QString &quotedName);

} // namespace quenzal
