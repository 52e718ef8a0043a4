#include "frmPassSet.h"

#include "AccessGate.h"
#include "FixedLayout.h"
#include "PasswordStore.h"
#include "Twips.h"
#include "ports/ProgramEnd.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quenzal {

frmPassSet::frmPassSet(AccessGate &gate)
    // A sizable frame with a title bar and no control box.
    : AccessWindow(gate, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint, "frmPassSet",
                   QStringLiteral("Set Password"), {2850, 1695})
{
    txtPassSet = passwordBox("txtPassSet", twipsRect(360, 480, 1935, 285));
    txtPassSet2 = passwordBox("txtPassSet2", twipsRect(360, 810, 1935, 285));
    cmdPassSet =
        commandButton("cmdPassSet", QStringLiteral("Set"), twipsRect(120, 1200, 1215, 375));
    cmdCancel =
        commandButton("cmdCancel", QStringLiteral("Cancel"), twipsRect(1440, 1200, 1215, 375));
    lblInfo =
        label("lblInfo",
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

    finishSetUp();
}

frmPassSet::~frmPassSet() = default;

void frmPassSet::Form_Load()
{
    AccessWindow::Form_Load();
    if (!m_gate.passwords().isSet())
        return;
    m_handedOverOnLoad = true;
    m_gate.showLogin();
    hide();
}

void frmPassSet::cmdPassSet_Click()
{
    if (!PasswordStore::same(txtPassSet->text(), txtPassSet2->text())) {
        showError(passwordsDontMatch());
        txtPassSet->clear();
        txtPassSet2->clear();
        returnKeyboard(txtPassSet);
        return;
    }
    QString failure;
    if (!m_gate.passwords().write(txtPassSet->text(), &failure)) {
        showError(failure);
        returnKeyboard(txtPassSet);
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

} // namespace quenzal
