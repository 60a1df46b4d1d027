#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

#include "skin/Pixels.h"

namespace {

struct Bgra {
    std::uint8_t blue, green, red, alpha;
    friend bool operator==(const Bgra&, const Bgra&) = default;
};

void PrintTo(const Bgra& pixel, std::ostream* out)
{
    *out << '(' << int(pixel.blue) << ',' << int(pixel.green) << ',' << int(pixel.red) << ',' << int(pixel.alpha)
         << ')';
}

// A bottom-up image laid out like a DIB section inside a larger block: guard bytes before and after
// it catch any write outside the image.
class GuardedImage {
public:
    static constexpr std::uint8_t kGuard = 0xA5;
    static constexpr int kGuardBytes = 64;

    GuardedImage(int width, int height, int bitsPerPixel)
        : width_(width), height_(height), bits_(bitsPerPixel), rowBytes_(-DibPitch(width, bitsPerPixel)),
          block_(static_cast<std::size_t>(rowBytes_) * height + 2 * kGuardBytes, kGuard)
    {
        for (int y = 0; y < height; ++y)
            std::fill_n(View().At(0, y), rowBytes_, std::uint8_t{0});
    }

    PixelView View() noexcept
    {
        std::uint8_t* first = block_.data() + kGuardBytes;
        return {first + static_cast<std::ptrdiff_t>(height_ - 1) * rowBytes_, width_, height_, -rowBytes_, bits_};
    }
    std::uint8_t* Data() noexcept { return block_.data() + kGuardBytes; }
    bool GuardsIntact() const noexcept
    {
        for (int i = 0; i < kGuardBytes; ++i) {
            if (block_[i] != kGuard || block_[block_.size() - 1 - i] != kGuard)
                return false;
        }
        return true;
    }
    void Set(int x, int y, Bgra pixel) noexcept
    {
        std::uint8_t* at = View().At(x, y);
        at[0] = pixel.blue, at[1] = pixel.green, at[2] = pixel.red, at[3] = pixel.alpha;
    }
    Bgra Get(int x, int y) noexcept
    {
        const std::uint8_t* at = View().At(x, y);
        return {at[0], at[1], at[2], at[3]};
    }

private:
    int width_, height_, bits_, rowBytes_;
    std::vector<std::uint8_t> block_;
};

TEST(DibPitch, RowsArePaddedToFourBytesAndCountedUpwards)
{
    EXPECT_EQ(DibPitch(95, 24), -288);   // a button strip: 285 bytes of pixels
    EXPECT_EQ(DibPitch(888, 32), -3552); // the backdrop
    EXPECT_EQ(DibPitch(1, 24), -4);
    EXPECT_EQ(DibPitch(4, 24), -12);
    EXPECT_EQ(DibPitch(5, 24), -16);
    EXPECT_EQ(DibPitch(151, 32), -604);
    EXPECT_EQ(DibPitch(1, 1), -4);
}

TEST(PixelView, AddressesRowsFromTheTopOfABottomUpBlock)
{
    GuardedImage image(3, 4, 24);
    const PixelView view = image.View();
    // The top row is the last one in memory, the bottom row the first.
    EXPECT_EQ(view.At(0, 3), image.Data());
    EXPECT_EQ(view.At(0, 0), image.Data() + 3 * 12);
    EXPECT_EQ(view.At(2, 1) - view.At(0, 1), 6);
    EXPECT_EQ(view.At(1, 2) - view.At(1, 1), -12);
}

TEST(PixelView, EmptyWithoutPixelsOrSize)
{
    EXPECT_TRUE(PixelView{}.Empty());
    std::uint8_t byte = 0;
    EXPECT_TRUE((PixelView{&byte, 0, 1, -4, 32}.Empty()));
    EXPECT_TRUE((PixelView{&byte, 1, 0, -4, 32}.Empty()));
    EXPECT_FALSE((PixelView{&byte, 1, 1, -4, 32}.Empty()));
}

TEST(Premultiplied, ScalesByAlphaDroppingTheFraction)
{
    EXPECT_EQ(Premultiplied(200, 128), 100);
    EXPECT_EQ(Premultiplied(100, 128), 50);
    EXPECT_EQ(Premultiplied(50, 128), 25);
    EXPECT_EQ(Premultiplied(254, 1), 0);
    EXPECT_EQ(Premultiplied(255, 1), 1);
    EXPECT_EQ(Premultiplied(255, 254), 254);
    for (int colour = 0; colour < 256; ++colour) {
        EXPECT_EQ(Premultiplied(static_cast<std::uint8_t>(colour), 255), colour);
        EXPECT_EQ(Premultiplied(static_cast<std::uint8_t>(colour), 0), 0);
    }
}

TEST(Premultiply, StoresTheExamplePixels)
{
    GuardedImage image(3, 2, 32);
    image.Set(0, 0, {200, 100, 50, 128});
    image.Set(1, 0, {200, 100, 50, 255});
    image.Set(2, 0, {200, 100, 50, 0});
    image.Set(0, 1, {255, 255, 255, 1});
    image.Set(1, 1, {7, 9, 11, 254});
    image.Set(2, 1, {0, 0, 0, 0});

    Premultiply(image.View());

    EXPECT_EQ(image.Get(0, 0), (Bgra{100, 50, 25, 128}));
    EXPECT_EQ(image.Get(1, 0), (Bgra{200, 100, 50, 255}));
    EXPECT_EQ(image.Get(2, 0), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(image.Get(0, 1), (Bgra{1, 1, 1, 1}));
    EXPECT_EQ(image.Get(1, 1), (Bgra{6, 8, 10, 254}));
    EXPECT_EQ(image.Get(2, 1), (Bgra{0, 0, 0, 0}));
    EXPECT_TRUE(image.GuardsIntact());
}

TEST(Premultiply, CoversEveryRowOfABottomUpImage)
{
    constexpr int kWidth = 5, kHeight = 7;
    GuardedImage image(kWidth, kHeight, 32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            image.Set(x, y, {255, 128, 64, 0});
    }
    Premultiply(image.View());
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(image.Get(x, y), (Bgra{0, 0, 0, 0})) << x << ", " << y;
    }
    EXPECT_TRUE(image.GuardsIntact());
}

TEST(Premultiply, LeavesOtherDepthsAndEmptyViewsAlone)
{
    GuardedImage strip(5, 3, 24);
    std::fill_n(strip.Data(), 16 * 3, std::uint8_t{0x40});
    Premultiply(strip.View());
    for (int i = 0; i < 16 * 3; ++i)
        ASSERT_EQ(strip.Data()[i], 0x40) << i;
    EXPECT_TRUE(strip.GuardsIntact());

    Premultiply(PixelView{});
    std::uint8_t pixel[4] = {10, 20, 30, 0};
    Premultiply(PixelView{pixel + 0, 0, 1, -4, 32});
    EXPECT_EQ(pixel[0], 10);
}

} // namespace
