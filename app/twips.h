#pragma once

#include <QRect>
#include <QtMath>

namespace zem {

// The window is drawn in twips. Qt places widgets in device-independent pixels: 15 twips to one at
// the window's own size, and more where the desktop's font needs the whole layout larger.
struct Twips
{
    qreal scale = 1;

    int px(int twips) const { return qRound(twips * scale / 15); }
    // Edges are rounded, not sizes, so that controls that meet in twips meet on the screen.
    QRect rect(int left, int top, int width, int height) const
    {
        return {QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1)};
    }
};

} // namespace zem
