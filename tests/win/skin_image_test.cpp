// Skin images under Wine with real GDI and GDI+: decoding and premultiplication, the DC borrows
// and their cache, both draws, and that nothing is leaked.
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "resource.h"
#include "skin/SkinImage.h"
#include "support.h"

namespace {

using namespace Gdiplus::DllExports;

constexpr std::array<WORD, 14> kRgbaImages{IDB_BACKDROP,      IDB_CLOSE_SPOT,   IDB_CLOSE_SPOT_HOVER, IDB_CLOSE_SPOT_THIRD,
                                           IDB_ARTWORK_1,     IDB_ARTWORK_2,    IDB_ARTWORK_3,        IDB_BOTTOM_LEFT,
                                           IDB_BOTTOM_TILE,   IDB_BOTTOM_RIGHT, IDB_SIDE_TILE,        IDB_CAPTION_LEFT,
                                           IDB_CAPTION_TILE,  IDB_CAPTION_RIGHT};
constexpr std::array<WORD, 5> kButtonStrips{IDB_MINIMIZE_STRIP, IDB_CLOSE_STRIP, IDB_MAXIMIZE_STRIP, IDB_HIDE_STRIP,
                                            IDB_MENU_STRIP};
constexpr WORD kNoSuchImage = 9999;

// Loads the image as the program's windows do when nothing decoded it ahead; whether it holds it.
::testing::AssertionResult LoadsOnTheSpot(SkinImage& image, WORD id)
{
    OnTheSpotSkins().Load(image, id);
    if (image.IsNull())
        return ::testing::AssertionFailure() << "skin image " << id << " is empty";
    return ::testing::AssertionSuccess();
}

struct Bgra {
    std::uint8_t blue, green, red, alpha;
    friend bool operator==(const Bgra&, const Bgra&) = default;
};

Bgra PixelOf(const SkinImage& image, int x, int y)
{
    const std::uint8_t* at = image.Pixels().At(x, y);
    return {at[0], at[1], at[2], image.BitsPerPixel() == 32 ? at[3] : std::uint8_t{255}};
}

// GDI+ for the tests' own decoding, independent of the skin images' session.
class GdiplusRunning {
public:
    GdiplusRunning()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusRunning() { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

// A resource or a PNG file decoded straight by GDI+ into rows of the given format, top row first.
struct Decoded {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* Row(int y) const { return bytes.data() + static_cast<std::size_t>(y) * stride; }
};

Decoded DecodeWithGdiplus(const void* png, std::size_t size, Gdiplus::PixelFormat format)
{
    Decoded out;
    IStream* stream = ::SHCreateMemStream(static_cast<const BYTE*>(png), static_cast<UINT>(size));
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (stream && GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
        UINT width = 0, height = 0;
        GdipGetImageWidth(bitmap, &width);
        GdipGetImageHeight(bitmap, &height);
        Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        Gdiplus::BitmapData data{};
        if (GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, format, &data) == Gdiplus::Ok) {
            out.width = static_cast<int>(width);
            out.height = static_cast<int>(height);
            out.stride = data.Stride;
            out.bytes.assign(static_cast<const std::uint8_t*>(data.Scan0),
                             static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::size_t>(data.Stride) * height);
            GdipBitmapUnlockBits(bitmap, &data);
        }
        GdipDisposeImage(bitmap);
    }
    if (stream)
        stream->Release();
    return out;
}

Decoded DecodeResource(WORD id, Gdiplus::PixelFormat format)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
    if (!resource)
        return {};
    return DecodeWithGdiplus(::LockResource(::LoadResource(module, resource)), ::SizeofResource(module, resource),
                             format);
}

// A small PNG file written here, so the decoder meets exactly the pixels a test needs: 8 bits per
// sample, no interlace, one stored (uncompressed) deflate block.
class PngFile {
public:
    enum ColourType : std::uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kRgba = 6 };

