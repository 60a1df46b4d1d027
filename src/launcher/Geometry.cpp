#include "launcher/Geometry.h"

GameLayout LayoutGamePanes(int cx, int cy) noexcept
{
    const int bar = kEdgeBarThickness;
    const int caption = kCaptionBarHeight;
    const int sideHeight = cy - caption - bar;
    return {
        .pageHost = {bar, caption, cx - bar, caption + sideHeight},
        .captionBar = {0, 0, cx, caption},
        .leftBar = {0, caption, bar, caption + sideHeight},
        .rightBar = {cx - bar, caption, cx, caption + sideHeight},
        .bottomBar = {0, cy - bar, cx, cy},
    };
}

FrameHit FrameHitTest(const Box& window, int x, int y) noexcept
{
    if (x <= window.left + kEdgeBand)
        return kHitLeft;
    if (x >= window.right - kEdgeBand)
        return kHitRight;
    if (y <= window.top + kEdgeBand)
        return kHitTop;
    if (y >= window.bottom - kEdgeBand)
        return kHitBottom;
    const bool nearLeft = x <= window.left + kCornerBand;
    const bool nearRight = x >= window.right - kCornerBand;
    const bool nearTop = y <= window.top + kCornerBand;
    const bool nearBottom = y >= window.bottom - kCornerBand;
    if (nearLeft && nearTop)
        return kHitTopLeft;
    if (nearRight && nearTop)
        return kHitTopRight;
    if (nearLeft && nearBottom)
        return kHitBottomLeft;
    if (nearRight && nearBottom)
        return kHitBottomRight;
    return kHitNowhere;
}
