#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quenzal {

class AccessGate;

// What the Set Password, Login and Change Password windows have in common: a
// window of a fixed client size (in twips) with the default dialog font,
// centred when it loads, that Escape does not close and whose closing the
// gate hears of. Their controls stand at fixed places in twips.
class AccessWindow : public QDialog
{
    Q_OBJECT

public:
    ~AccessWindow() override;

    QSize sizeHint() const override;

public slots:
    void reject() override; // Escape: nothing

protected:
    AccessWindow(AccessGate &gate, Qt::WindowFlags frame, const char *name, const QString &caption,
                 QSize clientTwips);

    // Ends the set-up of a derived window once its controls are made: keeps
    // their texts whole, then runs Form_Load.
    void finishSetUp();

    // Centres the window on the screen.
    virtual void Form_Load();
    // After the window system has closed the window: with no other window of
    // the program shown, the program ends.
    virtual void Form_Unload();

    void closeEvent(QCloseEvent *event) override;

    // A password box: every character shows as "*", no input method, no length limit.
    QLineEdit *passwordBox(const char *name, QRect twips);
    // A push button. Enter presses the one that has the focus; the window's
    // default button takes Enter from its text boxes.
    QPushButton *commandButton(const char *name, const QString &caption, QRect twips);
    QLabel *label(const char *name, const QString &caption, QRect twips);

    // The message box: title "Error", the critical-stop icon and one OK
    // button; returns when it is closed.
    void showError(const QString &text);
    // After a message box: this window comes to the front again with the
    // keyboard, the focus in `box` and its whole text selected, so that the
    // next characters typed go there and replace it. (When the box closes, a
    // window manager may hand the keyboard to another window of the program;
    // openbox skips tool windows such as Login.)
    void returnKeyboard(QLineEdit *box);

    static QString passwordsDontMatch();
    static QString invalidPassword();

    AccessGate &m_gate;

private:
    QSize m_clientTwips;
};

} // namespace quenzal
