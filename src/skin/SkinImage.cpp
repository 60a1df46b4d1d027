#include "skin/SkinImage.h"

#include <objidl.h>
#include <gdiplus.h>

#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "app/StartupMarks.h"
#include "framework/Handles.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// GDI+ runs while any skin image object lives; the last one to go shuts it down.
class GdiplusSession {
public:
    GdiplusSession() noexcept { ::InitializeCriticalSection(&lock_); }

    void AddImage() noexcept
    {
        Locked locked(lock_);
        ++liveImages_;
    }
    void RemoveImage() noexcept
    {
        Locked locked(lock_);
        if (--liveImages_ == 0 && token_) {
            GdiplusShutdown(token_);
            token_ = 0;
        }
    }
    bool Start() noexcept
    {
        Locked locked(lock_);
        if (!token_) {
            GdiplusStartupInput input;
            if (GdiplusStartup(&token_, &input, nullptr) != Ok)
                token_ = 0;
        }
        return token_ != 0;
    }

private:
    struct Locked {
        explicit Locked(CRITICAL_SECTION& lock) noexcept : lock_(lock) { ::EnterCriticalSection(&lock_); }
        ~Locked() { ::LeaveCriticalSection(&lock_); }
        CRITICAL_SECTION& lock_;
    };

    CRITICAL_SECTION lock_;
    ULONG_PTR token_ = 0;
    long liveImages_ = 0;
};

GdiplusSession& GdiplusRuntime() noexcept
{
    static GdiplusSession session;
    return session;
}

// Memory DCs shared by all skin images, taken and given back by atomic exchanges.
std::array<std::atomic<HDC>, 4> g_dcCache{};

HDC TakeCachedDc() noexcept
{
    for (auto& slot : g_dcCache) {
        if (HDC dc = slot.exchange(nullptr))
            return dc;
    }
    return ::CreateCompatibleDC(nullptr);
}

void ReturnCachedDc(HDC dc) noexcept
{
    for (auto& slot : g_dcCache) {
        dc = slot.exchange(dc);
        if (!dc)
            return;
    }
    ::DeleteDC(dc);
}

constexpr PixelFormat kGdiFlag = PixelFormatGDI;
constexpr PixelFormat kAlphaFlag = PixelFormatAlpha;
constexpr PixelFormat kIndexedFlag = PixelFormatIndexed;

template <typename T, GpStatus (*Dispose)(T*)>
struct GdipOwner {
    T* object = nullptr;
    ~GdipOwner() { if (object) Dispose(object); }
};

GpStatus DisposeBitmap(GpBitmap* bitmap) { return GdipDisposeImage(bitmap); }
GpStatus DeleteGraphics(GpGraphics* graphics) { return GdipDeleteGraphics(graphics); }
using BitmapOwner = GdipOwner<GpBitmap, DisposeBitmap>;
using GraphicsOwner = GdipOwner<GpGraphics, DeleteGraphics>;

} // namespace

// Converts a decoded GDI+ bitmap into a skin image: ARGB and palette sources become 32-bit images
// with alpha, other GDI formats keep their depth, and anything else is drawn into a 32-bit RGB image.
class GdiplusBitmapDecoder {
public:
    static void Decode(GpBitmap* source, SkinImage& image) noexcept
    {
        PixelFormat format = 0;
        UINT width = 0, height = 0;
        GdipGetImagePixelFormat(source, &format);
        GdipGetImageHeight(source, &height);
        GdipGetImageWidth(source, &width);

        int bits = 32;
        DWORD flags = 0;
        PixelFormat target = PixelFormat32bppRGB;
        if ((format & kGdiFlag) && !(format & kIndexedFlag)) {
            bits = static_cast<int>((format >> 8) & 0xFF);
            target = format;
        }
        // A DIB section made here has no colour table, so palette images are drawn into ARGB,
        // which keeps their colours and any transparent entries.
        if (format & (kAlphaFlag | kIndexedFlag)) {
            bits = 32;
            flags = SkinImage::kCreateAlphaChannel;
            target = PixelFormat32bppARGB;
        }
        if (!image.Create(static_cast<int>(width), static_cast<int>(height), bits, flags))
            return;

        if (target == format) {
            GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
            BitmapData data{};
            if (GdipBitmapLockBits(source, &all, ImageLockModeRead, target, &data) != Ok)
                return;
            const std::size_t rowBytes = (static_cast<std::size_t>(bits) * width + 7) / 8;
            for (UINT y = 0; y < height; ++y) {
                std::memcpy(image.Pixels().At(0, static_cast<int>(y)),
                            static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
                            rowBytes);
            }
            GdipBitmapUnlockBits(source, &data);
        } else {
            BitmapOwner wrapper;
            GraphicsOwner graphics;
            if (GdipCreateBitmapFromScan0(image.Width(), image.Height(), image.Pitch(), target, image.top_,
                                          &wrapper.object) == Ok &&
                GdipGetImageGraphicsContext(wrapper.object, &graphics.object) == Ok) {
                GdipDrawImageI(graphics.object, source, 0, 0);
            }
        }
    }
};

