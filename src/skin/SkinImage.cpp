#include "skin/SkinImage.h"

#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <array>
#include <atomic>
#include <cwchar>
#include <cstring>
#include <iterator>
#include <span>
#include <utility>

#include "framework/Handles.h"
#include "framework/StartupMarks.h"
#include "framework/Trace.h"

using Microsoft::WRL::ComPtr;
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

template <typename T, GpStatus (*Dispose)(T*)>
struct GdipOwner {
    T* object = nullptr;
    ~GdipOwner() { if (object) Dispose(object); }
};

GpStatus DisposeBitmap(GpBitmap* bitmap) { return GdipDisposeImage(bitmap); }
GpStatus DeleteGraphics(GpGraphics* graphics) { return GdipDeleteGraphics(graphics); }
using BitmapOwner = GdipOwner<GpBitmap, DisposeBitmap>;
using GraphicsOwner = GdipOwner<GpGraphics, DeleteGraphics>;

// The decoded frame's rows copied straight into a new bottom-up DIB section, top row first: RGBA
// gives a 32-bit image with alpha, RGB a 24-bit one, and every other kind (grey, palette, 16 bits
// per channel) is converted to RGBA first. A frame whose pixels cannot be read leaves it empty.
void WicPixelsInto(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, SkinImage& image) noexcept
{
    WICPixelFormatGUID format{};
    UINT width = 0, height = 0;
    if (FAILED(frame->GetPixelFormat(&format)) || FAILED(frame->GetSize(&width, &height)))
        return;
    ComPtr<IWICBitmapSource> source = frame;
    int bits = 32;
    DWORD flags = SkinImage::kCreateAlphaChannel;
    if (format == GUID_WICPixelFormat24bppBGR) {
        bits = 24;
        flags = 0;
    } else if (format != GUID_WICPixelFormat32bppBGRA) {
        ComPtr<IWICFormatConverter> converter;
        if (FAILED(factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)))
            return;
        source = converter;
    }
    if (!image.Create(static_cast<int>(width), static_cast<int>(height), bits, flags))
        return;
    const UINT rowBytes = (static_cast<UINT>(bits) * width + 7) / 8;
    for (UINT y = 0; y < height; ++y) {
        const WICRect row{0, static_cast<INT>(y), static_cast<INT>(width), 1};
        if (FAILED(source->CopyPixels(&row, rowBytes, rowBytes, image.Pixels().At(0, static_cast<int>(y))))) {
            image.Destroy();
            return;
        }
    }
}

} // namespace

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

void SkinImage::Swap(SkinImage& other) noexcept
{
    std::swap(bitmap_, other.bitmap_);
    std::swap(top_, other.top_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(bitsPerPixel_, other.bitsPerPixel_);
    std::swap(pitch_, other.pitch_);
    std::swap(hasAlpha_, other.hasAlpha_);
    std::swap(dc_, other.dc_);
    std::swap(displacedBitmap_, other.displacedBitmap_);
    std::swap(borrows_, other.borrows_);
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

namespace {

// A skin that cannot be had draws nothing; its trace line names it.
void TraceSkinFailure(const wchar_t* what, WORD resourceId) noexcept
{
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%ls skin image %u", what, static_cast<unsigned>(resourceId));
    TraceFailure(text, ::GetLastError());
}

// The bytes of the "PNG" resource with the id; none when it cannot be found or loaded.
std::span<const BYTE> PngResource(WORD resourceId) noexcept
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"PNG");
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const BYTE*>(bytes), ::SizeofResource(module, resource)};
}

// Only a failure looks the resource up again, to tell a missing one from an undecodable one.
class OnTheSpot final : public SkinSource {
public:
    void Load(SkinImage& image, WORD resourceId) noexcept override
    {
        DecodeSkinResource(image, resourceId);
        if (image.IsNull())
            TraceSkinFailure(PngResource(resourceId).empty() ? L"finding" : L"decoding", resourceId);
    }
};

} // namespace

void DecodeSkinResource(SkinImage& image, WORD resourceId) noexcept
{
    image.Destroy();
    const std::span<const BYTE> png = PngResource(resourceId);
    if (png.empty())
        return;
    STARTUP_MARK("decode_begin", resourceId);
    DecodePng(image, png.data(), static_cast<DWORD>(png.size()));
    STARTUP_MARK("decode_end", resourceId);
}

SkinSource& OnTheSpotSkins() noexcept
{
    static OnTheSpot source;
    return source;
}

bool StartSkinDrawing() noexcept
{
    return GdiplusRuntime().Start();
}

void DecodePng(SkinImage& image, const void* png, DWORD size) noexcept
{
    image.Destroy();
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(png)), size)) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &frame)))
        return;
    WicPixelsInto(factory.Get(), frame.Get(), image);
    // Only images with alpha: the unused fourth byte of other 32-bit images is not alpha.
    if (image.HasAlpha())
        Premultiply(image.Pixels());
}
