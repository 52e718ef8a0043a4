#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <initializer_list>

namespace quenzal {

// The windows' controls stand at fixed places given in twips (Twips.h), not in
// layouts. Names the control and puts it at its place; returns it.
template <typename W> W *place(W *control, const char *name, QRect twips)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips);
    return control;
}

// Sets the tab order of the controls that take the focus, in this order.
inline void chainTabOrder(std::initializer_list<QWidget *> controls)
{
    QWidget *previous = nullptr;
    for (QWidget *control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

} // namespace quenzal
