#pragma once

#include <QPoint>
#include <QPointF>
#include <QSize>

class QWidget;

namespace quenzal {

enum class CentringRule {
    HalvesFirst,     // screen / 2 - window / 2: the main window and the password windows
    DifferenceFirst, // (screen - window) / 2: the About box
};

// The position, in twips and single precision, that centres a window of outer
// size `window` on a screen of size `screen` (both in pixels). No clamping: a
// window larger than the screen gets a negative position.
QPointF centredPositionTwips(QSize screen, QSize window, CentringRule rule);

// That position in whole pixels, halves rounded up.
QPoint centredPosition(QSize screen, QSize window, CentringRule rule);

// Moves a top-level window, before its first show, so that its outer frame is
// centred on the primary screen. Until the window is first exposed its frame
// is unknown; the window is placed by its client size now and placed again by
// its outer size when it is first exposed. Later shows do not move it. On
// Wayland, where the compositor places windows, it only takes its size.
void centreOnScreen(QWidget *window, CentringRule rule);

} // namespace quenzal
