#include "ui/main/frmMessagePassword.h"

#include "platform/ports/MessageBoxes.h"
#include "platform/widgets/FixedLayout.h"
#include "platform/widgets/LegacyFonts.h"
#include "platform/widgets/PasswordBox.h"
#include "platform/widgets/PasswordEntry.h"
#include "platform/widgets/ProgramIcon.h"
#include "platform/widgets/Readability.h"
#include "platform/widgets/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace quenzal {
namespace {

constexpr int kClientWidth = 4455;
// Each row of the window: a label above its password box.
constexpr int kRowHeight = 690;
constexpr int kButtonsHeight = 675;

QLabel *label(QWidget *window, const char *name, const QString &caption, int top)
{
    auto *text = place(new QLabel(caption, window), name, twipsRect(120, top, 4215, 255));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return text;
}

QLineEdit *passwordBox(QWidget *window, const char *name, int top)
{
    auto *box = place(new QLineEdit(window), name, twipsRect(120, top + 255, 4215, 315));
    makePasswordBox(box);
    // Qt cuts a text box at 32,767 characters; a password is kept whole.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QPushButton *button(QWidget *window, const char *name, const QString &caption, int left, int top)
{
    auto *b = place(new QPushButton(caption, window), name, twipsRect(left, top, 1215, 375));
    b->setAutoDefault(true);
    return b;
}

int rows(frmMessagePassword::Purpose purpose)
{
    return purpose == frmMessagePassword::Purpose::Encrypt ? 2 : 1;
}

} // namespace

frmMessagePassword::frmMessagePassword(Services services, Purpose purpose, Use use, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_services(services), m_purpose(purpose), m_use(std::move(use))
{
    const bool encrypt = purpose == Purpose::Encrypt;
    setObjectName(encrypt ? QStringLiteral("frmEncrypt") : QStringLiteral("frmDecrypt"));
    setWindowTitle(encrypt ? QStringLiteral("Encrypt for Sending")
                           : QStringLiteral("Decrypt Message"));
    setWindowIcon(programIcon());
    setFont(dialogFont());
    setFixedSize(frmMessagePassword::sizeHint());
    // The main window waits while the password is asked.
    setWindowModality(Qt::WindowModal);

    lblPassword = label(this, "lblPassword", QStringLiteral("&Password:"), 120);
    txtPassword = passwordBox(this, "txtPassword", 120);
    lblPassword->setBuddy(txtPassword);
    if (encrypt) {
        lblPasswordAgain = label(this, "lblPasswordAgain",
                                 QStringLiteral("The same password &again:"), 120 + kRowHeight);
        txtPasswordAgain = passwordBox(this, "txtPasswordAgain", 120 + kRowHeight);
        lblPasswordAgain->setBuddy(txtPasswordAgain);
    }
    const int buttonsTop = 120 + rows(purpose) * kRowHeight + 120;
    cmdOK = button(this, "cmdOK", encrypt ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt"),
                   1800, buttonsTop);
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"), 3120, buttonsTop);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmMessagePassword::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMessagePassword::reject);

    if (encrypt)
        chainTabOrder({txtPassword, txtPasswordAgain, cmdOK, cmdCancel});
    else
        chainTabOrder({txtPassword, cmdOK, cmdCancel});
    txtPassword->setFocus();
    keepTextsWhole(this);
}

frmMessagePassword::~frmMessagePassword() = default;

QSize frmMessagePassword::sizeHint() const
{
    return {pixels(kClientWidth), pixels(120 + rows(m_purpose) * kRowHeight + kButtonsHeight)};
}

void frmMessagePassword::showError(const QString &text)
{
    m_services.messages.critical(this, QStringLiteral("Error"), text);
}

void frmMessagePassword::cmdOK_Click()
{
    if (txtPasswordAgain) {
        if (!typedAlikeTwice(txtPassword, txtPasswordAgain,
                             [this](const QString &text) { showError(text); }))
            return;
        if (txtPassword->text().isEmpty()) {
            showError(QStringLiteral("Type a password: without one, anybody could open the "
                                     "message."));
            returnKeyboard(txtPassword);
            return;
        }
    }
    if (m_use(*this, txtPassword->text()) == Outcome::TryAgain) {
        returnKeyboard(txtPassword);
        return;
    }
    accept();
}

void frmMessagePassword::done(int result)
{
    for (QLineEdit *box : {txtPassword, txtPasswordAgain})
        if (box)
            box->clear();
    QDialog::done(result);
}

} // namespace quenzal
