#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "launcher/Geometry.h"
#include "launcher/LoginShape.h"

namespace {

// A 32-bit bottom-up image in a heap block of exactly its size, laid out as a DIB section, so
// AddressSanitizer catches any byte written or read outside it.
class Image {
public:
    Image(int width, int height, std::uint8_t fill = 0)
        : width_(width), height_(height), rowBytes_(-DibPitch(width, 32)),
          bytes_(new std::uint8_t[static_cast<std::size_t>(rowBytes_) * height])
    {
        std::memset(bytes_.get(), fill, static_cast<std::size_t>(rowBytes_) * height);
    }

    PixelView View() const noexcept
    {
        return {bytes_.get() + static_cast<std::ptrdiff_t>(height_ - 1) * rowBytes_, width_, height_, -rowBytes_, 32};
    }
    std::uint32_t Pixel(int x, int y) const noexcept
    {
        std::uint32_t value;
        std::memcpy(&value, View().At(x, y), 4);
        return value;
    }
    void SetPixel(int x, int y, std::uint32_t value) noexcept { std::memcpy(View().At(x, y), &value, 4); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }

private:
    int width_;
    int height_;
    int rowBytes_;
    std::unique_ptr<std::uint8_t[]> bytes_;
};

// A close spot like the shipped one: a disc of opaque pixels in transparent corners, every pixel a
// different colour so that a misplaced copy shows.
Image DiscSpot(int size)
{
    Image spot(size, size);
    const double centre = size / 2.0;
    const double radius = size / 2.0 + 0.25;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const bool inside = dx * dx + dy * dy <= radius * radius;
            spot.SetPixel(x, y, inside ? 0xFF000000u | static_cast<std::uint32_t>(y * size + x + 1) : 0);
        }
    }
    return spot;
}

std::vector<AlphaRun> RunsOfRow(const std::vector<std::uint8_t>& alphas)
{
    Image row(static_cast<int>(alphas.size()), 1);
    for (int x = 0; x < row.Width(); ++x)
        row.SetPixel(x, 0, static_cast<std::uint32_t>(alphas[x]) << 24);
    return AlphaRuns(row.View());
}

TEST(AlphaRuns, OneRunPerMaximalStretchOfNonZeroAlpha)
{
    EXPECT_TRUE(RunsOfRow({0, 0, 0, 0, 0}).empty()) << "a transparent row adds nothing";
    EXPECT_EQ(RunsOfRow({255, 1, 128, 255, 7}), (std::vector<AlphaRun>{{0, 0, 5}})) << "an opaque row is one run";
    EXPECT_EQ(RunsOfRow({0, 0, 9, 255}), (std::vector<AlphaRun>{{0, 2, 4}})) << "a run ends at the width";
    EXPECT_EQ(RunsOfRow({3, 0, 0, 0}), (std::vector<AlphaRun>{{0, 0, 1}}));
    EXPECT_EQ(RunsOfRow({255, 0, 255, 0, 255, 0, 255}),
              (std::vector<AlphaRun>{{0, 0, 1}, {0, 2, 3}, {0, 4, 5}, {0, 6, 7}}))
        << "alternating pixels give 1 x 1 runs";
    EXPECT_EQ(RunsOfRow({0, 255, 255, 0, 0, 255, 0}), (std::vector<AlphaRun>{{0, 1, 3}, {0, 5, 6}}));
}

TEST(AlphaRuns, OnlyTheAlphaByteCounts)
{
    Image image(4, 3);
    image.SetPixel(0, 0, 0x00FFFFFF); // white colour bytes but alpha 0
    image.SetPixel(1, 1, 0x01000000);
    image.SetPixel(3, 2, 0xFF000000);
    EXPECT_EQ(AlphaRuns(image.View()), (std::vector<AlphaRun>{{1, 1, 2}, {2, 3, 4}}));
}

TEST(AlphaRuns, RowsAreReadFromTheTopRow)
{
    Image image(3, 4);
    image.SetPixel(0, 0, 0xFF000000);
    image.SetPixel(2, 3, 0xFF000000);
    EXPECT_EQ(AlphaRuns(image.View()), (std::vector<AlphaRun>{{0, 0, 1}, {3, 2, 3}}));
}

TEST(AlphaRuns, EmptyOrNarrowImagesGiveNoRuns)
{
    EXPECT_TRUE(AlphaRuns(PixelView{}).empty());
    Image image(5, 2, 0xFF);
    PixelView twentyFour = image.View();
    twentyFour.bitsPerPixel = 24;
    EXPECT_TRUE(AlphaRuns(twentyFour).empty());
    PixelView noWidth = image.View();
    noWidth.width = 0;
    EXPECT_TRUE(AlphaRuns(noWidth).empty());
}

TEST(PaintLoginShape, LoginCanvasIsThePageAndTheDisc)
{
    Image canvas(888, 591);
    const Image spot = DiscSpot(24);
    PaintLoginShape(canvas.View(), spot.View(), kCloseSpotLeft, kCloseSpotTop, kLoginPageRect);

    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(canvas.Pixel(kCloseSpotLeft + x, kCloseSpotTop + y), spot.Pixel(x, y)) << x << ", " << y;
    }
    EXPECT_EQ(canvas.Pixel(319, 180), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.Pixel(845, 528), 0xFFFFFFFFu);

    std::vector<AlphaRun> expected;
    for (int y = 0; y < canvas.Height(); ++y) {
        if (y >= 180 && y < 529)
            expected.push_back({y, 319, 846});
        if (y >= kCloseSpotTop && y < kCloseSpotTop + 24) {
            for (const AlphaRun& run : AlphaRuns(spot.View())) {
                if (run.y == y - kCloseSpotTop)
                    expected.push_back({y, kCloseSpotLeft + run.left, kCloseSpotLeft + run.right});
            }
        }
    }
    const std::vector<AlphaRun> runs = AlphaRuns(canvas.View());
    EXPECT_EQ(runs, expected);
    EXPECT_EQ(runs.size(), 349u + 24u);
}

