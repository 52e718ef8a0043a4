#pragma once

class QLineEdit;

namespace quenzal {

// Makes a text box a password box: every character shows as "*", and no
// input method composes into it. What the box tells the desktop's
// accessibility clients (screen readers) about its text is masked the same
// way: each change is still announced, with a "*" for every character typed
// or removed, never the characters themselves. A password too long to lay out
// at a small cost (a large paste) is kept whole and shown as a row of "*"
// that fills the box.
void makePasswordBox(QLineEdit *box);

} // namespace quenzal
