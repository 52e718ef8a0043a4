#pragma once

#include "platform/files/FileKind.h"

#include <QString>
#include <QStringList>

class QLineEdit;
class QWidget;

namespace quenzal {

class FileDialogs;
class LoadProgress;
class MessageBoxes;
class RichTextArea;

// The controls of the main window that Open and Save work on.
struct FileControls
{
    QWidget &window;
    RichTextArea &original; // Open puts a file here
    RichTextArea &result;   // Save writes this one
    QLineEdit &fileBox;     // the path of the last plain-text file opened or saved
};

// The file types both dialogs offer, as description|pattern pairs.
inline constexpr char kFileTypes[] = "Text Files (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf";

// "Description|pattern|..." as Qt's name filters ("Description (pattern)").
QStringList nameFilters(const QString &fileTypes);

// The Open command: a .txt file's bytes, each one a character of the code
// page, become the upper area's text; a .rtf file's document replaces the
// upper area's content. A failure or another kind of name is reported and
// changes nothing; a cancelled dialog changes nothing silently. While the
// file is read and made into the area's content, `progress` shows it; the
// user's Cancel there changes nothing either, silently.
void OpenTextFile(const FileControls &controls, FileDialogs &dialogs, MessageBoxes &messages,
                  LoadProgress &progress);

// The Save command: writes the lower area's text as one byte per character
// (.txt) or its document as Rich Text Format (.rtf), replacing any file of
// that name without a question. A failed save leaves the old file whole.
void SaveTextFile(const FileControls &controls, FileDialogs &dialogs, MessageBoxes &messages);

} // namespace quenzal
