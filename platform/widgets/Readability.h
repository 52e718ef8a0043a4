#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

class QPushButton;
class QWidget;

namespace quenzal {

// The contrast ratio of two colours, 1 to 21, as the web's accessibility
// guidelines define it.
qreal contrastRatio(QColor a, QColor b);

// `wanted` itself when it stands out from `background` by at least 4.5:1;
// otherwise `wanted` mixed with white (on a dark background) or black (on a
// light one), just enough to reach that.
QColor readableColour(QColor wanted, QColor background);

// Gives `control` the colour `wanted` for `role`, made readable against its
// parent's background, now and whenever the palette changes (a dark desktop
// theme): in a light palette that is `wanted` exactly.
void keepReadable(QWidget *control, QPalette::ColorRole role, QColor wanted);

// Where a push button shows its text: inside its frame, as its style draws it.
QRect buttonTextRoom(const QPushButton *button);

// Keeps every text of a window's labels and buttons whole, whatever font
// stands in for the one asked for: a single line that is too wide gets a
// smaller font, a quarter point at a time; a label that wraps and reaches past
// its window's edge wraps inside the window.
void keepTextsWhole(QWidget *window);

} // namespace quenzal
