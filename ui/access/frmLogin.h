#pragma once

#include "ui/access/AccessWindow.h"

class QLineEdit;

namespace quenzal {

// The Login window: asks for the application password at every start at
// which one is stored. OK lets the user into the main window, Cancel ends the
// program, "Change Pass" leads to the Change Password window. A fixed frame
// with a close button and no task-bar button; Enter presses OK, Escape does
// nothing, Alt+P puts the focus in the box.
class frmLogin : public AccessWindow
{
    Q_OBJECT

public:
    explicit frmLogin(AccessGate &gate);

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdChangePass_Click();

    // Whether a password was accepted in the Login window. It keeps its value
    // for the rest of the program, also when the window is closed and created
    // again, so it lives in the gate; only Form_Unload reads it.
    bool &LoginSucceeded;

private:
    void Form_Unload() override;

    QLineEdit *txtPassword = nullptr;
};

} // namespace quenzal
