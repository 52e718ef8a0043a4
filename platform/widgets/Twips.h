#pragma once

#include <QRect>

namespace quenzal {

// The layout unit of the windows: 15 twips are one logical pixel.
constexpr int kTwipsPerPixel = 15;

constexpr int pixels(int twips)
{
    return twips / kTwipsPerPixel;
}

// A control's rectangle given in twips as left, top, width and height.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

} // namespace quenzal