// Canvases, close-spot places and page rectangles from the shipped layout to the extremes.
struct PaintCase {
    const char* what;
    int width, height;
    int originX, originY;
    Box page;
};
const PaintCase kPaintCases[] = {
    {"canvas smaller than the page rectangle", 400, 200, kCloseSpotLeft, kCloseSpotTop, kLoginPageRect},
    {"close spot across the right and bottom edges", 860, 170, kCloseSpotLeft, kCloseSpotTop, kLoginPageRect},
    {"close spot past the right edge", 847, 591, kCloseSpotLeft, kCloseSpotTop, kLoginPageRect},
    {"close spot below the canvas", 888, 157, kCloseSpotLeft, kCloseSpotTop, kLoginPageRect},
    {"negative origin", 40, 30, -10, -5, {}},
    {"close spot wholly left of the canvas", 40, 30, -24, 3, {}},
    {"page rectangle from negative corners", 50, 40, 30, 30, {-20, -10, 10, 25}},
    {"inverted page rectangle", 50, 40, 0, 0, {30, 30, 10, 10}},
    {"extreme origins", 50, 40, INT_MIN, INT_MAX, {}},
    {"extreme origins reversed", 50, 40, INT_MAX, INT_MIN, {}},
    {"extreme page rectangle", 50, 40, INT_MIN + 1, INT_MIN + 1, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
    {"one pixel canvas", 1, 1, 0, 0, {}},
};

// Every pixel of the canvas, checked against where the close spot and the page rectangle land.
void ExpectPainted(const Image& canvas, const Image& spot, int originX, int originY, const Box& page,
                   std::uint32_t untouched)
{
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const long long sx = static_cast<long long>(x) - originX;
            const long long sy = static_cast<long long>(y) - originY;
            std::uint32_t expected = untouched;
            if (sx >= 0 && sx < spot.Width() && sy >= 0 && sy < spot.Height())
                expected = spot.Pixel(static_cast<int>(sx), static_cast<int>(sy));
            if (page.Contains(x, y))
                expected = 0xFFFFFFFF;
            ASSERT_EQ(canvas.Pixel(x, y), expected) << "canvas pixel " << x << ", " << y;
        }
    }
}

TEST(PaintLoginShape, WritesOnlyInsideTheCanvas)
{
    const Image spot = DiscSpot(24);
    for (const PaintCase& c : kPaintCases) {
        SCOPED_TRACE(c.what);
        constexpr std::uint8_t kUntouched = 0x5A;
        Image canvas(c.width, c.height, kUntouched);
        PaintLoginShape(canvas.View(), spot.View(), c.originX, c.originY, c.page);
        ExpectPainted(canvas, spot, c.originX, c.originY, c.page, 0x5A5A5A5A);
    }
}

TEST(LoginShapeRuns, SameAsTheRunsOfTheWholePaintedCanvas)
{
    const Image spot = DiscSpot(24);
    Image shipped(888, 591);
    PaintLoginShape(shipped.View(), spot.View(), kCloseSpotLeft, kCloseSpotTop, kLoginPageRect);
    EXPECT_EQ(LoginShapeRuns(888, 591, spot.View(), kCloseSpotLeft, kCloseSpotTop, kLoginPageRect),
              AlphaRuns(shipped.View()));
    for (const PaintCase& c : kPaintCases) {
        SCOPED_TRACE(c.what);
        Image canvas(c.width, c.height);
        PaintLoginShape(canvas.View(), spot.View(), c.originX, c.originY, c.page);
        EXPECT_EQ(LoginShapeRuns(c.width, c.height, spot.View(), c.originX, c.originY, c.page),
                  AlphaRuns(canvas.View()));
    }
    EXPECT_TRUE(LoginShapeRuns(0, 10, spot.View(), 0, 0, {0, 0, 5, 5}).empty());
    EXPECT_EQ(LoginShapeRuns(6, 2, PixelView{}, 0, 0, {1, 1, 3, 9}), (std::vector<AlphaRun>{{1, 1, 3}}));
}

TEST(PaintLoginShape, EmptyOrNarrowSourcesAreLeftOut)
{
    Image canvas(30, 20);
    PixelView twentyFour = DiscSpot(8).View();
    twentyFour.bitsPerPixel = 24;
    PaintLoginShape(canvas.View(), twentyFour, 2, 2, {});
    PaintLoginShape(canvas.View(), PixelView{}, 2, 2, {});
    EXPECT_TRUE(AlphaRuns(canvas.View()).empty());

    PaintLoginShape(canvas.View(), PixelView{}, 0, 0, {5, 6, 8, 7});
    EXPECT_EQ(AlphaRuns(canvas.View()), (std::vector<AlphaRun>{{6, 5, 8}})) << "the page still goes in";

    PixelView narrowCanvas = canvas.View();
    narrowCanvas.bitsPerPixel = 24;
    PaintLoginShape(narrowCanvas, DiscSpot(8).View(), 0, 0, {0, 0, 30, 20});
    PaintLoginShape(PixelView{}, DiscSpot(8).View(), 0, 0, {0, 0, 30, 20});
    EXPECT_EQ(AlphaRuns(canvas.View()), (std::vector<AlphaRun>{{6, 5, 8}}));
}

} // namespace
