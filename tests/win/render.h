#pragma once
// What the skin-painting tests render into and compare with: a 32-bit DIB section on a memory DC,
// and the program's PNG resources decoded straight by GDI+ (not through the skin images).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "skin/SkinImage.h"

// Colours as 0xRRGGBB.
using Rgb = std::uint32_t;

// A top-down 32-bit DIB section selected into a memory DC, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, Rgb fill) : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<std::uint32_t*>(bits);
        previous_ = ::SelectObject(dc_.get(), bitmap_.get());
        Fill(fill);
    }
    ~Canvas() { ::SelectObject(dc_.get(), previous_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const noexcept { return dc_.get(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    Rgb At(int x, int y) const
    {
        ::GdiFlush();
        return bits_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF;
    }
    void Fill(Rgb colour)
    {
        ::GdiFlush();
        for (int i = 0; i < width_ * height_; ++i)
            bits_[i] = colour;
    }
    bool SameAs(const Canvas& other) const
    {
        if (other.width_ != width_ || other.height_ != height_)
            return false;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (At(x, y) != other.At(x, y))
                    return false;
            }
        }
        return true;
    }
    int CountOf(Rgb colour, int left, int top, int right, int bottom) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x)
                count += At(x, y) == colour;
        }
        return count;
    }
    // Writes the canvas as a 24-bit BMP file for a person to look at.
    bool SaveBmp(const std::string& path) const
    {
        const int rowBytes = (width_ * 3 + 3) & ~3;
        BITMAPFILEHEADER file{};
        BITMAPINFOHEADER header{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(header);
        file.bfSize = file.bfOffBits + rowBytes * height_;
        header.biSize = sizeof(header);
        header.biWidth = width_;
        header.biHeight = height_;
        header.biPlanes = 1;
        header.biBitCount = 24;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out)
            return false;
        std::fwrite(&file, sizeof(file), 1, out);
        std::fwrite(&header, sizeof(header), 1, out);
        std::vector<std::uint8_t> row(rowBytes);
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = 0; x < width_; ++x) {
                const Rgb colour = At(x, y);
                row[x * 3] = colour & 0xFF;
                row[x * 3 + 1] = (colour >> 8) & 0xFF;
                row[x * 3 + 2] = (colour >> 16) & 0xFF;
            }
            std::fwrite(row.data(), 1, row.size(), out);
        }
        return std::fclose(out) == 0;
    }

private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    std::uint32_t* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A PNG resource of the program decoded by GDI+ into straight (not premultiplied) ARGB pixels.
class PngPixels {
public:
    explicit PngPixels(WORD id)
    {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
            return;
        HMODULE module = ::GetModuleHandleW(nullptr);
        HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
        IStream* stream = resource ? ::SHCreateMemStream(static_cast<const BYTE*>(::LockResource(::LoadResource(module, resource))),
                                                         ::SizeofResource(module, resource))
                                   : nullptr;
        Gdiplus::GpBitmap* bitmap = nullptr;
        if (stream && Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
            UINT width = 0, height = 0;
            Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width);
            Gdiplus::DllExports::GdipGetImageHeight(bitmap, &height);
            width_ = static_cast<int>(width);
            height_ = static_cast<int>(height);
            argb_.resize(static_cast<std::size_t>(width_) * height_);
            for (int y = 0; y < height_; ++y) {
                for (int x = 0; x < width_; ++x) {
                    Gdiplus::ARGB colour = 0;
                    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, x, y, &colour);
                    argb_[static_cast<std::size_t>(y) * width_ + x] = colour;
                }
            }
            Gdiplus::DllExports::GdipDisposeImage(bitmap);
        }
        if (stream)
            stream->Release();
        Gdiplus::GdiplusShutdown(token);
    }

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    std::uint32_t Argb(int x, int y) const { return argb_[static_cast<std::size_t>(y) * width_ + x]; }
    Rgb Colour(int x, int y) const { return Argb(x, y) & 0xFFFFFF; }
    bool Opaque(int x, int y) const { return (Argb(x, y) >> 24) == 0xFF; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> argb_;
};

// A run of columns of a rendered bar: the piece that shows there, starting at which of its columns
// (a tile repeats across the run); no piece means the canvas keeps its fill there.
struct Span {
    int from;
    int to;
    const PngPixels* piece;
    int pieceColumn;
};

// Every row of every span shows its piece; a piece's pixels that are not opaque are skipped, since
// they show a blend with whatever lies beneath.
inline ::testing::AssertionResult ShowsSpans(const Canvas& canvas, const std::vector<Span>& spans, Rgb fill)
{
    for (const Span& span : spans) {
        for (int x = span.from; x < span.to; ++x) {
            for (int y = 0; y < canvas.Height(); ++y) {
                Rgb expected = fill;
                if (span.piece) {
                    const int column = (span.pieceColumn + x - span.from) % span.piece->Width();
                    if (!span.piece->Opaque(column, y))
                        continue;
                    expected = span.piece->Colour(column, y);
                }
                if (canvas.At(x, y) != expected) {
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex
                                                         << canvas.At(x, y) << ", expected " << expected;
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// A skin bar that counts its paintings and notes what happened before its initialisation.
template <typename Bar>
class PaintCounted : public Bar {
public:
    PaintCounted() noexcept : Bar(OnTheSpotSkins()) {}

    mutable int paints = 0;
    int sizesBeforeInit = 0;
    int paintsBeforeInit = -1;

protected:
    void Paint(HDC dc) const noexcept override
    {
        ++paints;
        Bar::Paint(dc);
    }
    BOOL OnInitDialog() noexcept override
    {
        paintsBeforeInit = paints;
        return Bar::OnInitDialog();
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override
    {
        if (message == WM_SIZE && paintsBeforeInit < 0)
            ++sizesBeforeInit;
        return Bar::HandleMessage(message, wParam, lParam);
    }
};
