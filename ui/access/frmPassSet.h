#pragma once

#include "ui/access/AccessWindow.h"

class QLineEdit;

namespace quenzal {

// The Set Password window, the program's first window: it asks for a new
// application password, typed twice. With a password already stored, its
// Form_Load hands over to the Login window at once and it stays hidden.
// Enter presses the Set button; Escape does nothing.
class frmPassSet : public AccessWindow
{
    Q_OBJECT

public:
    explicit frmPassSet(AccessGate &gate);

    // True when Form_Load handed over to the Login window, so that the show
    // that created this window leaves it hidden.
    bool handedOverOnLoad() const { return m_handedOverOnLoad; }

    void cmdPassSet_Click();
    void cmdCancel_Click();

private:
    void Form_Load() override;

    bool m_handedOverOnLoad = false;

    QLineEdit *txtPassSet = nullptr;
    QLineEdit *txtPassSet2 = nullptr;
};

} // namespace quenzal
