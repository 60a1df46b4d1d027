#include "skin/LoginShape.h"

#include <algorithm>
#include <cstring>

void PaintLoginShape(const PixelView& canvas, const PixelView& closeSpot, int originX, int originY,
                     const Box& page) noexcept
{
    if (canvas.Empty() || canvas.bitsPerPixel != 32)
        return;
    if (!closeSpot.Empty() && closeSpot.bitsPerPixel == 32) {
        for (int x = 0; x < closeSpot.width; ++x) {
            for (int y = 0; y < closeSpot.height; ++y) {
                const int cx = originX + x;
                const int cy = originY + y;
                if (cx >= 0 && cx < canvas.width && cy >= 0 && cy < canvas.height)
                    std::memcpy(canvas.At(cx, cy), closeSpot.At(x, y), 4);
            }
        }
    }
    const int right = std::min(page.right, canvas.width);
    const int bottom = std::min(page.bottom, canvas.height);
    for (int x = std::max(page.left, 0); x < right; ++x) {
        for (int y = std::max(page.top, 0); y < bottom; ++y)
            std::memset(canvas.At(x, y), 0xFF, 4);
    }
}

std::vector<AlphaRun> AlphaRuns(const PixelView& image)
{
    std::vector<AlphaRun> runs;
    if (image.Empty() || image.bitsPerPixel != 32)
        return runs;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* pixel = image.At(0, y);
        int start = 0;
        for (int x = 0; x < image.width; ++x) {
            if (pixel[x * 4 + 3] != 0)
                continue;
            if (start != x)
                runs.push_back({y, start, x});
            start = x + 1;
        }
        if (start != image.width)
            runs.push_back({y, start, image.width});
    }
    return runs;
}
