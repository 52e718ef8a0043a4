#pragma once

#include "access/PasswordStore.h"
#include "platform/ports/Services.h"

#include <functional>
#include <memory>

class QWidget;

namespace quenzal {

class frmChangePass;
class frmLogin;
class frmPassSet;

// Makes the program's main window, handed the desktop services; its Change
// Password command calls `changePassword`.
using MainWindowFactory = std::function<std::unique_ptr<QWidget>(
    Services services, std::function<void()> changePassword)>;

// The way into the program: the application password's store and the single
// instances of the Set Password, Login, Change Password and main windows. A
// window is created by its first show and then kept, hidden rather than
// destroyed, until the program ends; the one exception is the Login window
// closed through its frame after a login in it succeeded, which goes and is
// created afresh by its next show. Every window is modeless, without owner.
class AccessGate
{
public:
    AccessGate(Services services, MainWindowFactory makeMainWindow, PasswordHashing hashing);
    ~AccessGate();
    AccessGate(const AccessGate &) = delete;
    AccessGate &operator=(const AccessGate &) = delete;

    Services services() const { return m_services; }
    PasswordStore &passwords() { return m_passwords; }

    // Each shows its window and brings it to the front, creating it first
    // when it does not exist (which runs its Form_Load).
    void showPassSet();
    void showLogin();
    void showChangePass();
    void showMain();

    // The windows, or null while they do not exist.
    frmPassSet *passSetWindow() const { return m_passSet.get(); }
    frmLogin *loginWindow() const { return m_login.get(); }
    frmChangePass *changePassWindow() const { return m_changePass.get(); }
    QWidget *mainWindow() const { return m_main.get(); }

    // Where the Login window's LoginSucceeded lives.
    bool &loginSucceeded() { return m_loginSucceeded; }

    // The Login window was closed through its frame after a login in it had
    // succeeded: it goes, and the next show creates it afresh.
    void forgetLoginWindow();

    // The window system closed `window`, a window without close handling of
    // its own. When no other window of the program is shown, nothing is left
    // to work with, and the program ends.
    void windowClosed(QWidget *window);

private:
    Services m_services;
    MainWindowFactory m_makeMainWindow;
    PasswordStore m_passwords;
    bool m_loginSucceeded = false;

    std::unique_ptr<frmPassSet> m_passSet;
    std::unique_ptr<frmLogin> m_login;
    std::unique_ptr<frmChangePass> m_changePass;
    std::unique_ptr<QWidget> m_main;
};

// The program's start-up routine: shows the Set Password window, which asks
// for a new password, or, with a password stored, the Login window instead.
// The returned gate owns every window; the main window opens only through
// an accepted Set, Login or Change.
std::unique_ptr<AccessGate>
OpenAccessGate(Services services, MainWindowFactory makeMainWindow,
               PasswordHashing hashing = PasswordHashing::interactive());

} // namespace quenzal
