#include "ui/access/AccessGate.h"

#include "platform/ports/ProgramEnd.h"
#include "ui/access/frmChangePass.h"
#include "ui/access/frmLogin.h"
#include "ui/access/frmPassSet.h"

namespace quenzal {
namespace {

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

AccessGate::AccessGate(Services services, MainWindowFactory makeMainWindow, PasswordHashing hashing)
    : m_services(services), m_makeMainWindow(std::move(makeMainWindow)),
      m_passwords(services.settings, hashing)
{}

AccessGate::~AccessGate() = default;

void AccessGate::showPassSet()
{
    if (!m_passSet) {
        m_passSet = std::make_unique<frmPassSet>(*this);
        // Its Form_Load handed over to the Login window: it stays hidden.
        if (m_passSet->handedOverOnLoad())
            return;
    }
    bringToFront(m_passSet.get());
}

void AccessGate::showLogin()
{
    if (!m_login)
        m_login = std::make_unique<frmLogin>(*this);
    bringToFront(m_login.get());
}

void AccessGate::showChangePass()
{
    if (!m_changePass)
        m_changePass = std::make_unique<frmChangePass>(*this);
    bringToFront(m_changePass.get());
}

void AccessGate::showMain()
{
    if (!m_main)
        m_main = m_makeMainWindow(m_services, [this] { showChangePass(); });
    bringToFront(m_main.get());
}

void AccessGate::forgetLoginWindow()
{
    // Called from the window's own close handling: it goes once that is over.
    if (m_login)
        m_login.release()->deleteLater();
}

void AccessGate::windowClosed(QWidget *window)
{
    const QWidget *windows[] = {m_passSet.get(), m_login.get(), m_changePass.get(), m_main.get()};
    for (const QWidget *other : windows) {
        if (other && other != window && other->isVisible())
            return;
    }
    m_services.programEnd.endNow();
}

std::unique_ptr<AccessGate> OpenAccessGate(Services services, MainWindowFactory makeMainWindow,
                                           PasswordHashing hashing)
{
    auto gate = std::make_unique<AccessGate>(services, std::move(makeMainWindow), hashing);
    // Its Form_Load hands over to the Login window when a password is stored.
    gate->showPassSet();
    // Read again: with a password stored, only the Login window is shown.
    if (gate->passwords().isSet()) {
        gate->showLogin();
        gate->passSetWindow()->hide();
    }
    return gate;
}

} // namespace quenzal
