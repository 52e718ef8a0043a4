#pragma once

#include "base/Layout.h"

#include <QRect>

namespace quenzal {

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
