#pragma once

#include "platform/ports/Services.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quenzal {

// The window that asks for a message's password over the main window, which
// waits meanwhile. "Encrypt for Sending" asks for a new password twice,
// "Decrypt Message" for the message's password once. The focus starts in the
// first box and Tab goes on to the next; Enter presses the window's command
// button and Escape closes it. The passwords never show: each box is a
// password box. The boxes are emptied when the window closes.
class frmMessagePassword : public QDialog
{
    Q_OBJECT

public:
    enum class Purpose { Encrypt, Decrypt };
    // What became of the work a password was used for: done (whether it
    // worked or not, it has said so), or the password was wrong and may be
    // typed again.
    enum class Outcome { Done, TryAgain };
    // The work, given the window that asks (as the parent of its messages
    // and progress) and the password.
    using Use = std::function<Outcome(QWidget &asking, const QString &password)>;

    frmMessagePassword(Services services, Purpose purpose, Use use, QWidget *parent = nullptr);
    ~frmMessagePassword() override;

    QSize sizeHint() const override;

    // The command button: the password is checked (two entries alike, not
    // empty for a new one) and used; the window closes when the work is done.
    void cmdOK_Click();

public slots:
    void done(int result) override;

private:
    void showError(const QString &text);

    Services m_services;
    Purpose m_purpose;
    Use m_use;

    QLabel *lblPassword = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLabel *lblPasswordAgain = nullptr;
    QLineEdit *txtPasswordAgain = nullptr; // Encrypt only
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};

} // namespace quenzal