    // rows: per row, the samples without the filter byte.
    PngFile(int width, int height, ColourType type, const std::vector<std::vector<std::uint8_t>>& rows,
            const std::vector<std::uint8_t>& palette = {})
    {
        const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        bytes_.assign(std::begin(signature), std::end(signature));
        std::vector<std::uint8_t> header;
        Put32(header, static_cast<std::uint32_t>(width));
        Put32(header, static_cast<std::uint32_t>(height));
        header.insert(header.end(), {8, type, 0, 0, 0});
        Chunk("IHDR", header);
        if (!palette.empty())
            Chunk("PLTE", palette);

        std::vector<std::uint8_t> raw;
        for (const auto& row : rows) {
            raw.push_back(0);
            raw.insert(raw.end(), row.begin(), row.end());
        }
        std::vector<std::uint8_t> zlib{0x78, 0x01, 0x01};
        const auto length = static_cast<std::uint16_t>(raw.size());
        zlib.insert(zlib.end(), {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(~length), static_cast<std::uint8_t>(~length >> 8)});
        zlib.insert(zlib.end(), raw.begin(), raw.end());
        std::uint32_t a = 1, b = 0;
        for (std::uint8_t byte : raw) {
            a = (a + byte) % 65521;
            b = (b + a) % 65521;
        }
        Put32(zlib, (b << 16) | a);
        Chunk("IDAT", zlib);
        Chunk("IEND", {});
    }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    static void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void Chunk(const char* type, const std::vector<std::uint8_t>& data)
    {
        Put32(bytes_, static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> checked(type, type + 4);
        checked.insert(checked.end(), data.begin(), data.end());
        bytes_.insert(bytes_.end(), checked.begin(), checked.end());
        std::uint32_t crc = 0xFFFFFFFF;
        for (std::uint8_t byte : checked) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
        Put32(bytes_, ~crc);
    }

    std::vector<std::uint8_t> bytes_;
};

// An image with nothing in it: no bitmap, no size, no depth, no pitch and no alpha.
::testing::AssertionResult IsEmpty(const SkinImage& image)
{
    if (!image.IsNull())
        return ::testing::AssertionFailure() << "it holds a bitmap";
    if (image.Width() != 0 || image.Height() != 0)
        return ::testing::AssertionFailure() << "its size is " << image.Width() << "x" << image.Height();
    if (image.BitsPerPixel() != 0)
        return ::testing::AssertionFailure() << "it has " << image.BitsPerPixel() << " bits a pixel";
    if (image.Pitch() != 0)
        return ::testing::AssertionFailure() << "its pitch is " << image.Pitch();
    if (image.HasAlpha())
        return ::testing::AssertionFailure() << "it has alpha";
    return ::testing::AssertionSuccess();
}

// A blank 32-bit skin image borrowed into its memory DC, every byte set to fill.
class Target {
public:
    Target(int width, int height, std::uint8_t fill)
    {
        if (image_.Create(width, height, 32, 0)) {
            for (int y = 0; y < height; ++y)
                std::memset(image_.Pixels().At(0, y), fill, static_cast<std::size_t>(width) * 4);
        }
        dc_ = image_.GetDC();
    }
    ~Target() { image_.ReleaseDC(); }
    HDC dc() const { return dc_; }
    Bgra Pixel(int x, int y)
    {
        ::GdiFlush();
        return PixelOf(image_, x, y);
    }

private:
    SkinImage image_;
    HDC dc_ = nullptr;
};

TEST(SkinImageLoad, BackdropIsA32BitBottomUpImageWithAlpha)
{
    SkinImage backdrop;
    ASSERT_TRUE(LoadsOnTheSpot(backdrop, IDB_BACKDROP));
    EXPECT_EQ(backdrop.Width(), 888);
    EXPECT_EQ(backdrop.Height(), 591);
    EXPECT_EQ(backdrop.BitsPerPixel(), 32);
    EXPECT_TRUE(backdrop.HasAlpha());
    EXPECT_EQ(backdrop.Pitch(), -3552);

    DIBSECTION dib{};
    ASSERT_EQ(::GetObjectA(backdrop.Bitmap(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBmih.biHeight, 591) << "rows are stored bottom-up";
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    // The bottom row is the first in memory, the top row the last.
    EXPECT_EQ(backdrop.Pixels().At(0, 590), dib.dsBm.bmBits);
    EXPECT_EQ(backdrop.Pixels().At(0, 0), static_cast<std::uint8_t*>(dib.dsBm.bmBits) + 590 * 3552);
}

TEST(SkinImageLoad, ButtonStripsAre24BitCopiesWithoutAlpha)
{
    GdiplusRunning gdiplus;
    for (WORD id : kButtonStrips) {
        SCOPED_TRACE(id);
        SkinImage strip;
        ASSERT_TRUE(LoadsOnTheSpot(strip, id));
        EXPECT_EQ(strip.Width(), 95);
        EXPECT_EQ(strip.Height(), 19);
        EXPECT_EQ(strip.BitsPerPixel(), 24);
        EXPECT_FALSE(strip.HasAlpha());
        EXPECT_EQ(strip.Pitch(), -288);

        const Decoded straight = DecodeResource(id, PixelFormat24bppRGB);
        ASSERT_EQ(straight.height, 19);
        for (int y = 0; y < 19; ++y)
            ASSERT_EQ(std::memcmp(strip.Pixels().At(0, y), straight.Row(y), 95 * 3), 0) << "row " << y;
    }
}

// Every RGBA resource against GDI+'s own straight decoding: colour times alpha / 255, alpha kept.
TEST(SkinImageLoad, RgbaResourcesArePremultipliedOnce)
{
    GdiplusRunning gdiplus;
    int partial = 0, transparentWithColour = 0;
    for (WORD id : kRgbaImages) {
        SCOPED_TRACE(id);
        SkinImage image;
        ASSERT_TRUE(LoadsOnTheSpot(image, id));
        ASSERT_TRUE(image.HasAlpha());
        ASSERT_EQ(image.BitsPerPixel(), 32);
        const Decoded straight = DecodeResource(id, PixelFormat32bppARGB);
        ASSERT_EQ(straight.width, image.Width());
        ASSERT_EQ(straight.height, image.Height());
        for (int y = 0; y < image.Height(); ++y) {
            for (int x = 0; x < image.Width(); ++x) {
                const std::uint8_t* s = straight.Row(y) + x * 4;
                const std::uint8_t alpha = s[3];
                partial += alpha > 0 && alpha < 255;
                transparentWithColour += alpha == 0 && (s[0] || s[1] || s[2]);
                const Bgra expected{Premultiplied(s[0], alpha), Premultiplied(s[1], alpha), Premultiplied(s[2], alpha),
                                    alpha};
                ASSERT_TRUE(PixelOf(image, x, y) == expected) << "pixel " << x << ", " << y;
            }
        }
    }
    // The artwork carries both kinds of pixel that premultiplication changes.
    EXPECT_GT(partial, 0);
    EXPECT_GT(transparentWithColour, 0);
}

TEST(SkinImageLoad, StoresThePremultipliedExamplePixels)
{
    // PNG samples are red, green, blue, alpha.
    const PngFile png(3, 1, PngFile::kRgba, {{50, 100, 200, 128, 50, 100, 200, 255, 50, 100, 200, 0}});
    SkinImage image;
    DecodePng(image, png.Bytes().data(), static_cast<DWORD>(png.Bytes().size()));
    ASSERT_FALSE(image.IsNull());
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(PixelOf(image, 0, 0), (Bgra{100, 50, 25, 128}));
    EXPECT_EQ(PixelOf(image, 1, 0), (Bgra{200, 100, 50, 255}));
    EXPECT_EQ(PixelOf(image, 2, 0), (Bgra{0, 0, 0, 0}));
}

TEST(SkinImageLoad, RgbPngRowsAreCopiedTopRowFirst)
{
    const PngFile png(2, 2, PngFile::kRgb, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    SkinImage image;
    DecodePng(image, png.Bytes().data(), static_cast<DWORD>(png.Bytes().size()));
    ASSERT_EQ(image.BitsPerPixel(), 24);
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(PixelOf(image, 0, 0), (Bgra{3, 2, 1, 255}));
    EXPECT_EQ(PixelOf(image, 1, 0), (Bgra{6, 5, 4, 255}));
    EXPECT_EQ(PixelOf(image, 0, 1), (Bgra{9, 8, 7, 255}));
    EXPECT_EQ(PixelOf(image, 1, 1), (Bgra{12, 11, 10, 255}));
}

// Kinds no resource uses still decode to their colours: they are drawn as opaque copies.
TEST(SkinImageLoad, GreyAndPalettePngsKeepTheirColours)
{
    const PngFile grey(2, 1, PngFile::kGrey, {{0x80, 0xFF}});
    const PngFile palette(2, 1, PngFile::kPalette, {{1, 0}}, {10, 20, 30, 200, 150, 100});
    for (const PngFile* png : {&grey, &palette}) {
        SkinImage image;
        DecodePng(image, png->Bytes().data(), static_cast<DWORD>(png->Bytes().size()));
        ASSERT_FALSE(image.IsNull());
        const Bgra first = PixelOf(image, 0, 0);
        const Bgra second = PixelOf(image, 1, 0);
        if (png == &grey) {
            EXPECT_EQ((std::array{first.blue, first.green, first.red}), (std::array<std::uint8_t, 3>{0x80, 0x80, 0x80}));
            EXPECT_EQ((std::array{second.blue, second.green, second.red}), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));
        } else {
            EXPECT_EQ((std::array{first.blue, first.green, first.red}), (std::array<std::uint8_t, 3>{100, 150, 200}));
            EXPECT_EQ((std::array{second.blue, second.green, second.red}), (std::array<std::uint8_t, 3>{30, 20, 10}));
        }
    }
}

TEST(SkinImageLoad, BytesThatDoNotDecodeLeaveTheImageEmpty)
{
    const int before = CountGdiObjects();
    const PngFile png(2, 2, PngFile::kRgb, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    const std::vector<std::uint8_t> truncated(png.Bytes().begin(), png.Bytes().begin() + 40);
    const char text[] = "not a picture";
    SkinImage image;
    for (auto [bytes, size] : {std::pair<const void*, DWORD>{truncated.data(), static_cast<DWORD>(truncated.size())},
                               {text, sizeof(text)},
                               {text, 0}}) {
        ASSERT_TRUE(LoadsOnTheSpot(image, IDB_CLOSE_SPOT));
        DecodePng(image, bytes, size);
        EXPECT_TRUE(IsEmpty(image));
        EXPECT_EQ(image.Pixels().top, nullptr);
    }
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST(SkinImageLoad, MissingIdEmptiesALoadedImage)
{
    SkinImage image;
    ASSERT_TRUE(LoadsOnTheSpot(image, IDB_BACKDROP));
    const HBITMAP old = image.Bitmap();
    ASSERT_EQ(::GetObjectType(old), static_cast<DWORD>(OBJ_BITMAP));

    OnTheSpotSkins().Load(image, kNoSuchImage);
    EXPECT_TRUE(IsEmpty(image));
    EXPECT_EQ(::GetObjectType(old), 0u) << "the old bitmap is deleted";
}

TEST(SkinImageCreate, MakesBlankImages)
{
    SkinImage canvas;
    ASSERT_TRUE(canvas.Create(95, 19, 24, SkinImage::kCreateAlphaChannel));
    EXPECT_FALSE(canvas.HasAlpha()) << "alpha needs 32 bits";
    EXPECT_EQ(canvas.Pitch(), -288);
    for (int y = 0; y < 19; ++y) {
        const std::uint8_t* row = canvas.Pixels().At(0, y);
        ASSERT_TRUE(std::all_of(row, row + 288, [](std::uint8_t b) { return b == 0; }));
    }

    ASSERT_TRUE(canvas.Create(888, 591, 32, 0));
    EXPECT_FALSE(canvas.HasAlpha());
    EXPECT_EQ(canvas.Pitch(), -3552);
    ASSERT_TRUE(canvas.Create(4, 4, 32, SkinImage::kCreateAlphaChannel));
    EXPECT_TRUE(canvas.HasAlpha());

    EXPECT_FALSE(canvas.Create(0, 4, 32, 0));
    EXPECT_TRUE(canvas.IsNull());
    EXPECT_FALSE(canvas.Create(4, -4, 32, 0));
    EXPECT_TRUE(canvas.IsNull());
    // Palette depths need a colour table.
    EXPECT_FALSE(canvas.Create(4, 4, 8, 0));
    EXPECT_FALSE(canvas.Create(4, 4, 1, 0));
    EXPECT_TRUE(canvas.IsNull());
}

TEST(SkinImageDc, NestedBorrowsShareOneDc)
{
    SkinImage image;
    ASSERT_TRUE(LoadsOnTheSpot(image, IDB_CLOSE_SPOT));
    HDC first = image.GetDC();
    ASSERT_NE(first, nullptr);
    HDC second = image.GetDC();
    EXPECT_EQ(second, first);
    EXPECT_EQ(::GetCurrentObject(first, OBJ_BITMAP), image.Bitmap());

    image.ReleaseDC();
    EXPECT_EQ(::GetCurrentObject(first, OBJ_BITMAP), image.Bitmap()) << "still borrowed once";
    image.ReleaseDC();
    EXPECT_NE(::GetCurrentObject(first, OBJ_BITMAP), image.Bitmap()) << "deselected after the last release";

    image.ReleaseDC(); // one too many changes nothing
    EXPECT_EQ(image.GetDC(), first) << "the cached DC comes back";
    image.ReleaseDC();
}

TEST(SkinImageDc, EmptyImageHasNoDc)
{
    SkinImage empty;
    EXPECT_EQ(empty.GetDC(), nullptr);
    empty.ReleaseDC();
}

TEST(SkinImageDc, DestroyWhileBorrowedFreesTheBitmap)
{
    SkinImage image;
    ASSERT_TRUE(LoadsOnTheSpot(image, IDB_CLOSE_SPOT));
    const HBITMAP bitmap = image.Bitmap();
    HDC dc = image.GetDC();
    ASSERT_NE(dc, nullptr);
    image.GetDC();
    image.Destroy();
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(::GetObjectType(bitmap), 0u);
    EXPECT_NE(::GetCurrentObject(dc, OBJ_BITMAP), bitmap);
}

TEST(SkinImageDc, FourDcsAreKeptForReuse)
{
    std::array<SkinImage, 5> images;
    std::set<HDC> borrowed;
    for (SkinImage& image : images) {
        ASSERT_TRUE(LoadsOnTheSpot(image, IDB_CAPTION_TILE));
        borrowed.insert(image.GetDC());
    }
    EXPECT_EQ(borrowed.size(), 5u) << "five images borrowed at once get five DCs";
    EXPECT_EQ(borrowed.count(nullptr), 0u);

    for (SkinImage& image : images)
        image.ReleaseDC();
    int stillDcs = 0;
    for (HDC dc : borrowed)
        stillDcs += ::GetObjectType(dc) == OBJ_MEMDC;
    EXPECT_EQ(stillDcs, 4) << "four go back to the cache, the fifth is deleted";

    HDC again = images[0].GetDC();
    EXPECT_EQ(borrowed.count(again), 1u) << "a later borrow takes a cached DC";
    EXPECT_EQ(::GetObjectType(again), static_cast<DWORD>(OBJ_MEMDC));
    images[0].ReleaseDC();
}

TEST(SkinImageDraw, NullDcOrEmptyImageDrawsNothing)
{
    SkinImage spot;
    ASSERT_TRUE(LoadsOnTheSpot(spot, IDB_CLOSE_SPOT));
    EXPECT_FALSE(spot.Draw(nullptr, 0, 0, 24, 24, 0, 0, 24, 24));
    EXPECT_FALSE(spot.DrawScaled(nullptr, RECT{0, 0, 24, 24}, 2));

    Target target(24, 24, 0xFF);
    SkinImage empty;
    EXPECT_FALSE(empty.Draw(target.dc(), 0, 0, 24, 24, 0, 0, 24, 24));
    EXPECT_FALSE(empty.DrawScaled(target.dc(), RECT{0, 0, 24, 24}, 2));
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(target.Pixel(x, y), (Bgra{255, 255, 255, 255}));
    }
}

TEST(SkinImageDraw, AlphaImagesBlendOverTheDestination)
{
    SkinImage spot;
    ASSERT_TRUE(LoadsOnTheSpot(spot, IDB_CLOSE_SPOT));
    ASSERT_EQ(PixelOf(spot, 0, 0).alpha, 0);
    ASSERT_EQ(PixelOf(spot, 12, 12).alpha, 255);
    Target target(24, 24, 0xFF);
    EXPECT_TRUE(spot.Draw(target.dc(), 0, 0, 24, 24, 0, 0, 24, 24));
    EXPECT_EQ(target.Pixel(0, 0), (Bgra{255, 255, 255, 255})) << "transparent corners leave the destination";
    EXPECT_EQ(target.Pixel(12, 12), PixelOf(spot, 12, 12));
}

TEST(SkinImageDraw, StripsAreCopiedFrameByFrame)
{
    SkinImage strip;
    ASSERT_TRUE(LoadsOnTheSpot(strip, IDB_CLOSE_STRIP));
    Target target(19, 19, 0x00);
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_TRUE(strip.Draw(target.dc(), 0, 0, 19, 19, frame * 19, 0, 19, 19));
        for (int y = 0; y < 19; ++y) {
            for (int x = 0; x < 19; ++x) {
                const Bgra source = PixelOf(strip, frame * 19 + x, y);
                const Bgra drawn = target.Pixel(x, y);
                ASSERT_EQ((std::array{drawn.blue, drawn.green, drawn.red}),
                          (std::array{source.blue, source.green, source.red}))
                    << "frame " << frame << " pixel " << x << ", " << y;
            }
        }
    }
}

// A 32-bit DIB section that lies one row into a larger shared block whose first row is a sentinel,
// so any write below the bitmap's bottom row shows.
class GuardedTarget {
public:
    static constexpr std::uint8_t kSentinel = 0x5A;

    GuardedTarget(int width, int height) : rowBytes_(width * 4)
    {
        const DWORD size = static_cast<DWORD>(rowBytes_) * (height + 1);
        section_ = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, nullptr);
        view_ = static_cast<std::uint8_t*>(::MapViewOfFile(section_, FILE_MAP_ALL_ACCESS, 0, 0, size));
        if (view_)
            std::memset(view_, kSentinel, rowBytes_);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, section_, rowBytes_));
        dc_.reset(::CreateCompatibleDC(nullptr));
        selected_ = ::SelectObject(dc_.get(), bitmap_.get());
    }
    ~GuardedTarget()
    {
        ::SelectObject(dc_.get(), selected_);
        if (view_)
            ::UnmapViewOfFile(view_);
        if (section_)
            ::CloseHandle(section_);
    }
    bool Ready() const { return view_ && bitmap_ && dc_; }
    HDC dc() const { return dc_.get(); }
    bool SentinelIntact() const
    {
        ::GdiFlush();
        return std::all_of(view_, view_ + rowBytes_, [](std::uint8_t b) { return b == kSentinel; });
    }
    // Row y counted from the top of a height-row bitmap.
    const std::uint8_t* Row(int y, int height) const
    {
        ::GdiFlush();
        return view_ + static_cast<std::size_t>(rowBytes_) * (height - y);
    }

private:
    int rowBytes_;
    HANDLE section_ = nullptr;
    std::uint8_t* view_ = nullptr;
    UniqueBitmap bitmap_;
    UniqueMemoryDc dc_;
    HGDIOBJ selected_ = nullptr;
};

