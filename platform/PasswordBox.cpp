#include "PasswordBox.h"

#include <QLineEdit>

namespace quenzal {

void makePasswordBox(QLineEdit *box)
{
    box->setEchoMode(QLineEdit::Password);
    // The style decides the mask character; this asks every style for "*".
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
}

} // namespace quenzal
