#pragma once

#include <QFont>
#include <QString>

namespace quenzal {

// A font named as the windows' layout names it ("MS Sans Serif", "Arial",
// "Times New Roman", "Small Fonts"), with a metric-compatible substitute
// wherever the family is missing.
QFont legacyFont(const QString &family, qreal pointSize, bool bold = false);

// The windows' default font, for every control that names none.
QFont dialogFont(bool bold = false);

} // namespace quenzal