TEST(SkinImageDraw, ArtworkTallerThanTheBackdropLosesItsLastRow)
{
    SkinImage artwork;
    ASSERT_TRUE(LoadsOnTheSpot(artwork, IDB_ARTWORK_2));
    ASSERT_EQ(artwork.Width(), 536);
    ASSERT_EQ(artwork.Height(), 592);
    // Make the last row visible, so that where it goes shows.
    for (int x = 0; x < 536; ++x)
        std::memcpy(artwork.Pixels().At(x, 591), "\x00\x00\xFF\xFF", 4);

    GuardedTarget backdrop(888, 591);
    GuardedTarget taller(888, 592);
    ASSERT_TRUE(backdrop.Ready() && taller.Ready());
    EXPECT_TRUE(artwork.Draw(backdrop.dc(), 0, 0, 536, 592, 0, 0, 536, 592));
    EXPECT_TRUE(artwork.Draw(taller.dc(), 0, 0, 536, 592, 0, 0, 536, 592));

    EXPECT_TRUE(backdrop.SentinelIntact()) << "nothing is written below the bitmap";
    EXPECT_EQ(std::memcmp(taller.Row(591, 592), "\x00\x00\xFF\xFF", 4), 0) << "the last row is drawn where it fits";
    for (int y = 0; y < 591; ++y)
        ASSERT_EQ(std::memcmp(backdrop.Row(y, 591), taller.Row(y, 592), 888 * 4), 0) << "row " << y;
    // The artwork is there at all: some of its pixels are opaque.
    const std::uint8_t* middle = backdrop.Row(300, 591);
    EXPECT_TRUE(std::any_of(middle, middle + 536 * 4, [](std::uint8_t b) { return b != 0; }));
}

