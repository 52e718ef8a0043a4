#include "platform/widgets/PasswordBox.h"

#include <QAccessible>
#include <QLineEdit>

namespace quenzal {
namespace {

QAccessible::UpdateHandler nextHandler = nullptr;

bool isPasswordBox(const QObject *object)
{
    const auto *box = qobject_cast<const QLineEdit *>(object);
    return box && box->echoMode() != QLineEdit::Normal;
}

QString masked(const QString &text)
{
    return QString(text.size(), u'*');
}

void maskPasswordBoxes(QAccessibleEvent *event);

// Passes an event on to whoever would have had it without the mask: a handler
// installed earlier, or else the platform's accessibility bridge.
void passOn(QAccessibleEvent *event)
{
    if (nextHandler) {
        nextHandler(event);
        return;
    }
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(maskPasswordBoxes);
}

// Qt's line edit puts the typed, removed or replaced text itself into its
// text events, whatever its echo mode: for a password box that text becomes
// as many "*" as it has characters.
void maskPasswordBoxes(QAccessibleEvent *event)
{
    if (!isPasswordBox(event->object())) {
        passOn(event);
        return;
    }
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
        QAccessibleTextInsertEvent mask(event->object(), inserted->changePosition(),
                                        masked(inserted->textInserted()));
        mask.setCursorPosition(inserted->cursorPosition());
        passOn(&mask);
        break;
    }
    case QAccessible::TextRemoved: {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
        QAccessibleTextRemoveEvent mask(event->object(), removed->changePosition(),
                                        masked(removed->textRemoved()));
        mask.setCursorPosition(removed->cursorPosition());
        passOn(&mask);
        break;
    }
    case QAccessible::TextUpdated: {
        const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
        QAccessibleTextUpdateEvent mask(event->object(), updated->changePosition(),
                                        masked(updated->textRemoved()),
                                        masked(updated->textInserted()));
        mask.setCursorPosition(updated->cursorPosition());
        passOn(&mask);
        break;
    }
    case QAccessible::ValueChanged: {
        const auto *changed = static_cast<QAccessibleValueChangeEvent *>(event);
        QAccessibleValueChangeEvent mask(event->object(), masked(changed->value().toString()));
        passOn(&mask);
        break;
    }
    default:
        passOn(event);
    }
}

void maskPasswordsForAccessibility()
{
    static const bool installed = [] {
        nextHandler = QAccessible::installUpdateHandler(maskPasswordBoxes);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

void makePasswordBox(QLineEdit *box)
{
    box->setEchoMode(QLineEdit::Password);
    // The style decides the mask character; this asks every style for "*".
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    maskPasswordsForAccessibility();
}

} // namespace quenzal
