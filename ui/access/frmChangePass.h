#pragma once

#include "ui/access/AccessWindow.h"

class QLineEdit;

namespace quenzal {

// The Change Password window: replaces the application password once the
// current one has been typed correctly, then shows the main window. Opened
// from the Login window's "Change Pass" and from the main window's File menu;
// Cancel always goes back to the Login window. Enter presses Change; Escape
// does nothing. It has no close button; closed by the window system when
// opened from the Login window, nothing else is shown, and the program ends
// rather than run on without a window.
class frmChangePass : public AccessWindow
{
    Q_OBJECT

public:
    explicit frmChangePass(AccessGate &gate);

    void cmdChange_Click();
    void cmdCancel_Click();

private:
    QLineEdit *txtCurrent = nullptr;
    QLineEdit *txtChange = nullptr;
    QLineEdit *txtChange2 = nullptr;
};

} // namespace quenzal
