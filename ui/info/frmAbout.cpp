#include "ui/info/frmAbout.h"

#include "platform/widgets/Centring.h"
#include "platform/widgets/FixedLayout.h"
#include "platform/widgets/LegacyFonts.h"
#include "platform/widgets/ProgramIcon.h"
#include "platform/widgets/Readability.h"
#include "platform/widgets/Twips.h"
#include "ui/info/WebLinks.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

namespace quenzal {
namespace {

constexpr int kClientWidth = 4125;
constexpr int kClientHeight = 3015;

// The pointing hand over the web address; its hot spot is the fingertip.
constexpr QPoint kHandHotSpot(12, 1);

QLabel *label(QWidget *box, const char *name, const QString &caption, QRect twips)
{
    auto *l = place(new QLabel(caption, box), name, twips);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}

} // namespace

frmAbout::frmAbout(Shell &shell, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_shell(shell)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quenzal"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    // Fixed dialog frame: the client area keeps its size.
    setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    setSizeGripEnabled(false);
    // The box's own font, for the controls that name none.
    setFont(dialogFont());

    createControls();
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::createControls()
{
    imgsei = label(this, "imgsei", QString(), twipsRect(120, 360, 480, 480));
    imgsei->setPixmap(programIcon().pixmap(imgsei->size()));

    Label5 = label(this, "Label5", QStringLiteral("Quenzal"), twipsRect(840, 240, 3855, 495));
    Label5->setFont(legacyFont(QStringLiteral("Arial"), 12, true));
    Label2 = label(this, "Label2", QStringLiteral("Quenzal"), twipsRect(840, 960, 3495, 255));
    Label3 = label(this, "Label3", QStringLiteral("Version 1.2"), twipsRect(840, 1200, 1335, 255));

    // The address it shows is the page it opens.
    Label4 = label(this, "Label4", webLinkAddress(WebLink::MakerHome).toString(),
                   twipsRect(840, 1440, 3375, 255));
    keepReadable(Label4, QPalette::WindowText, QColor(0, 0, 192));
    Label4->setToolTip(QStringLiteral("Brindlecove"));
    Label4->setCursor(
        QCursor(QPixmap(QStringLiteral(":/cursors/hand.png")), kHandHotSpot.x(), kHandHotSpot.y()));
    Label4->installEventFilter(this);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(1320, 1800, 1380, 345));
    // Both the default button (Enter) and the cancel button (Esc, see keyPressEvent).
    cmdOK->setDefault(true);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Label8 =
        label(this, "Label8", QStringLiteral("Copyright \u00a9 Brindlecove.\nAll rights reserved."),
              twipsRect(480, 2400, 3255, 375));
    keepReadable(Label8, QPalette::WindowText, QColor(0, 0, 0));
}

void frmAbout::Form_Load()
{
    centreOnScreen(this, CentringRule::DifferenceFirst);
}

void frmAbout::cmdOK_Click()
{
    // Closing is never refused; the box deletes itself once closed.
    close();
}

void frmAbout::Label4_Click()
{
    openWebLink(m_shell, WebLink::MakerHome, this);
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // Esc presses the cancel button, as Enter presses the default one.
    if (event->matches(QKeySequence::Cancel)) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    // A label's Click: the left button released over it after being pressed on it.
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            Label4->rect().contains(mouse->position().toPoint()))
            Label4_Click();
    }
    return QDialog::eventFilter(watched, event);
}

frmAbout *showAboutBox(Services services)
{
    // At most one box. A closed box is hidden at once and deleted a little
    // later; it no longer counts as open.
    static QPointer<frmAbout> open;
    frmAbout *box = open.data();
    if (!box || box->isHidden()) {
        box = new frmAbout(services.shell);
        open = box;
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

} // namespace quenzal
