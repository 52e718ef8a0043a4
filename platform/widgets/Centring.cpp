#include "platform/widgets/Centring.h"

#include "platform/widgets/Twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace quenzal {

QPointF centredPositionTwips(QSize screen, QSize window, CentringRule rule)
{
    const auto twips = [](int px) { return float(px) * float(kTwipsPerPixel); };
    const float sw = twips(screen.width()), sh = twips(screen.height());
    const float ww = twips(window.width()), wh = twips(window.height());
    if (rule == CentringRule::HalvesFirst)
        return {sw / 2.0f - ww / 2.0f, sh / 2.0f - wh / 2.0f};
    return {(sw - ww) / 2.0f, (sh - wh) / 2.0f};
}

QPoint centredPosition(QSize screen, QSize window, CentringRule rule)
{
    const QPointF twips = centredPositionTwips(screen, window, rule);
    const auto px = [](qreal t) { return int(std::floor(t / kTwipsPerPixel + 0.5)); };
    return {px(twips.x()), px(twips.y())};
}

namespace {

void centreNow(QWidget *window, CentringRule rule)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    window->move(area.topLeft() +
                 centredPosition(area.size(), window->frameGeometry().size(), rule));
}

// Places the window again by its outer size once the frame is known.
class CentreOnFirstExpose final : public QObject
{
public:
    CentreOnFirstExpose(QWidget *window, CentringRule rule)
        : QObject(window), m_window(window), m_rule(rule)
    {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && m_window->isVisible()) {
            watched->removeEventFilter(this);
            if (m_window->frameGeometry().size() != m_window->size())
                centreNow(m_window, m_rule);
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    CentringRule m_rule;
};

} // namespace

void centreOnScreen(QWidget *window, CentringRule rule)
{
    window->adjustSize();
    // A Wayland compositor places every window itself and ignores moves.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    centreNow(window, rule);
    window->winId(); // the native window, to watch for its first expose
    if (QWindow *handle = window->windowHandle())
        handle->installEventFilter(new CentreOnFirstExpose(window, rule));
}

} // namespace quenzal
