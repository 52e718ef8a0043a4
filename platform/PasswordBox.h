#pragma once

class QLineEdit;

namespace quenzal {

// Makes a text box a password box: every character shows as "*", and no
// input method composes into it.
void makePasswordBox(QLineEdit *box);

} // namespace quenzal
