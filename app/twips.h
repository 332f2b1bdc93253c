#pragma once

#include <QRect>

namespace zem {

// The window is drawn in twips; Qt places widgets in device-independent pixels, 15 twips to one.
constexpr int px(int twips)
{
    return twips / 15;
}

constexpr QRect twipRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace zem
