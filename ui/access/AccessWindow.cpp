#include "ui/access/AccessWindow.h"

#include "access/PasswordStore.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/widgets/Centring.h"
#include "platform/widgets/FixedLayout.h"
#include "platform/widgets/LegacyFonts.h"
#include "platform/widgets/PasswordBox.h"
#include "platform/widgets/ProgramIcon.h"
#include "platform/widgets/Readability.h"
#include "platform/widgets/Twips.h"
#include "ui/access/AccessGate.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace quenzal {
namespace {

QString passwordsDontMatch()
{
    return QStringLiteral("The passwords don't match!");
}

// Keeps a box's whole text selected until the user types or clicks in it.
// On the way back from a message box the window manager may hand the focus
// to another window first, and a focus change for another reason than the
// window's activation clears a line edit's selection.
class SelectedUntilUsed : public QObject
{
public:
    explicit SelectedUntilUsed(QLineEdit *box) : QObject(box), m_box(box)
    {
        setObjectName(QStringLiteral("selectedUntilUsed"));
        box->installEventFilter(this);
        box->selectAll();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            m_box->selectAll();
            break;
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
            m_box->removeEventFilter(this);
            deleteLater();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QLineEdit *m_box;
};

} // namespace

AccessWindow::AccessWindow(AccessGate &gate, Qt::WindowFlags frame, const char *name,
                           const QString &caption, QSize clientTwips)
    : QDialog(nullptr, frame), m_gate(gate), m_clientTwips(clientTwips)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setWindowIcon(programIcon());
    // The default dialog font, for every control.
    setFont(dialogFont());
    resize(sizeHint());
}

AccessWindow::~AccessWindow() = default;

QSize AccessWindow::sizeHint() const
{
    return {pixels(m_clientTwips.width()), pixels(m_clientTwips.height())};
}

void AccessWindow::reject() {}

void AccessWindow::finishSetUp(QPushButton *defaultButton,
                               std::initializer_list<QWidget *> tabOrder)
{
    defaultButton->setDefault(true);
    chainTabOrder(tabOrder);
    (*tabOrder.begin())->setFocus();
    keepTextsWhole(this);
    Form_Load();
}

void AccessWindow::Form_Load()
{
    centreOnScreen(this, CentringRule::HalvesFirst);
}

void AccessWindow::Form_Unload()
{
    m_gate.windowClosed(this);
}

void AccessWindow::closeEvent(QCloseEvent *event)
{
    // Closing through the window system is never refused.
    event->accept();
    Form_Unload();
}

QLineEdit *AccessWindow::passwordBox(const char *name, QRect twips)
{
    auto *box = place(new QLineEdit(this), name, twips);
    makePasswordBox(box);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QPushButton *AccessWindow::commandButton(const char *name, const QString &caption, QRect twips)
{
    auto *button = place(new QPushButton(caption, this), name, twips);
    button->setAutoDefault(true);
    return button;
}

QLabel *AccessWindow::label(const char *name, const QString &caption, QRect twips)
{
    auto *text = place(new QLabel(caption, this), name, twips);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return text;
}

void AccessWindow::showError(const QString &text)
{
    m_gate.services().messages.critical(this, QStringLiteral("Error"), text);
}

void AccessWindow::returnKeyboard(QLineEdit *box)
{
    raise();
    activateWindow();
    box->setFocus();
    delete box->findChild<QObject *>(QStringLiteral("selectedUntilUsed"),
                                     Qt::FindDirectChildrenOnly);
    new SelectedUntilUsed(box);
}

bool AccessWindow::storeNewPassword(QLineEdit *box, QLineEdit *again)
{
    if (!PasswordStore::same(box->text(), again->text())) {
        showError(passwordsDontMatch());
        box->clear();
        again->clear();
        returnKeyboard(box);
        return false;
    }
    if (const Result<void> written = m_gate.passwords().write(box->text()); !written) {
        showError(written.error());
        returnKeyboard(box);
        return false;
    }
    return true;
}

QString AccessWindow::invalidPassword()
{
    return QStringLiteral("Invalid Password!");
}

} // namespace quenzal
