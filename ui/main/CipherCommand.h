#pragma once

class QLineEdit;
class QProgressBar;
class QWidget;

namespace quenzal {

class MessageBoxes;
class RichTextArea;

enum class Direction { Scramble, Unscramble };

// The controls of the main window that Scramble and Unscramble work on.
struct CipherControls
{
    QWidget &window;
    RichTextArea &original;
    RichTextArea &result;
    QLineEdit &passwordOne;
    QLineEdit &passwordTwo;
    QProgressBar &progress;
};

// The longest upper-area text the commands take; a longer one is passed over
// without a word.
inline constexpr int kMaxCipherLength = 8000;

// Scramble or Unscramble: the upper area's text through the cipher twice, first
// with the first password field, then, as the lower area gives it back, with
// the second; the lower area shows the result. A text or password holding a
// character the code page cannot represent, and a text to scramble holding
// code 0, are refused with a message, and nothing changes.
void runCipherCommand(const CipherControls &controls, MessageBoxes &messages, Direction direction);

} // namespace quenzal
