#pragma once

#include "platform/ports/Services.h"
#include "platform/widgets/ImageList.h"
#include "ui/main/FileCommands.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;

namespace quenzal {

class RichTextArea;

// The main window: the workspace in which text is scrambled and unscrambled.
// Its controls are laid out at fixed places, in twips, as the window was
// designed; the two password fields lie below the visible client area and are
// reached only with Tab.
class frmMAIN : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMAIN(Services services, QWidget *parent = nullptr);
    ~frmMAIN() override;

    // Handlers; the toolbar's dispatch calls several of them directly.
    void cmdLOCK_Click();
    void Command1_Click();
    void cmdFILE_Click();
    void cmdSAVE_Click();
    void mnuOpenItem_Click();
    void mnuFileSave_Click();
    void mnuchangepassword_Click();
    void mnuFileExit_Click();
    void mnucopy_Click();
    void mnupaste_Click();
    void mnuEncrypt_Click();
    void mnuDecrypt_Click();
    void mnuhelp_Click();
    void mnuhomepage_Click();
    void mnucontactbrindlecove_Click();
    void mnurecommend_Click();
    void mnuabout_Click();
    void Toolbar1_ButtonClick(const QString &key);
    void rtfOriginal_MouseDown(Qt::MouseButton button);
    void rtfNew_MouseDown(Qt::MouseButton button);

signals:
    // File, "Change Password": the access windows answer it.
    void changePasswordRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pasteWithProgress(
        const std::function<void(const std::function<bool(qint64, qint64)> &)> &paste);
    void Form_Load();
    void Form_Unload();
    void createControls(QWidget *client);
    void createToolbar(QWidget *client);
    void createMenus();
    void setTabOrder();
    FileControls fileControls();

    Services m_services;

    // Controls, named as in the window's layout.
    QToolBar *Toolbar1 = nullptr;
    QLineEdit *txtFILE = nullptr;
    QPushButton *cmdFILE = nullptr;
    QLabel *Label2 = nullptr;
    RichTextArea *rtfOriginal = nullptr;
    QLabel *Label3 = nullptr;
    RichTextArea *rtfNew = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QPushButton *cmdLOCK = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmdSAVE = nullptr;
    QFrame *Line1 = nullptr;
    QLineEdit *txtPasswordOne = nullptr;
    QLineEdit *txtPasswordTwo = nullptr;
    ImageList ImageList1;

    QMenu *mnuFile = nullptr;
    QMenu *mnuedit = nullptr;
    QMenu *mnuMessage = nullptr;
    QMenu *mnua = nullptr;
};

// The main window as the start-up gate makes it: its Change Password command
// calls `changePassword`.
std::unique_ptr<QWidget> makeMainWindow(Services services, std::function<void()> changePassword);

} // namespace quenzal
