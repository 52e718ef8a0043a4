#include "ui/access/frmChangePass.h"

#include "platform/widgets/PasswordEntry.h"
#include "platform/widgets/Twips.h"
#include "ui/access/AccessGate.h"

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
    auto *cmdChange =
        commandButton("cmdChange", QStringLiteral("Change"), twipsRect(120, 1560, 1095, 375),
                      &frmChangePass::cmdChange_Click);
    auto *cmdCancel =
        commandButton("cmdCancel", QStringLiteral("Cancel"), twipsRect(1320, 1560, 1095, 375),
                      &frmChangePass::cmdCancel_Click);
    auto *lblChange = label("lblChange", QStringLiteral("Enter new password here twice."),
                            twipsRect(120, 600, 2295, 255));
    auto *lblCurrent = label("lblCurrent", QStringLiteral("Enter current password here."),
                             twipsRect(120, 0, 2295, 255));
    // Screen readers: each box by name, labelled by the text above it.
    lblCurrent->setBuddy(txtCurrent);
    lblChange->setBuddy(txtChange);
    txtCurrent->setAccessibleName(QStringLiteral("Current password"));
    txtChange->setAccessibleName(QStringLiteral("New password"));
    txtChange2->setAccessibleName(QStringLiteral("New password once more"));

    finishSetUp(cmdChange, {txtCurrent, txtChange, txtChange2, cmdChange, cmdCancel});
}

void frmChangePass::cmdChange_Click()
{
    // The current password first; the first failure found is the only one
    // reported.
    const Result<PasswordStore::Match> match = m_gate.passwords().matches(txtCurrent->text());
    if (!match.ok() || *match == PasswordStore::Match::Wrong) {
        showError(match.ok() ? invalidPassword() : match.error());
        // A store that cannot be used is no fault of what was typed.
        if (match.ok())
            txtCurrent->clear();
        returnKeyboard(txtCurrent);
        return;
    }
    if (!storeNewPassword(txtChange, txtChange2))
        return;
    m_gate.showMain();
    hide();
}

void frmChangePass::cmdCancel_Click()
{
    hide();
    m_gate.showLogin();
}

} // namespace quenzal
