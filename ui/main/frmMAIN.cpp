#include "ui/main/frmMAIN.h"

#include "base/Layout.h"
#include "engine/CodePage.h"
#include "platform/ports/Clipboard.h"
#include "platform/ports/LoadProgress.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/ports/ProgramEnd.h"
#include "platform/widgets/Centring.h"
#include "platform/widgets/CrispFrame.h"
#include "platform/widgets/FixedLayout.h"
#include "platform/widgets/LegacyFonts.h"
#include "platform/widgets/PasswordBox.h"
#include "platform/widgets/ProgramIcon.h"
#include "platform/widgets/Readability.h"
#include "platform/widgets/RichTextArea.h"
#include "platform/widgets/Twips.h"
#include "ui/info/WebLinks.h"
#include "ui/info/frmAbout.h"
#include "ui/main/CipherCommand.h"
#include "ui/main/CodePageCommand.h"
#include "ui/main/FileCommands.h"
#include "ui/main/MessageCommands.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>

#include <limits>
#include <memory>

namespace quenzal {
namespace {

constexpr int kClientWidth = 7770;
constexpr int kClientHeight = 6270;

QPushButton *button(QWidget *client, const char *name, const QString &caption, QRect twips,
                    const QFont &font)
{
    auto *b = place(new QPushButton(caption, client), name, twips);
    b->setFont(font);
    b->setAutoDefault(false);
    return b;
}

QLabel *heading(QWidget *client, const char *name, const QString &caption, QRect twips)
{
    auto *label = place(new QLabel(caption, client), name, twips);
    label->setFont(dialogFont(true));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

RichTextArea *textArea(QWidget *client, const char *name, QRect twips)
{
    auto *area = place(new RichTextArea(client), name, twips);
    area->setFont(legacyFont(QString(kTextAreaFontFamily), kTextAreaFontPoints));
    keepFrameVisible(area);
    return area;
}

QLineEdit *passwordField(QWidget *client, const char *name, QRect twips)
{
    auto *box = place(new QLineEdit(client), name, twips);
    makePasswordBox(box);
    // Qt cuts a text box at 32,767 characters; a password is kept whole.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QAction *separator(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

// The toolbar's buttons, left to right: the key of the picture, the tool tip,
// the picture and what a click runs.
struct ToolbarButton
{
    const char *key;
    const char *tip;
    const char *picture;
    void (frmMAIN::*handler)();
};
const ToolbarButton kToolbarButtons[] = {
    {"openfile", "Open text file", ":/icons/toolbar/openfile.png", &frmMAIN::mnuOpenItem_Click},
    {"savefile", "Save", ":/icons/toolbar/savefile.png", &frmMAIN::mnuFileSave_Click},
    {"scramble", "Scramble ", ":/icons/toolbar/scramble.png", &frmMAIN::cmdLOCK_Click},
    {"unscramble", "Unscramble", ":/icons/toolbar/unscramble.png", &frmMAIN::Command1_Click},
    {"copy", "Copy scrambled/unscrambled message contents box", ":/icons/toolbar/copy.png",
     &frmMAIN::mnucopy_Click},
    {"paste", "Paste", ":/icons/toolbar/paste.png", &frmMAIN::mnupaste_Click},
};

} // namespace

frmMAIN::frmMAIN(Services services, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_services(services), ImageList1(QSize(32, 32), QColor(192, 192, 192))
{
    setObjectName(QStringLiteral("frmMAIN"));
    setWindowTitle(QStringLiteral("Quenzal"));
    setWindowIcon(programIcon());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    // The window's own font, for the controls that name none.
    client->setFont(dialogFont());
    setCentralWidget(client);

    createControls(client);
    createToolbar(client);
    createMenus();
    setTabOrder();

    // Fixed border: the window keeps the size of its menu bar and client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    txtFILE->setFocus();

    Form_Load();
}

frmMAIN::~frmMAIN() = default;

void frmMAIN::createControls(QWidget *client)
{
    txtFILE = place(new QLineEdit(QStringLiteral("No File Specified..."), client), "txtFILE",
                    twipsRect(120, 840, 6855, 375));
    QPalette filePalette = txtFILE->palette();
    filePalette.setColor(QPalette::Base, QColor(128, 128, 128));
    filePalette.setColor(QPalette::Text, QColor(255, 255, 255));
    txtFILE->setPalette(filePalette);
    txtFILE->setAccessibleName(QStringLiteral("File name"));

    const QFont smallFonts = legacyFont(QStringLiteral("Small Fonts"), 6.75);
    const QFont arial = legacyFont(QStringLiteral("Arial"), 14.25, true);
    cmdFILE = button(client, "cmdFILE", QStringLiteral("FILE"), twipsRect(7080, 720, 615, 615),
                     smallFonts);
    Label2 = heading(client, "Label2", QStringLiteral("Text to Scramble / Unscramble:"),
                     twipsRect(120, 1320, 7575, 255));
    rtfOriginal = textArea(client, "rtfOriginal", twipsRect(120, 1560, 7575, 1455));
    Label3 = heading(client, "Label3", QStringLiteral("Message Contents:"),
                     twipsRect(120, 3120, 7575, 255));
    rtfNew = textArea(client, "rtfNew", twipsRect(120, 3360, 7575, 1575));
    // Every paste into either area (keys, drag and drop, the middle button)
    // shows its progress and can be cancelled.
    for (RichTextArea *area : {rtfOriginal, rtfNew})
        area->setPasteRunner([this](const auto &paste) { pasteWithProgress(paste); });
    // The headings name their areas for screen readers.
    Label2->setBuddy(rtfOriginal);
    Label3->setBuddy(rtfNew);

    ProgressBar = place(new QProgressBar(client), "ProgressBar", twipsRect(120, 5040, 7575, 255));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(QStringLiteral("Progress"));

    cmdLOCK = button(client, "cmdLOCK", QStringLiteral("Scramble"), twipsRect(120, 5400, 1800, 600),
                     arial);
    Command1 = button(client, "Command1", QStringLiteral("Unscramble"),
                      twipsRect(2160, 5400, 2040, 600), arial);
    cmdSAVE = button(client, "cmdSAVE", QStringLiteral("SAVE"), twipsRect(6000, 5400, 1560, 600),
                     smallFonts);

    // A one-pixel rule from (120, 6120) to (7680, 6120), end point excluded. It
    // fills its whole height, so that it shows at every scale.
    Line1 = place(new QFrame(client), "Line1", twipsRect(120, 6120, 7680 - 120, 15));
    Line1->setFrameStyle(QFrame::NoFrame);
    Line1->setBackgroundRole(QPalette::WindowText);
    Line1->setAutoFillBackground(true);
    keepReadable(Line1, QPalette::WindowText, Qt::black);

    // Below the client area's bottom edge (6270): never seen, reached with Tab.
    txtPasswordOne = passwordField(client, "txtPasswordOne", twipsRect(240, 6480, 615, 375));
    txtPasswordTwo = passwordField(client, "txtPasswordTwo", twipsRect(960, 6480, 615, 375));
    // No label names them on the screen; a screen reader names them.
    txtPasswordOne->setAccessibleName(QStringLiteral("First password"));
    txtPasswordTwo->setAccessibleName(QStringLiteral("Second password"));

    connect(cmdLOCK, &QPushButton::clicked, this, &frmMAIN::cmdLOCK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmMAIN::Command1_Click);
    connect(cmdFILE, &QPushButton::clicked, this, &frmMAIN::cmdFILE_Click);
    connect(cmdSAVE, &QPushButton::clicked, this, &frmMAIN::cmdSAVE_Click);
    // Enter presses the focused button; the Menu key and Shift+F10 open an
    // area's pop-up menu.
    for (QWidget *control : {static_cast<QWidget *>(cmdFILE), static_cast<QWidget *>(cmdLOCK),
                             static_cast<QWidget *>(Command1), static_cast<QWidget *>(cmdSAVE),
                             static_cast<QWidget *>(rtfOriginal), static_cast<QWidget *>(rtfNew)})
        control->installEventFilter(this);
    connect(rtfOriginal, &RichTextArea::mouseDown, this,
            [this](Qt::MouseButton b) { rtfOriginal_MouseDown(b); });
    connect(rtfNew, &RichTextArea::mouseDown, this,
            [this](Qt::MouseButton b) { rtfNew_MouseDown(b); });
}

void frmMAIN::createToolbar(QWidget *client)
{
    for (const ToolbarButton &button : kToolbarButtons)
        ImageList1.add(QLatin1String(button.key), QLatin1String(button.picture));

    Toolbar1 = place(new QToolBar(client), "Toolbar1", twipsRect(0, 0, kClientWidth, 660));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(ImageList1.size());
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto addButton = [&](int picture) {
        QAction *action = Toolbar1->addAction(ImageList1.icon(picture), QString());
        action->setData(ImageList1.key(picture));
        const QString toolTip = QLatin1String(kToolbarButtons[picture - 1].tip);
        action->setToolTip(toolTip);
        // The button shows only its picture; a screen reader says its tool tip.
        Toolbar1->widgetForAction(action)->setAccessibleName(toolTip.trimmed());
    };
    const auto addSeparators = [&](int count) {
        for (int i = 0; i < count; ++i)
            Toolbar1->addSeparator();
    };
    addButton(1);
    addButton(2);
    addSeparators(5);
    addButton(3);
    addButton(4);
    addSeparators(4);
    addButton(5);
    addButton(6);
    connect(Toolbar1, &QToolBar::actionTriggered, this,
            [this](QAction *action) { Toolbar1_ButtonClick(action->data().toString()); });
}

void frmMAIN::createMenus()
{
    const auto item = [this](QMenu *menu, const char *name, const QString &caption,
                             void (frmMAIN::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, "mnuOpenItem", QStringLiteral("Open"), &frmMAIN::mnuOpenItem_Click);
    separator(mnuFile, "mnuseppp");
    item(mnuFile, "mnuFileSave", QStringLiteral("Save"), &frmMAIN::mnuFileSave_Click);
    separator(mnuFile, "mnusepse");
    item(mnuFile, "mnuchangepassword", QStringLiteral("Change Password"),
         &frmMAIN::mnuchangepassword_Click);
    separator(mnuFile, "sep01");
    item(mnuFile, "mnuFileExit", QStringLiteral("Exit"), &frmMAIN::mnuFileExit_Click);

    mnuedit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuedit->setObjectName(QStringLiteral("mnuedit"));
    item(mnuedit, "mnucopy",
         QStringLiteral("Copy Scrambled/Unscrambled Message Contents to Clipboard"),
         &frmMAIN::mnucopy_Click);
    separator(mnuedit, "mnusepcopy");
    item(mnuedit, "mnupaste", QStringLiteral("Paste"), &frmMAIN::mnupaste_Click);

    mnuMessage = menuBar()->addMenu(QStringLiteral("&Message"));
    mnuMessage->setObjectName(QStringLiteral("mnuMessage"));
    item(mnuMessage, "mnuEncrypt", QStringLiteral("&Encrypt for Sending..."),
         &frmMAIN::mnuEncrypt_Click);
    item(mnuMessage, "mnuDecrypt", QStringLiteral("&Decrypt Message..."),
         &frmMAIN::mnuDecrypt_Click);
    separator(mnuMessage, "mnusepcodepage");
    createCodePageMenu();

    mnua = menuBar()->addMenu(QStringLiteral("&Help"));
    mnua->setObjectName(QStringLiteral("mnua"));
    item(mnua, "mnuhelp", QStringLiteral("Quenzal Help"), &frmMAIN::mnuhelp_Click);
    separator(mnua, "mnusephelp");
    item(mnua, "mnuhomepage", QStringLiteral("Quenzal Home Page"), &frmMAIN::mnuhomepage_Click);
    separator(mnua, "mnusephomepage");
    item(mnua, "mnucontactbrindlecove", QStringLiteral("Contact Brindlecove"),
         &frmMAIN::mnucontactbrindlecove_Click);
    separator(mnua, "mnusepabout");
    item(mnua, "mnurecommend", QStringLiteral("Recommend Quenzal to my friends"),
         &frmMAIN::mnurecommend_Click);
    separator(mnua, "mnuseprefer");
    item(mnua, "mnuabout", QStringLiteral("About Quenzal"), &frmMAIN::mnuabout_Click);
}

void frmMAIN::createCodePageMenu()
{
    mnuCodePage = mnuMessage->addMenu(QStringLiteral("Code &Page"));
    mnuCodePage->setObjectName(QStringLiteral("mnuCodePage"));
    mnuCodePage->menuAction()->setObjectName(QStringLiteral("mnuCodePage"));
    auto *choices = new QActionGroup(mnuCodePage);
    const auto add = [&](int choice, const QString &caption) {
        QAction *action = mnuCodePage->addAction(caption);
        action->setObjectName(QStringLiteral("mnuCodePage%1").arg(choice));
        action->setData(choice);
        action->setCheckable(true);
        choices->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice] { mnuCodePage_Click(choice); });
    };
    add(0, QString()); // its caption names the code page it gives
    mnuCodePage->addSeparator()->setObjectName(QStringLiteral("mnusepsystem"));
    for (const int number : CodePage::kNumbers)
        add(number, CodePage::name(number));
    // The code page in force: the user's choice, or the system language's.
    m_codePageChoice = storedCodePage(m_services.settings);
    applyCodePage(m_codePageChoice, {rtfOriginal, rtfNew});
    showCodePageInForce();
}

void frmMAIN::showCodePageInForce()
{
    for (QAction *action : mnuCodePage->actions()) {
        if (action->isSeparator())
            continue;
        action->setChecked(action->data().toInt() == m_codePageChoice);
        if (action->data().toInt() == 0)
            action->setText(QStringLiteral("From the &System's Language: %1")
                                .arg(CodePage::name(CodePage::ofSystemLanguage())));
    }
}

void frmMAIN::mnuCodePage_Click(int choice)
{
    if (const QString error = storeCodePage(m_services.settings, choice); !error.isEmpty())
        m_services.messages.critical(
            this, QStringLiteral("Error"),
            QStringLiteral("The code page applies now, but could not be kept for the next "
                           "time: %1")
                .arg(error));
    m_codePageChoice = choice;
    applyCodePage(choice, {rtfOriginal, rtfNew});
    showCodePageInForce();
}

void frmMAIN::setTabOrder()
{
    // Labels, the progress bar and the toolbar take no focus and are passed over.
    chainTabOrder({txtFILE, cmdFILE, cmdLOCK, rtfOriginal, rtfNew, txtPasswordTwo, txtPasswordOne,
                   Command1, cmdSAVE});
}

void frmMAIN::Form_Load()
{
    centreOnScreen(this, CentringRule::HalvesFirst);
}

void frmMAIN::Form_Unload()
{
    m_services.programEnd.endNow();
}

void frmMAIN::closeEvent(QCloseEvent *event)
{
    // Closing cannot be refused, and it ends the program.
    event->accept();
    Form_Unload();
}

void frmMAIN::mnuFileExit_Click()
{
    if (!close()) // should the window stay, end the program all the same
        m_services.programEnd.endNow();
}

void frmMAIN::cmdLOCK_Click()
{
    runCipherCommand({*this, *rtfOriginal, *rtfNew, *txtPasswordOne, *txtPasswordTwo, *ProgressBar},
                     m_services.messages, Direction::Scramble);
}

void frmMAIN::Command1_Click()
{
    runCipherCommand({*this, *rtfOriginal, *rtfNew, *txtPasswordOne, *txtPasswordTwo, *ProgressBar},
                     m_services.messages, Direction::Unscramble);
}

void frmMAIN::Toolbar1_ButtonClick(const QString &key)
{
    // The keys in the order they are compared; the first match runs.
    for (const ToolbarButton &button : kToolbarButtons) {
        if (key == QLatin1String(button.key)) {
            (this->*button.handler)();
            return;
        }
    }
}

FileControls frmMAIN::fileControls()
{
    return {*this, *rtfOriginal, *rtfNew, *txtFILE};
}

void frmMAIN::cmdFILE_Click()
{
    OpenTextFile(fileControls(), m_services.fileDialogs, m_services.messages,
                 m_services.loadProgress);
}

void frmMAIN::mnuOpenItem_Click()
{
    OpenTextFile(fileControls(), m_services.fileDialogs, m_services.messages,
                 m_services.loadProgress);
}

void frmMAIN::cmdSAVE_Click()
{
    SaveTextFile(fileControls(), m_services.fileDialogs, m_services.messages);
}

void frmMAIN::mnuFileSave_Click()
{
    SaveTextFile(fileControls(), m_services.fileDialogs, m_services.messages);
}

// Copy: the lower area's whole text, whatever is selected.
void frmMAIN::mnucopy_Click()
{
    m_services.clipboard.clear();
    m_services.clipboard.setText(rtfNew->text());
}

// Paste: the clipboard's text in place of the upper area's selection.
void frmMAIN::mnupaste_Click()
{
    const QString text = m_services.clipboard.text();
    pasteWithProgress([&](const RichTextArea::Progress &progress) {
        rtfOriginal->replaceSelection(text, progress);
    });
}

void frmMAIN::mnuEncrypt_Click()
{
    EncryptForSending({*this, *rtfOriginal, *rtfNew}, m_services);
}

void frmMAIN::mnuDecrypt_Click()
{
    DecryptMessage({*this, *rtfOriginal, *rtfNew}, m_services);
}

// A paste into either area, which a large text makes long: its progress
// shows, and Cancel takes it back.
void frmMAIN::pasteWithProgress(const std::function<void(const RichTextArea::Progress &)> &paste)
{
    Loading loading(m_services.loadProgress, this, QStringLiteral("Pasting..."));
    paste(loading.report());
}

// The right button, pressed over either area, pops up the Edit menu.
void frmMAIN::rtfOriginal_MouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        mnuedit->popup(QCursor::pos());
}

void frmMAIN::rtfNew_MouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        mnuedit->popup(QCursor::pos());
}

bool frmMAIN::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (auto *button = qobject_cast<QPushButton *>(watched)) {
        // As on the program's home platform, Enter presses the focused button.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            modifiers == Qt::NoModifier) {
            button->click();
            return true;
        }
    } else if (auto *area = qobject_cast<RichTextArea *>(watched)) {
        // The keyboard's way to the pop-up menu, shown at the caret.
        if ((key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
            (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
            mnuedit->popup(area->viewport()->mapToGlobal(area->cursorRect().bottomLeft()));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMAIN::mnuhelp_Click()
{
    openWebLink(m_services.shell, WebLink::Help, this);
}

void frmMAIN::mnuhomepage_Click()
{
    openWebLink(m_services.shell, WebLink::HomePage, this);
}

void frmMAIN::mnucontactbrindlecove_Click()
{
    openWebLink(m_services.shell, WebLink::Contact, this);
}

void frmMAIN::mnurecommend_Click()
{
    openWebLink(m_services.shell, WebLink::Recommend, this);
}

void frmMAIN::mnuabout_Click()
{
    showAboutBox(m_services);
}

void frmMAIN::mnuchangepassword_Click()
{
    emit changePasswordRequested();
}

std::unique_ptr<QWidget> makeMainWindow(Services services, std::function<void()> changePassword)
{
    auto window = std::make_unique<frmMAIN>(services);
    QObject::connect(window.get(), &frmMAIN::changePasswordRequested, window.get(),
                     std::move(changePassword));
    return window;
}

} // namespace quenzal
