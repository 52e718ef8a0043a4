#pragma once

#include <QLatin1String>

namespace quenzal {

// The unit the windows are laid out in and rich text measures in: a twip is
// 1/1440 inch, and 15 twips are one logical pixel (1/96 inch), which Qt
// scales on high-DPI screens.
inline constexpr int kTwipsPerPixel = 15;

// The font of the text areas, which a rich-text file written from the lower
// area names as its own, in the window and in quenzal-cli alike.
inline constexpr QLatin1String kTextAreaFontFamily("Times New Roman");
inline constexpr double kTextAreaFontPoints = 9.75;

} // namespace quenzal
