#include "frmChangePass.h"

#include "AccessGate.h"
#include "FixedLayout.h"
#include "PasswordStore.h"
#include "Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quenzal {

frmChangePass::frmChangePass(AccessGate &gate)
    // A sizable frame with a title bar and no control box.
    : AccessWindow(gate, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint,
                   "frmChangePass", QStringLiteral("Change Password"), {2535, 2055})
{
    txtCurrent = passwordBox("txtCurrent", twipsRect(120, 240, 2295, 285));
    txtChange = passwordBox("txtChange", twipsRect(120, 840, 2295, 285));
    txtChange2 = passwordBox("txtChange2", twipsRect(120, 1200, 2295, 285));
    cmdChange =
        commandButton("cmdChange", QStringLiteral("Change"), twipsRect(120, 1560, 1095, 375));
    cmdCancel =
        commandButton("cmdCancel", QStringLiteral("Cancel"), twipsRect(1320, 1560, 1095, 375));
    lblChange = label("lblChange", QStringLiteral("Enter new password here twice."),
                      twipsRect(120, 600, 2295, 255));
    lblCurrent = label("lblCurrent", QStringLiteral("Enter current password here."),
                       twipsRect(120, 0, 2295, 255));
    // Screen readers: each box by name, labelled by the text above it.
    lblCurrent->setBuddy(txtCurrent);
    lblChange->setBuddy(txtChange);
    txtCurrent->setAccessibleName(QStringLiteral("Current password"));
    txtChange->setAccessibleName(QStringLiteral("New password"));
    txtChange2->setAccessibleName(QStringLiteral("New password once more"));

    cmdChange->setDefault(true);
    chainTabOrder({txtCurrent, txtChange, txtChange2, cmdChange, cmdCancel});
    txtCurrent->setFocus();

    connect(cmdChange, &QPushButton::clicked, this, &frmChangePass::cmdChange_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmChangePass::cmdCancel_Click);

    finishSetUp();
}

frmChangePass::~frmChangePass() = default;

void frmChangePass::cmdChange_Click()
{
    // The current password first; the first failure found is the only one
    // reported.
    QString failure;
    if (!m_gate.passwords().matches(txtCurrent->text(), &failure)) {
        showError(failure.isEmpty() ? invalidPassword() : failure);
        // A store that cannot be used is no fault of what was typed.
        if (failure.isEmpty())
            txtCurrent->clear();
        returnKeyboard(txtCurrent);
        return;
    }
    if (!PasswordStore::same(txtChange->text(), txtChange2->text())) {
        showError(passwordsDontMatch());
        txtChange->clear();
        txtChange2->clear();
        returnKeyboard(txtChange);
        return;
    }
    if (!m_gate.passwords().write(txtChange->text(), &failure)) {
        showError(failure);
        returnKeyboard(txtChange);
        return;
    }
    m_gate.showMain();
    hide();
}

void frmChangePass::cmdCancel_Click()
{
    hide();
    m_gate.showLogin();
}

} // namespace quenzal