TEST(SkinImageDraw, ScaledDrawPaintsTransparentPixelsBlack)
{
    SkinImage spot;
    ASSERT_TRUE(LoadsOnTheSpot(spot, IDB_CLOSE_SPOT));
    Target target(24, 24, 0xFF);
    EXPECT_TRUE(spot.DrawScaled(target.dc(), RECT{0, 0, 24, 24}, 2));
    for (auto [x, y] : {std::pair{0, 0}, {23, 0}, {0, 23}, {23, 23}}) {
        const Bgra corner = target.Pixel(x, y);
        EXPECT_EQ((std::array{corner.blue, corner.green, corner.red}), (std::array<std::uint8_t, 3>{0, 0, 0}))
            << x << ", " << y;
    }
    const Bgra centre = target.Pixel(12, 12);
    const Bgra stored = PixelOf(spot, 12, 12);
    EXPECT_EQ((std::array{centre.blue, centre.green, centre.red}), (std::array{stored.blue, stored.green, stored.red}));
}

TEST(SkinImageDraw, ScaledDrawFillsTheRectangle)
{
    SkinImage spot;
    ASSERT_TRUE(LoadsOnTheSpot(spot, IDB_CLOSE_SPOT));
    Target target(40, 40, 0xFF);
    EXPECT_TRUE(spot.DrawScaled(target.dc(), RECT{10, 10, 34, 34}, 2));
    EXPECT_EQ(target.Pixel(9, 9), (Bgra{255, 255, 255, 255})) << "outside the rectangle";
    EXPECT_EQ(target.Pixel(34, 34), (Bgra{255, 255, 255, 255})) << "right and bottom edges are exclusive";
    const Bgra corner = target.Pixel(10, 10);
    EXPECT_EQ((std::array{corner.blue, corner.green, corner.red}), (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST(SkinImageLeaks, LoadDrawDestroyCyclesLeaveNoGdiObject)
{
    Target target(64, 64, 0x80);
    const auto cycle = [&target] {
        SkinImage spot, strip;
        OnTheSpotSkins().Load(spot, IDB_CLOSE_SPOT);
        OnTheSpotSkins().Load(strip, IDB_MENU_STRIP);
        spot.Draw(target.dc(), 0, 0, 24, 24, 0, 0, 24, 24);
        strip.Draw(target.dc(), 0, 0, 19, 19, 19, 0, 19, 19);
        spot.DrawScaled(target.dc(), RECT{30, 30, 54, 54}, 2);
        OnTheSpotSkins().Load(spot, kNoSuchImage);
    };
    cycle(); // fills the DC cache
    const int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 1000; ++i)
        cycle();
    EXPECT_EQ(CountGdiObjects(), before);
}

} // namespace
