#include "frmChangePass.h"

#include "AccessGate.h"
#include "AccessWindowParts.h"
#include "Centring.h"
#include "PasswordStore.h"
#include "Readability.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quenzal {
namespace {

constexpr int kClientWidth = 2535;
constexpr int kClientHeight = 2055;

} // namespace

frmChangePass::frmChangePass(AccessGate &gate)
    // A sizable frame with a title bar and no control box.
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_gate(gate)
{
    setUpAccessWindow(this, "frmChangePass", QStringLiteral("Change Password"), kClientWidth,
                      kClientHeight);

    txtCurrent = passwordBox(this, "txtCurrent", twipsRect(120, 240, 2295, 285));
    txtChange = passwordBox(this, "txtChange", twipsRect(120, 840, 2295, 285));
    txtChange2 = passwordBox(this, "txtChange2", twipsRect(120, 1200, 2295, 285));
    cmdChange =
        commandButton(this, "cmdChange", QStringLiteral("Change"), twipsRect(120, 1560, 1095, 375));
    cmdCancel = commandButton(this, "cmdCancel", QStringLiteral("Cancel"),
                              twipsRect(1320, 1560, 1095, 375));
    lblChange = label(this, "lblChange", QStringLiteral("Enter new password here twice."),
                      twipsRect(120, 600, 2295, 255));
    lblCurrent = label(this, "lblCurrent", QStringLiteral("Enter current password here."),
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

    keepTextsWhole(this);
    Form_Load();
}

frmChangePass::~frmChangePass() = default;

QSize frmChangePass::sizeHint() const
{
    return {pixels(kClientWidth), pixels(kClientHeight)};
}

void frmChangePass::Form_Load()
{
    centreOnScreen(this, CentringRule::HalvesFirst);
}

void frmChangePass::cmdChange_Click()
{
    // The current password first; the first failure found is the only one
    // reported.
    QString failure;
    if (!m_gate.passwords().matches(txtCurrent->text(), &failure)) {
        showError(m_gate.services(), this, failure.isEmpty() ? invalidPassword() : failure);
        // A store that cannot be used is no fault of what was typed.
        if (failure.isEmpty())
            txtCurrent->clear();
        returnKeyboard(this, txtCurrent);
        return;
    }
    if (!PasswordStore::same(txtChange->text(), txtChange2->text())) {
        showError(m_gate.services(), this, passwordsDontMatch());
        txtChange->clear();
        txtChange2->clear();
        returnKeyboard(this, txtChange);
        return;
    }
    if (!m_gate.passwords().write(txtChange->text(), &failure)) {
        showError(m_gate.services(), this, failure);
        returnKeyboard(this, txtChange);
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

void frmChangePass::reject() {}

void frmChangePass::closeEvent(QCloseEvent *event)
{
    // Only the window system closes this window (it has no close button).
    // Opened from the Login window, nothing else is shown then, and the
    // program ends rather than run on without a window.
    event->accept();
    m_gate.windowClosed(this);
}

} // namespace quenzal
