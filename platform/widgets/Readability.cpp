#include "platform/widgets/Readability.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace quenzal {
namespace {

constexpr qreal kLeastContrast = 4.5;

qreal luminance(QColor colour)
{
    const auto linear = [](qreal c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

// Re-colours a control whenever its parent's palette changes.
class ReadableColour final : public QObject
{
public:
    ReadableColour(QWidget *control, QPalette::ColorRole role, QColor wanted)
        : QObject(control), m_control(control), m_role(role), m_wanted(wanted)
    {
        control->parentWidget()->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange)
            apply();
        return false;
    }

private:
    void apply()
    {
        const QWidget *behind = m_control->parentWidget();
        QPalette palette = m_control->palette();
        palette.setColor(
            m_role, readableColour(m_wanted, behind->palette().color(behind->backgroundRole())));
        m_control->setPalette(palette);
    }

    QWidget *m_control;
    QPalette::ColorRole m_role;
    QColor m_wanted;
};

// The width in which a control shows one line of text: a button inside its
// frame, a label in the part of it that lies inside its window.
qreal roomFor(QWidget *control)
{
    if (auto *button = qobject_cast<QPushButton *>(control))
        return buttonTextRoom(button).width();
    const QRect inWindow = control->geometry() & control->parentWidget()->rect();
    return inWindow.width() - (control->width() - control->contentsRect().width());
}

void shrinkToFit(QWidget *control, QString text)
{
    text.remove(u'&');
    const qreal room = roomFor(control);
    QFont font = control->font();
    while (QFontMetricsF(font, control).horizontalAdvance(text) > room && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        control->setFont(font);
    }
}

} // namespace

QRect buttonTextRoom(const QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
}

qreal contrastRatio(QColor a, QColor b)
{
    const qreal la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableColour(QColor wanted, QColor background)
{
    if (contrastRatio(wanted, background) >= kLeastContrast)
        return wanted;
    const QColor towards = luminance(background) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    for (int step = 1; step < 20; ++step) {
        const qreal t = step / 20.0;
        const QColor mixed =
            QColor::fromRgbF(float(wanted.redF() + (towards.redF() - wanted.redF()) * t),
                             float(wanted.greenF() + (towards.greenF() - wanted.greenF()) * t),
                             float(wanted.blueF() + (towards.blueF() - wanted.blueF()) * t));
        if (contrastRatio(mixed, background) >= kLeastContrast)
            return mixed.toRgb();
    }
    return towards;
}

void keepReadable(QWidget *control, QPalette::ColorRole role, QColor wanted)
{
    new ReadableColour(control, role, wanted);
}

void keepTextsWhole(QWidget *window)
{
    QList<QLabel *> lines;
    for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (auto *label = qobject_cast<QLabel *>(control)) {
            if (!label->wordWrap()) {
                shrinkToFit(label, label->text());
                lines.append(label);
                continue;
            }
            const int overhang = label->geometry().right() - window->rect().right();
            if (overhang > 0)
                label->setContentsMargins(0, 0, overhang, 0);
        } else if (auto *button = qobject_cast<QPushButton *>(control)) {
            shrinkToFit(button, button->text());
        }
    }
    // When one of them had to shrink, the window's one-line labels all take
    // the smallest size, so that they look alike.
    qreal smallest = window->font().pointSizeF();
    for (const QLabel *label : std::as_const(lines))
        smallest = std::min(smallest, label->font().pointSizeF());
    if (smallest == window->font().pointSizeF())
        return;
    for (QLabel *label : std::as_const(lines)) {
        QFont font = label->font();
        font.setPointSizeF(smallest);
        label->setFont(font);
    }
}

} // namespace quenzal
