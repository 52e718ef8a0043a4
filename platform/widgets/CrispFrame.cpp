#include "platform/widgets/CrispFrame.h"

#include <QFrame>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

#include <cmath>

namespace quenzal {
namespace {

class CrispFrameStyle final : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1;
        if (element != PE_Frame || scale == std::floor(scale))
            return;
        // The style's own outline colour, as its side lines show it.
        const QColor outline = option->palette.window().color().darker(140);
        const QRect r = option->rect;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), outline);
        painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), outline);
        painter->restore();
    }
};

} // namespace

void keepFrameVisible(QFrame *frame)
{
    auto *style = new CrispFrameStyle;
    style->setParent(frame);
    frame->setStyle(style);
}

} // namespace quenzal