SkinImage::SkinImage() noexcept
{
    GdiplusRuntime().AddImage();
}

SkinImage::~SkinImage()
{
    Destroy();
    GdiplusRuntime().RemoveImage();
}

bool SkinImage::Create(int width, int height, int bitsPerPixel, DWORD flags) noexcept
{
    Destroy();
    // Depths below 16 bits would need a colour table, which this header does not carry.
    if (width <= 0 || height <= 0 || (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return false;
    bitmap_ = bitmap;
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    pitch_ = DibPitch(width, bitsPerPixel);
    top_ = static_cast<std::uint8_t*>(bits) + static_cast<std::ptrdiff_t>(height - 1) * -pitch_;
    hasAlpha_ = bitsPerPixel == 32 && (flags & kCreateAlphaChannel);
    return true;
}

void SkinImage::Destroy() noexcept
{
    if (!bitmap_)
        return;
    while (borrows_ > 0)
        ReleaseDC();
    HBITMAP bitmap = bitmap_;
    bitmap_ = nullptr;
    top_ = nullptr;
    width_ = height_ = bitsPerPixel_ = pitch_ = 0;
    hasAlpha_ = false;
    ::DeleteObject(bitmap);
}

HDC SkinImage::GetDC() const noexcept
{
    if (!bitmap_)
        return nullptr;
    if (borrows_ == 0) {
        dc_ = TakeCachedDc();
        if (!dc_)
            return nullptr;
        displacedBitmap_ = ::SelectObject(dc_, bitmap_);
    }
    ++borrows_;
    return dc_;
}

void SkinImage::ReleaseDC() const noexcept
{
    if (borrows_ == 0 || --borrows_ > 0)
        return;
    ::SelectObject(dc_, displacedBitmap_);
    ReturnCachedDc(std::exchange(dc_, nullptr));
    displacedBitmap_ = nullptr;
}

BOOL SkinImage::Draw(HDC destination, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                     int srcWidth, int srcHeight) const noexcept
{
    if (!destination)
        return FALSE;
    HDC source = GetDC();
    if (!source)
        return FALSE;
    BOOL drawn;
    if (hasAlpha_) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        drawn = ::AlphaBlend(destination, xDest, yDest, destWidth, destHeight, source, xSrc, ySrc, srcWidth, srcHeight,
                             blend);
    } else {
        drawn = ::StretchBlt(destination, xDest, yDest, destWidth, destHeight, source, xSrc, ySrc, srcWidth, srcHeight,
                             SRCCOPY);
    }
    ReleaseDC();
    return drawn;
}

BOOL SkinImage::DrawScaled(HDC destination, const RECT& rect, int interpolationMode) const noexcept
{
    if (!GdiplusRuntime().Start())
        return FALSE;
    BitmapOwner bitmap;
    if (GdipCreateBitmapFromHBITMAP(bitmap_, nullptr, &bitmap.object) != Ok)
        return FALSE;
    GraphicsOwner graphics;
    if (GdipCreateFromHDC(destination, &graphics.object) != Ok)
        return FALSE;
    GdipSetInterpolationMode(graphics.object, static_cast<InterpolationMode>(interpolationMode));
    return GdipDrawImageRectI(graphics.object, bitmap.object, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top) == Ok;
}

bool LoadSkinImage(SkinImage* image, WORD resourceId) noexcept
{
    if (!image)
        return false;
    image->Destroy();
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(resourceId), "PNG");
    if (!resource)
        return false;
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return false;
    STARTUP_MARK("decode_begin", resourceId);
    DecodePng(*image, bytes, ::SizeofResource(module, resource));
    STARTUP_MARK("decode_end", resourceId);
    return true;
}

void DecodePng(SkinImage& image, const void* png, DWORD size) noexcept
{
    image.Destroy();
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block)
        return;
    if (void* copy = ::GlobalLock(block.get())) {
        std::memcpy(copy, png, size);
        ::GlobalUnlock(block.get());
    }
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(block.get(), TRUE, &stream) != S_OK)
        return;
    block.release(); // the stream frees the block on its final release

    if (GdiplusRuntime().Start()) {
        BitmapOwner decoded;
        if (GdipCreateBitmapFromStream(stream, &decoded.object) == Ok)
            GdiplusBitmapDecoder::Decode(decoded.object, image);
    }
    // Only images with alpha: GDI+ may leave the unused alpha byte of other 32-bit images at 0.
    if (image.HasAlpha())
        Premultiply(image.Pixels());
    stream->Release();
}
