#include "AccessWindowParts.h"

#include "LegacyFonts.h"
#include "PasswordBox.h"
#include "ProgramIcon.h"
#include "Twips.h"
#include "ports/MessageBoxes.h"
#include "ports/Services.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace quenzal {
namespace {

template <typename W> W *place(W *control, const char *name, QRect twips)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips);
    return control;
}

} // namespace

void setUpAccessWindow(QWidget *window, const char *name, const QString &caption,
                       int clientWidthTwips, int clientHeightTwips)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(caption);
    window->setWindowIcon(programIcon());
    // The default dialog font, for every control.
    window->setFont(legacyFont(QStringLiteral("MS Sans Serif"), 8.25));
    window->resize(pixels(clientWidthTwips), pixels(clientHeightTwips));
}

QLineEdit *passwordBox(QWidget *window, const char *name, QRect twips)
{
    auto *box = place(new QLineEdit(window), name, twips);
    makePasswordBox(box);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QPushButton *commandButton(QWidget *window, const char *name, const QString &caption, QRect twips)
{
    auto *button = place(new QPushButton(caption, window), name, twips);
    button->setAutoDefault(true);
    return button;
}

QLabel *label(QWidget *window, const char *name, const QString &caption, QRect twips)
{
    auto *text = place(new QLabel(caption, window), name, twips);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return text;
}

void chainTabOrder(std::initializer_list<QWidget *> controls)
{
    QWidget *previous = nullptr;
    for (QWidget *control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

QString passwordsDontMatch()
{
    return QStringLiteral("The passwords don't match!");
}

QString invalidPassword()
{
    return QStringLiteral("Invalid Password!");
}

void showError(Services services, QWidget *window, const QString &text)
{
    services.messages.critical(window, QStringLiteral("Error"), text);
}

void returnKeyboard(QWidget *window, QLineEdit *box)
{
    window->raise();
    window->activateWindow();
    box->setFocus();
    box->selectAll();
}

} // namespace quenzal
