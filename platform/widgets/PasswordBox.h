#pragma once

class QLineEdit;

namespace quenzal {

// Makes a text box a password box: every character shows as "*", and no
// input method composes into it. What the box tells the desktop's
// accessibility clients (screen readers) about its text is masked the same
// way: each change is still announced, with a "*" for every character typed
// or removed, never the characters themselves.
void makePasswordBox(QLineEdit *box);

} // namespace quenzal
