#include "skin/Pixels.h"

void Premultiply(const PixelView& image) noexcept
{
    if (image.Empty() || image.bitsPerPixel != 32)
        return;
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* pixel = image.At(0, y);
        for (int x = 0; x < image.width; ++x, pixel += 4) {
            const std::uint8_t alpha = pixel[3];
            pixel[0] = Premultiplied(pixel[0], alpha);
            pixel[1] = Premultiplied(pixel[1], alpha);
            pixel[2] = Premultiplied(pixel[2], alpha);
        }
    }
}

