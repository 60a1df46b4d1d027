#pragma once
// A skin image: a DIB section decoded once from an embedded PNG, premultiplied when it has alpha,
// drawn through a memory DC borrowed from a small cache shared by all images of the process.
#include <windows.h>

#include "skin/Pixels.h"

class SkinImage {
public:
    static constexpr DWORD kCreateAlphaChannel = 1;

    SkinImage() noexcept;
    ~SkinImage();
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;

    // A blank bottom-up DIB section of 16, 24 or 32 bits, every byte 0.
    bool Create(int width, int height, int bitsPerPixel, DWORD flags) noexcept;
    void Destroy() noexcept;
    // Exchanges the two images' bitmaps with everything that goes with them.
    void Swap(SkinImage& other) noexcept;

    bool IsNull() const noexcept { return bitmap_ == nullptr; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    int BitsPerPixel() const noexcept { return bitsPerPixel_; }
    int Pitch() const noexcept { return pitch_; }
    bool HasAlpha() const noexcept { return hasAlpha_; }
    HBITMAP Bitmap() const noexcept { return bitmap_; }
    PixelView Pixels() const noexcept { return {top_, width_, height_, pitch_, bitsPerPixel_}; }

    // The image's memory DC with its bitmap selected, or null; borrows nest, one ReleaseDC each.
    HDC GetDC() const noexcept;
    void ReleaseDC() const noexcept;

    // AlphaBlend (premultiplied source-over) when the image has alpha, a StretchBlt copy otherwise.
    BOOL Draw(HDC destination, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
              int srcHeight) const noexcept;
    // GDI+ draw into a rectangle with an interpolation mode; alpha is ignored (transparent is black).
    BOOL DrawScaled(HDC destination, const RECT& rect, int interpolationMode) const noexcept;

private:
    HBITMAP bitmap_ = nullptr;
    std::uint8_t* top_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int pitch_ = 0;
    bool hasAlpha_ = false;

    mutable HDC dc_ = nullptr;
    mutable HGDIOBJ displacedBitmap_ = nullptr;
    mutable int borrows_ = 0;
};

// Where the program's windows get their skin images: decoded where they are asked for, or from
// whoever decoded them ahead (the launcher's preload). A window's maker hands it one; it must
// outlive the window.
class SkinSource {
public:
    // Fills the image from the "PNG" resource with the given id; one that is missing or does not
    // decode leaves it empty and a trace line naming it. The image itself tells which it was.
    virtual void Load(SkinImage& image, WORD resourceId) noexcept = 0;

protected:
    ~SkinSource() = default;
};

// Decodes each image on the thread that asks for it, which must have COM.
SkinSource& OnTheSpotSkins() noexcept;

// The on-the-spot load without the trace line, for a thread that leaves its failures to another.
void DecodeSkinResource(SkinImage& image, WORD resourceId) noexcept;

// Starts GDI+ for DrawScaled, on any thread; false when it cannot start.
bool StartSkinDrawing() noexcept;

// Fills the image from the bytes of a PNG file (decoded by WIC), premultiplied when it has alpha;
// bytes that do not decode leave it empty. The calling thread must have COM.
void DecodePng(SkinImage& image, const void* png, DWORD size) noexcept;
