#pragma once
// Pixel maths of the skin images: bottom-up DIB rows addressed from the top row through a
// negative pitch, and premultiplied blue-green-red-alpha pixels.
#include <cstddef>
#include <cstdint>

// A view of an image's pixels: top points at the first byte of the top row.
struct PixelView {
    std::uint8_t* top = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
    int bitsPerPixel = 0;

    bool Empty() const noexcept { return !top || width <= 0 || height <= 0; }
    std::uint8_t* At(int x, int y) const noexcept
    {
        return top + static_cast<std::ptrdiff_t>(y) * pitch + static_cast<std::ptrdiff_t>(x) * bitsPerPixel / 8;
    }
};

// Byte distance from one row to the row below it in a bottom-up DIB: rows padded to 4 bytes.
constexpr int DibPitch(int width, int bitsPerPixel) noexcept
{
    return -(((width * bitsPerPixel) + 31) / 32) * 4;
}

// Colour times alpha, the form AlphaBlend with AC_SRC_ALPHA and UpdateLayeredWindow take.
constexpr std::uint8_t Premultiplied(std::uint8_t colour, std::uint8_t alpha) noexcept
{
    return static_cast<std::uint8_t>(colour * alpha / 255);
}

// Premultiplies every pixel of a 32-bit view in place; other depths are left alone.
void Premultiply(const PixelView& image) noexcept;
