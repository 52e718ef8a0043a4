#pragma once

#include <QString>

#include <functional>

class QLineEdit;

namespace quenzal {

// The sentence of the "Error" box when a new password, typed twice, was typed
// differently the second time.
QString passwordsDontMatch();

// A new password typed in `box` and again in `again`: true when both hold the
// same characters in the same order (case and spaces count, nothing is
// normalised). Otherwise `showError` is given passwordsDontMatch(), both boxes
// are emptied and the keyboard goes back to `box`.
bool typedAlikeTwice(QLineEdit *box, QLineEdit *again,
                     const std::function<void(const QString &)> &showError);

// After a message box: the box's window comes to the front again with the
// keyboard, the focus in `box` and its whole text selected, so that the next
// characters typed go there and replace it. (When the message box closes, a
// window manager may hand the keyboard to another window of the program;
// openbox skips tool windows such as Login.)
void returnKeyboard(QLineEdit *box);

} // namespace quenzal
