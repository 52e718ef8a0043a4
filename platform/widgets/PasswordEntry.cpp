#include "platform/widgets/PasswordEntry.h"

#include <QEvent>
#include <QLineEdit>

namespace quenzal {
namespace {

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

QString passwordsDontMatch()
{
    return QStringLiteral("The passwords don't match!");
}

bool typedAlikeTwice(QLineEdit *box, QLineEdit *again,
                     const std::function<void(const QString &)> &showError)
{
    if (box->text() == again->text())
        return true;
    showError(passwordsDontMatch());
    box->clear();
    again->clear();
    returnKeyboard(box);
    return false;
}

void returnKeyboard(QLineEdit *box)
{
    QWidget *window = box->window();
    window->raise();
    window->activateWindow();
    box->setFocus();
    delete box->findChild<QObject *>(QStringLiteral("selectedUntilUsed"),
                                     Qt::FindDirectChildrenOnly);
    new SelectedUntilUsed(box);
}

} // namespace quenzal
