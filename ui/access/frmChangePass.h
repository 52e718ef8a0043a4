#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quenzal {

class AccessGate;

// The Change Password window: replaces the application password once the
// current one has been typed correctly, then shows the main window. Opened
// from the Login window's "Change Pass" and from the main window's File menu;
// Cancel always goes back to the Login window. Enter presses Change; Escape
// does nothing.
class frmChangePass : public QDialog
{
    Q_OBJECT

public:
    explicit frmChangePass(AccessGate &gate);
    ~frmChangePass() override;

    QSize sizeHint() const override;

    void cmdChange_Click();
    void cmdCancel_Click();

public slots:
    void reject() override; // Escape: nothing

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();

    AccessGate &m_gate;

    QLineEdit *txtCurrent = nullptr;
    QLineEdit *txtChange = nullptr;
    QLineEdit *txtChange2 = nullptr;
    QPushButton *cmdChange = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblChange = nullptr;
    QLabel *lblCurrent = nullptr;
};

} // namespace quenzal
