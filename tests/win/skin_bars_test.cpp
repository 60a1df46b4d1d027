#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "framework/Handles.h"
#include "render.h"
#include "resource.h"
#include "skin/BottomBarDlg.h"
#include "skin/LRBarDlg.h"
#include "support.h"

namespace {

constexpr Rgb kUntouched = 0x00FF00FF;
constexpr int kCapWidth = 151;
constexpr int kTileWidth = 14;
constexpr int kSideTileHeight = 20;
constexpr int kEdge = 5; // the edge bars' thickness

// A visible top-level window the bars are created in, as the launcher window holds them.
class Parent {
public:
    Parent()
    {
        static const ATOM windowClass = [] {
            WNDCLASSW plain{};
            plain.lpfnWndProc = &::DefWindowProcW;
            plain.hInstance = ::GetModuleHandleW(nullptr);
            plain.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
            plain.lpszClassName = L"SkinBarsTestParent";
            return ::RegisterClassW(&plain);
        }();
        window_ = ::CreateWindowExW(0, MAKEINTATOM(windowClass), L"bar parent", WS_POPUP | WS_VISIBLE, 0, 0, 1300, 200,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    ~Parent() { ::DestroyWindow(window_); }
    HWND get() const noexcept { return window_; }

private:
    HWND window_ = nullptr;
};

void Resize(HWND window, int width, int height)
{
    ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The bar paints its whole client area into the canvas through WM_ERASEBKGND.
void RenderByErase(HWND bar, Canvas& canvas)
{
    canvas.Fill(kUntouched);
    EXPECT_EQ(::SendMessageW(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 1);
}

TEST(GdiObjectCount, SeesEveryLiveBitmap)
{
    const int before = CountGdiObjects();
    std::vector<UniqueBitmap> bitmaps;
    for (int i = 0; i < 10; ++i)
        bitmaps.emplace_back(::CreateBitmap(4, 4, 1, 32, nullptr));
    EXPECT_EQ(CountGdiObjects(), before + 10);
    bitmaps.clear();
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST(SideBar, TilesDownItsWholeHeight)
{
    Parent parent;
    LRBarDlg bar(OnTheSpotSkins());
    ASSERT_TRUE(bar.Create(IDD_SIDE_BAR, parent.get()));
    EXPECT_FALSE(::IsWindowVisible(bar.hwnd()));
    EXPECT_FALSE(::IsWindowEnabled(bar.hwnd()));
    const PngPixels tile(IDB_SIDE_TILE);
    ASSERT_EQ(tile.Height(), kSideTileHeight);

    struct Case {
        int height;
        int paintedRows; // whole tiles: the canvas does not cut the last one as the window would
    };
    for (const Case& c : {Case{0, 0}, Case{20, 20}, Case{47, 60}, Case{60, 60}, Case{61, 80}}) {
        Resize(bar.hwnd(), kEdge, c.height);
        Canvas canvas(kEdge, 100, kUntouched);
        RenderByErase(bar.hwnd(), canvas);
        for (int y = 0; y < canvas.Height(); ++y) {
            for (int x = 0; x < kEdge; ++x) {
                const Rgb expected = y < c.paintedRows ? tile.Colour(x, y % kSideTileHeight) : kUntouched;
                ASSERT_EQ(canvas.At(x, y), expected) << "height " << c.height << " at " << x << "," << y;
            }
        }
    }
}

TEST(SideBar, LastTileIsCutAtTheBottomEdgeOnScreen)
{
    Parent parent;
    LRBarDlg bar(OnTheSpotSkins());
    ASSERT_TRUE(bar.Create(IDD_SIDE_BAR, parent.get()));
    ::SetWindowPos(bar.hwnd(), nullptr, 10, 10, kEdge, 47, SWP_NOZORDER | SWP_SHOWWINDOW);
    ::UpdateWindow(parent.get());
    PumpMessages();
    const PngPixels tile(IDB_SIDE_TILE);

    // The parent's pixels around the bar, read back from its window surface.
    Canvas screen(30, 80, kUntouched);
    WindowDc parentDc(parent.get());
    ::BitBlt(screen.dc(), 0, 0, 30, 80, parentDc.get(), 0, 0, SRCCOPY);
    for (int y = 10; y < 57; ++y)
        ASSERT_EQ(screen.At(12, y), tile.Colour(2, 0)) << "row " << y;
    const Rgb below = screen.At(12, 57);
    EXPECT_NE(below, tile.Colour(2, 0)) << "the third tile stops at the bar's bottom edge";
    EXPECT_EQ(below, screen.At(20, 57)) << "below the bar is the parent's own background";
}

TEST(SideBar, ResizeTallerPaintsTheWholeColumnAtOnce)
{
    Parent parent;
    LRBarDlg bar(OnTheSpotSkins());
    ASSERT_TRUE(bar.Create(IDD_SIDE_BAR, parent.get()));
    ::SetWindowPos(bar.hwnd(), nullptr, 10, 10, kEdge, 20, SWP_NOZORDER | SWP_SHOWWINDOW);
    PumpMessages();
    const PngPixels tile(IDB_SIDE_TILE);

    // Grow the window without painting it, blank its surface, then hand it the size message alone.
    ::SetWindowPos(bar.hwnd(), nullptr, 0, 0, kEdge, 47, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
    {
        WindowDc dc(bar.hwnd());
        UniqueHandle<HBRUSH, DeleteGdiObject> magenta(::CreateSolidBrush(RGB(0xFF, 0x00, 0xFF)));
        const RECT all{0, 0, kEdge, 47};
        ::FillRect(dc.get(), &all, magenta.get());
    }
    ::ValidateRect(bar.hwnd(), nullptr);
    ::SendMessageW(bar.hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(kEdge, 47));

    Canvas screen(kEdge, 47, kUntouched);
    WindowDc dc(bar.hwnd());
    ::BitBlt(screen.dc(), 0, 0, kEdge, 47, dc.get(), 0, 0, SRCCOPY);
    for (int y = 0; y < 47; ++y) {
        for (int x = 0; x < kEdge; ++x)
            ASSERT_EQ(screen.At(x, y), tile.Colour(x, y % kSideTileHeight)) << x << "," << y;
    }
}

TEST(BottomBar, ThreeSliceAcrossItsWidth)
{
    Parent parent;
    BottomBarDlg bar(OnTheSpotSkins());
    ASSERT_TRUE(bar.Create(IDD_BOTTOM_BAR, parent.get()));
    EXPECT_FALSE(::IsWindowVisible(bar.hwnd()));
    EXPECT_FALSE(::IsWindowEnabled(bar.hwnd()));
    const PngPixels left(IDB_BOTTOM_LEFT), tile(IDB_BOTTOM_TILE), right(IDB_BOTTOM_RIGHT);
    ASSERT_EQ(left.Width(), kCapWidth);
    ASSERT_EQ(tile.Width(), kTileWidth);
    ASSERT_EQ(right.Width(), kCapWidth);

    // The right cap laid over the left one is told apart from the left cap alone.
    bool capsDiffer = false;
    for (int x = 0; x < 100; ++x)
        capsDiffer = capsDiffer || (right.Opaque(x + 51, 2) && right.Colour(x + 51, 2) != left.Colour(x, 2));
    ASSERT_TRUE(capsDiffer);

    struct Case {
        int width;
        std::vector<Span> spans;
    };
    const Case cases[] = {
        // Narrower than one cap: the right cap starts left of the bar, over the left cap.
        {100, {{0, 100, &right, 51}, {100, 151, &left, 100}, {151, 1300, nullptr, 0}}},
        // Exactly one cap: no tile; the right cap covers the left cap.
        {151, {{0, 151, &right, 0}, {151, 1300, nullptr, 0}}},
        // One more pixel: one tile, all but its first column outside the right cap.
        {152, {{1, 152, &right, 0}, {152, 165, &tile, 1}, {165, 1300, nullptr, 0}}},
        // Both caps side by side; the last tile starts at 291 and runs on past the bar.
        {302, {{0, 151, &left, 0}, {151, 302, &right, 0}, {302, 305, &tile, 11}, {305, 1300, nullptr, 0}}},
        // The game-mode width: 75 tiles, the last one starting at 1187 and reaching one column past the bar.
        {1200, {{0, 151, &left, 0}, {151, 1049, &tile, 0}, {1049, 1200, &right, 0}, {1200, 1201, &tile, 13},
                {1201, 1300, nullptr, 0}}},
    };
    for (const Case& c : cases) {
        Resize(bar.hwnd(), c.width, kEdge);
        Canvas canvas(1300, kEdge, kUntouched);
        RenderByErase(bar.hwnd(), canvas);
        EXPECT_TRUE(ShowsSpans(canvas, c.spans, kUntouched)) << "width " << c.width;
    }
}

TEST(BottomBar, TransparentCornersShowWhatLiesBeneath)
{
    Parent parent;
    BottomBarDlg bar(OnTheSpotSkins());
    ASSERT_TRUE(bar.Create(IDD_BOTTOM_BAR, parent.get()));
    Resize(bar.hwnd(), 1200, kEdge);
    Canvas canvas(1200, kEdge, kUntouched);
    RenderByErase(bar.hwnd(), canvas);
    const PngPixels tile(IDB_BOTTOM_TILE);
    ASSERT_NE(tile.Colour((1199 - kCapWidth) % kTileWidth, kEdge - 1), kUntouched);
    EXPECT_EQ(canvas.At(0, kEdge - 1), kUntouched) << "bottom-left corner over nothing";
    EXPECT_EQ(canvas.At(1199, kEdge - 1), tile.Colour((1199 - kCapWidth) % kTileWidth, kEdge - 1))
        << "bottom-right corner over the last tile";
}

TEST(EdgeBars, PaintInEraseInPaintAndInSizeOnlyOnceInitialised)
{
    Parent parent;
    PaintCounted<LRBarDlg> side;
    PaintCounted<BottomBarDlg> bottom;
    ASSERT_TRUE(side.Create(IDD_SIDE_BAR, parent.get()));
    ASSERT_TRUE(bottom.Create(IDD_BOTTOM_BAR, parent.get()));
    EXPECT_GT(side.sizesBeforeInit + bottom.sizesBeforeInit, 0) << "the creation's own WM_SIZE came first";
    EXPECT_EQ(side.paintsBeforeInit, 0);
    EXPECT_EQ(bottom.paintsBeforeInit, 0);

    for (auto [bar, counted] : {std::pair<HWND, const int*>{side.hwnd(), &side.paints},
                                std::pair<HWND, const int*>{bottom.hwnd(), &bottom.paints}}) {
        ::ShowWindow(bar, SW_SHOWNA);
        PumpMessages();
        const int before = *counted;
        ::SendMessageW(bar, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 40));
        EXPECT_EQ(*counted, before + 1) << "WM_SIZE paints once initialised";
        Canvas canvas(10, 10, kUntouched);
        RenderByErase(bar, canvas);
        EXPECT_EQ(*counted, before + 2);
        ::RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); // WM_PAINT without erase
        EXPECT_EQ(*counted, before + 3);
    }
}

TEST(EdgeBars, ClicksOverABarGoToTheWindowBeneath)
{
    Parent parent;
    BottomBarDlg bar(OnTheSpotSkins());
    ASSERT_TRUE(bar.Create(IDD_BOTTOM_BAR, parent.get()));
    ::SetWindowPos(bar.hwnd(), nullptr, 0, 100, 1300, kEdge, SWP_NOZORDER | SWP_SHOWWINDOW);
    POINT over{600, 102};
    ::ClientToScreen(parent.get(), &over);
    EXPECT_EQ(::WindowFromPoint(over), parent.get()) << "a disabled bar takes no pointer input";
}

} // namespace
