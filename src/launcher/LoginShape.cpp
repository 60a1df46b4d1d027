#include "launcher/LoginShape.h"

#include <algorithm>
#include <cstring>

namespace {

// Source positions from begin up to (not including) end.
struct Span {
    int begin;
    int end;
};

// The positions of a line of length pixels that land inside [0, limit) when moved by origin,
// worked out in 64 bits so that no origin can overflow.
Span ClipSpan(int length, int origin, int limit) noexcept
{
    const long long begin = std::clamp(-static_cast<long long>(origin), 0LL, static_cast<long long>(length));
    const long long end = std::clamp(static_cast<long long>(limit) - origin, begin, static_cast<long long>(length));
    return {static_cast<int>(begin), static_cast<int>(end)};
}

} // namespace

void PaintLoginShape(const PixelView& canvas, const PixelView& closeSpot, int originX, int originY,
                     const Box& page) noexcept
{
    if (canvas.Empty() || canvas.bitsPerPixel != 32)
        return;
    if (!closeSpot.Empty() && closeSpot.bitsPerPixel == 32) {
        const Span columns = ClipSpan(closeSpot.width, originX, canvas.width);
        const Span rows = ClipSpan(closeSpot.height, originY, canvas.height);
        for (int y = rows.begin; y < rows.end && columns.begin < columns.end; ++y) {
            std::memcpy(canvas.At(originX + columns.begin, originY + y), closeSpot.At(columns.begin, y),
                        static_cast<std::size_t>(columns.end - columns.begin) * 4);
        }
    }
    const int left = std::max(page.left, 0);
    const int right = std::min(page.right, canvas.width);
    for (int y = std::max(page.top, 0); y < std::min(page.bottom, canvas.height) && left < right; ++y)
        std::memset(canvas.At(left, y), 0xFF, static_cast<std::size_t>(right - left) * 4);
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

std::vector<AlphaRun> LoginShapeRuns(int width, int height, const PixelView& closeSpot, int originX, int originY,
                                     const Box& page)
{
    std::vector<AlphaRun> runs;
    if (width <= 0 || height <= 0)
        return runs;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
    const PixelView line{row.data(), width, 1, width * 4, 32};
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), std::uint8_t{0});
        const long long spotRow = static_cast<long long>(y) - originY;
        PixelView spotLine;
        if (!closeSpot.Empty() && spotRow >= 0 && spotRow < closeSpot.height) {
            spotLine = {closeSpot.At(0, static_cast<int>(spotRow)), closeSpot.width, 1, closeSpot.pitch,
                        closeSpot.bitsPerPixel};
        }
        const Box pageLine = page.top <= y && y < page.bottom ? Box{page.left, 0, page.right, 1} : Box{};
        PaintLoginShape(line, spotLine, originX, 0, pageLine);
        for (AlphaRun run : AlphaRuns(line)) {
            run.y = y;
            runs.push_back(run);
        }
    }
    return runs;
}
