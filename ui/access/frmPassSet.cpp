#include "frmPassSet.h"

#include "AccessGate.h"
#include "AccessWindowParts.h"
#include "Centring.h"
#include "PasswordStore.h"
#include "Readability.h"
#include "Twips.h"
#include "ports/ProgramEnd.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quenzal {
namespace {

constexpr int kClientWidth = 2850;
constexpr int kClientHeight = 1695;

} // namespace

frmPassSet::frmPassSet(AccessGate &gate)
    // A sizable frame with a title bar and no control box.
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_gate(gate)
{
    setUpAccessWindow(this, "frmPassSet", QStringLiteral("Set Password"), kClientWidth,
                      kClientHeight);

    txtPassSet = passwordBox(this, "txtPassSet", twipsRect(360, 480, 1935, 285));
    txtPassSet2 = passwordBox(this, "txtPassSet2", twipsRect(360, 810, 1935, 285));
    cmdPassSet =
        commandButton(this, "cmdPassSet", QStringLiteral("Set"), twipsRect(120, 1200, 1215, 375));
    cmdCancel = commandButton(this, "cmdCancel", QStringLiteral("Cancel"),
                              twipsRect(1440, 1200, 1215, 375));
    lblInfo =
        label(this, "lblInfo",
              QStringLiteral("Type password below, then once more. You can change this later."),
              twipsRect(0, 0, 2895, 495));
    lblInfo->setWordWrap(true);
    // Screen readers: the boxes by name, the first one labelled by the text above it.
    lblInfo->setBuddy(txtPassSet);
    txtPassSet->setAccessibleName(QStringLiteral("New password"));
    txtPassSet2->setAccessibleName(QStringLiteral("New password once more"));

    cmdPassSet->setDefault(true);
    chainTabOrder({txtPassSet, txtPassSet2, cmdPassSet, cmdCancel});
    txtPassSet->setFocus();

    connect(cmdPassSet, &QPushButton::clicked, this, &frmPassSet::cmdPassSet_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPassSet::cmdCancel_Click);

    keepTextsWhole(this);
    Form_Load();
}

frmPassSet::~frmPassSet() = default;

QSize frmPassSet::sizeHint() const
{
    return {pixels(kClientWidth), pixels(kClientHeight)};
}

void frmPassSet::Form_Load()
{
    centreOnScreen(this, CentringRule::HalvesFirst);
    if (!m_gate.passwords().isSet())
        return;
    m_handedOverOnLoad = true;
    m_gate.showLogin();
    hide();
}

void frmPassSet::cmdPassSet_Click()
{
    if (!PasswordStore::same(txtPassSet->text(), txtPassSet2->text())) {
        showError(m_gate.services(), this, passwordsDontMatch());
        txtPassSet->clear();
        txtPassSet2->clear();
        returnKeyboard(this, txtPassSet);
        return;
    }
    QString failure;
    if (!m_gate.passwords().write(txtPassSet->text(), &failure)) {
        showError(m_gate.services(), this, failure);
        returnKeyboard(this, txtPassSet);
        return;
    }
    m_gate.showMain();
    hide();
}

void frmPassSet::cmdCancel_Click()
{
    m_gate.passwords().write(QString());
    m_gate.services().programEnd.endNow();
}

void frmPassSet::reject() {}

void frmPassSet::closeEvent(QCloseEvent *event)
{
    // Only the window system closes this window (it has no close button);
    // with no other window shown, the program ends.
    event->accept();
    m_gate.windowClosed(this);
}

} // namespace quenzal
