#include "ui/access/AccessWindow.h"

#include "access/PasswordStore.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/widgets/Centring.h"
#include "platform/widgets/FixedLayout.h"
#include "platform/widgets/LegacyFonts.h"
#include "platform/widgets/PasswordBox.h"
#include "platform/widgets/PasswordEntry.h"
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

AccessWindow::AccessWindow(AccessGate &gate, Qt::WindowFlags frame, const char *name,
                           const QString &caption, QSize clientTwips)
    : QDialog(nullptr, frame), m_gate(gate), m_clientTwips(clientTwips)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setWindowIcon(programIcon());
    // The default dialog font, for every control.
    setFont(dialogFont());
    resize(AccessWindow::sizeHint());
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

bool AccessWindow::storeNewPassword(QLineEdit *box, QLineEdit *again)
{
    if (!typedAlikeTwice(box, again, [this](const QString &text) { showError(text); }))
        return false;
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
