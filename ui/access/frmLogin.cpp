#include "frmLogin.h"

#include "AccessGate.h"
#include "AccessWindowParts.h"
#include "Centring.h"
#include "Readability.h"
#include "Twips.h"
#include "ports/ProgramEnd.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quenzal {
namespace {

constexpr int kClientWidth = 3975;
constexpr int kClientHeight = 1545;

} // namespace

frmLogin::frmLogin(AccessGate &gate)
    // A fixed dialog frame with a close button only. A tool window has no
    // task-bar button on any desktop.
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      LoginSucceeded(gate.loginSucceeded()), m_gate(gate)
{
    setUpAccessWindow(this, "frmLogin", QStringLiteral("Login"), kClientWidth, kClientHeight);
    setFixedSize(pixels(kClientWidth), pixels(kClientHeight));

    lblLabels =
        label(this, "lblLabels", QStringLiteral("&Password:"), twipsRect(105, 480, 1080, 255));
    txtPassword = passwordBox(this, "txtPassword", twipsRect(1320, 360, 2565, 345));
    lblLabels->setBuddy(txtPassword);
    cmdOK = commandButton(this, "cmdOK", QStringLiteral("OK"), twipsRect(120, 960, 1140, 390));
    cmdCancel =
        commandButton(this, "cmdCancel", QStringLiteral("Cancel"), twipsRect(1440, 960, 1140, 390));
    cmdChangePass = commandButton(this, "cmdChangePass", QStringLiteral("Change Pass"),
                                  twipsRect(2760, 960, 1140, 390));

    cmdOK->setDefault(true);
    chainTabOrder({txtPassword, cmdOK, cmdCancel, cmdChangePass});
    txtPassword->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
    connect(cmdChangePass, &QPushButton::clicked, this, &frmLogin::cmdChangePass_Click);

    keepTextsWhole(this);
    Form_Load();
}

frmLogin::~frmLogin() = default;

QSize frmLogin::sizeHint() const
{
    return {pixels(kClientWidth), pixels(kClientHeight)};
}

void frmLogin::Form_Load()
{
    centreOnScreen(this, CentringRule::HalvesFirst);
}

void frmLogin::cmdOK_Click()
{
    QString failure;
    if (m_gate.passwords().matches(txtPassword->text(), &failure)) {
        LoginSucceeded = true;
        m_gate.showMain();
        hide();
        return;
    }
    showError(m_gate.services(), this, failure.isEmpty() ? invalidPassword() : failure);
    // The whole wrong entry is selected, so that the next character typed
    // replaces it.
    returnKeyboard(this, txtPassword);
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

void frmLogin::reject() {}

void frmLogin::closeEvent(QCloseEvent *event)
{
    // Closing through the frame is never refused.
    event->accept();
    Form_Unload();
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
