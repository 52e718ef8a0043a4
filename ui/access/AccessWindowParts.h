#pragma once

#include <QRect>
#include <QString>

#include <initializer_list>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace quenzal {

struct Services;

// What the Set Password, Login and Change Password windows share: their
// controls at fixed places in twips, their tab order and their two messages.

// The caption, icon, font and client size (in twips) of an access window.
void setUpAccessWindow(QWidget *window, const char *name, const QString &caption,
                       int clientWidthTwips, int clientHeightTwips);

// A password box: every character shows as "*", no input method, no length limit.
QLineEdit *passwordBox(QWidget *window, const char *name, QRect twips);

// A push button. Enter presses the one that has the focus; the window's
// default button takes Enter from its text boxes.
QPushButton *commandButton(QWidget *window, const char *name, const QString &caption, QRect twips);

QLabel *label(QWidget *window, const char *name, const QString &caption, QRect twips);

// Sets the tab order of the controls that take the focus, in this order.
void chainTabOrder(std::initializer_list<QWidget *> controls);

QString passwordsDontMatch();
QString invalidPassword();

// The access windows' message box: title "Error", the critical-stop icon and
// one OK button; returns when it is closed.
void showError(Services services, QWidget *window, const QString &text);

// After a message box: `window` comes to the front again with the keyboard,
// the focus in `box` and its whole text selected, so that the next characters
// typed go there and replace it. (When the box closes, a window manager may
// hand the keyboard to another window of the program; openbox skips tool
// windows such as Login.)
void returnKeyboard(QWidget *window, QLineEdit *box);

} // namespace quenzal
