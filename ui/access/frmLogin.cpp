#include "ui/access/frmLogin.h"

#include "platform/ports/ProgramEnd.h"
#include "platform/widgets/PasswordEntry.h"
#include "platform/widgets/Twips.h"
#include "ui/access/AccessGate.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quenzal {

frmLogin::frmLogin(AccessGate &gate)
    // A fixed dialog frame with a close button only. A tool window has no
    // task-bar button on any desktop.
    : AccessWindow(gate,
                   Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint,
                   "frmLogin", QStringLiteral("Login"), {3975, 1545}),
      LoginSucceeded(gate.loginSucceeded())
{
    setFixedSize(sizeHint());

    auto *lblLabels =
        label("lblLabels", QStringLiteral("&Password:"), twipsRect(105, 480, 1080, 255));
    txtPassword = passwordBox("txtPassword", twipsRect(1320, 360, 2565, 345));
    lblLabels->setBuddy(txtPassword);
    auto *cmdOK = commandButton("cmdOK", QStringLiteral("OK"), twipsRect(120, 960, 1140, 390),
                                &frmLogin::cmdOK_Click);
    auto *cmdCancel = commandButton("cmdCancel", QStringLiteral("Cancel"),
                                    twipsRect(1440, 960, 1140, 390), &frmLogin::cmdCancel_Click);
    auto *cmdChangePass =
        commandButton("cmdChangePass", QStringLiteral("Change Pass"),
                      twipsRect(2760, 960, 1140, 390), &frmLogin::cmdChangePass_Click);

    finishSetUp(cmdOK, {txtPassword, cmdOK, cmdCancel, cmdChangePass});
}

void frmLogin::cmdOK_Click()
{
    const Result<PasswordStore::Match> match = m_gate.passwords().matches(txtPassword->text());
    if (match.ok() && *match == PasswordStore::Match::Right) {
        LoginSucceeded = true;
        m_gate.showMain();
        hide();
        return;
    }
    showError(match.ok() ? invalidPassword() : match.error());
    // The whole wrong entry is selected, so that the next character typed
    // replaces it.
    returnKeyboard(txtPassword);
}

void frmLogin::cmdCancel_Click()
{
    LoginSucceeded = false;
    m_gate.services().programEnd.endNow();
}

void frmLogin::cmdChangePass_Click()
{
    hide();
    m_gate.showChangePass();
}

void frmLogin::Form_Unload()
{
    if (!LoginSucceeded) {
        m_gate.services().programEnd.endNow();
        return;
    }
    // Only this window closes; the next show creates it afresh.
    m_gate.forgetLoginWindow();
}

} // namespace quenzal
