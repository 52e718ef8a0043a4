#include "ui/access/frmPassSet.h"

#include "platform/ports/ProgramEnd.h"
#include "platform/widgets/Twips.h"
#include "ui/access/AccessGate.h"

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
    auto *cmdPassSet =
        commandButton("cmdPassSet", QStringLiteral("Set"), twipsRect(120, 1200, 1215, 375),
                      &frmPassSet::cmdPassSet_Click);
    auto *cmdCancel = commandButton("cmdCancel", QStringLiteral("Cancel"),
                                    twipsRect(1440, 1200, 1215, 375), &frmPassSet::cmdCancel_Click);
    auto *lblInfo =
        label("lblInfo",
              QStringLiteral("Type password below, then once more. You can change this later."),
              twipsRect(0, 0, 2895, 495));
    lblInfo->setWordWrap(true);
    // Screen readers: the boxes by name, the first one labelled by the text above it.
    lblInfo->setBuddy(txtPassSet);
    txtPassSet->setAccessibleName(QStringLiteral("New password"));
    txtPassSet2->setAccessibleName(QStringLiteral("New password once more"));

    finishSetUp(cmdPassSet, {txtPassSet, txtPassSet2, cmdPassSet, cmdCancel});
}

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
    if (!storeNewPassword(txtPassSet, txtPassSet2))
        return;
    m_gate.showMain();
    hide();
}

void frmPassSet::cmdCancel_Click()
{
    (void)m_gate.passwords().write(QString());
    m_gate.services().programEnd.endNow();
}

} // namespace quenzal
