#pragma once

#include <QDialog>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>

#include <initializer_list>

class QLabel;
class QLineEdit;

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

    // Ends the set-up of a derived window once its controls are made: Enter
    // in a text box presses `defaultButton`, Tab goes through `tabOrder`, the
    // first of which has the focus; the texts are kept whole; then Form_Load
    // runs.
    void finishSetUp(QPushButton *defaultButton, std::initializer_list<QWidget *> tabOrder);

    // Centres the window on the screen.
    virtual void Form_Load();
    // After the window system has closed the window: with no other window of
    // the program shown, the program ends.
    virtual void Form_Unload();

    void closeEvent(QCloseEvent *event) override;

    // A password box: every character shows as "*", no input method, no length limit.
    QLineEdit *passwordBox(const char *name, QRect twips);
    // A push button; a click runs `click`. Enter presses the one that has the
    // focus; the window's default button takes Enter from its text boxes.
    template <typename Window>
    QPushButton *commandButton(const char *name, const QString &caption, QRect twips,
                               void (Window::*click)())
    {
        QPushButton *button = commandButton(name, caption, twips);
        connect(button, &QPushButton::clicked, static_cast<Window *>(this), click);
        return button;
    }
    QLabel *label(const char *name, const QString &caption, QRect twips);

    // The message box: title "Error", the critical-stop icon and one OK
    // button; returns when it is closed.
    void showError(const QString &text);
    // Stores the new password typed in `box` and again in `again`; true when
    // stored. Otherwise says why: when the two differ, both are cleared.
    bool storeNewPassword(QLineEdit *box, QLineEdit *again);

    static QString invalidPassword();

    AccessGate &m_gate;

private:
    QPushButton *commandButton(const char *name, const QString &caption, QRect twips);

    QSize m_clientTwips;
};

} // namespace quenzal
