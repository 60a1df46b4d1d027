// The game-mode caption bar on a real launcher window: its buttons' places, its painting and the
// launcher's title, what each button does to the launcher window, and its GDI objects over many paints.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Handles.h"
#include "launcher/Geometry.h"
#include "launcher_fixture.h"
#include "render.h"
#include "resource.h"
#include "skin/TopBarDlg.h"
#include "support.h"

namespace {

constexpr Rgb kUntouched = 0x00FF00FF;
constexpr Rgb kWhite = 0x00FFFFFF;
static_assert(kCaptionBarHeight == 25, "the caption bar is as high as its skin images");
constexpr int kCapWidth = 151;
constexpr int kButtonSize = 19;
constexpr wchar_t kTitle[] = L"Quarnis-->Brevik";

struct ButtonPlace {
    int id;
    int fromRight; // the button's x is the bar's width minus this
    WORD strip;
    const wchar_t* name; // the maximise button's while the launcher is not maximised
};
constexpr ButtonPlace kButtons[] = {{IDC_CLOSE_BUTTON, 20, IDB_CLOSE_STRIP, L"关闭"},
                                    {IDC_MAXIMIZE_BUTTON, 40, IDB_MAXIMIZE_STRIP, L"最大化"},
                                    {IDC_MINIMIZE_BUTTON, 60, IDB_MINIMIZE_STRIP, L"最小化"},
                                    {IDC_HIDE_BUTTON, 80, IDB_HIDE_STRIP, L"隐藏到托盘"},
                                    {IDC_MENU_BUTTON, 100, IDB_MENU_STRIP, L"菜单"}};

RECT PlaceInParent(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int BarWidth(HWND bar)
{
    RECT client;
    ::GetClientRect(bar, &client);
    return client.right;
}

// The bar's own painting (skin and title, not its buttons) into the canvas.
void Render(HWND bar, Canvas& canvas)
{
    canvas.Fill(kUntouched);
    EXPECT_EQ(::SendMessageW(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 1);
}

void Click(HWND bar, int id)
{
    ::SendMessageW(::GetDlgItem(bar, id), BM_CLICK, 0, 0);
    PumpMessages();
}

TEST(CaptionBar, ButtonsStandAtTheRightEndOfTheWidthGiven)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    ASSERT_TRUE(launcher.Created());
    HWND bar = launcher.CaptionBar();
    ASSERT_TRUE(::IsWindowVisible(bar));
    RECT launcherClient;
    ::GetClientRect(launcher.hwnd(), &launcherClient);
    EXPECT_EQ(BarWidth(bar), launcherClient.right);

    for (int cx : {BarWidth(bar), 800, 300, 100}) {
        ::SendMessageW(bar, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, kCaptionBarHeight));
        for (const ButtonPlace& button : kButtons) {
            HWND control = ::GetDlgItem(bar, button.id);
            const RECT place = PlaceInParent(control);
            EXPECT_EQ(place.left, cx - button.fromRight) << "button " << button.id << ", width " << cx;
            EXPECT_EQ(place.top, 3) << "button " << button.id;
            EXPECT_EQ(place.right - place.left, kButtonSize) << "button " << button.id;
            EXPECT_EQ(place.bottom - place.top, kButtonSize) << "button " << button.id;
            EXPECT_TRUE(::IsWindowVisible(control)) << "button " << button.id;
        }
    }
}

TEST(CaptionBar, SizeBeforeInitialisationMovesAndPaintsNothing)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    PaintCounted<CTopBarDlg> bar;
    ASSERT_TRUE(bar.Create(IDD_CAPTION_BAR, launcher.hwnd()));
    EXPECT_GT(bar.sizesBeforeInit, 0) << "the creation's own WM_SIZE came before the initialisation";
    EXPECT_EQ(bar.paintsBeforeInit, 0);

    // The template's place holds until the first size message after the initialisation.
    RECT templatePlace{491, 0, 0, 0};
    ::MapDialogRect(bar.hwnd(), &templatePlace);
    HWND close = ::GetDlgItem(bar.hwnd(), IDC_CLOSE_BUTTON);
    EXPECT_EQ(PlaceInParent(close).left, templatePlace.left);
    EXPECT_EQ(PlaceInParent(close).right - PlaceInParent(close).left, kButtonSize) << "sized by its strip";

    const int paints = bar.paints;
    ::SendMessageW(bar.hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(900, kCaptionBarHeight));
    EXPECT_EQ(PlaceInParent(close).left, 880);
    EXPECT_EQ(bar.paints, paints + 1);
}

TEST(CaptionBar, SkinIsThreeSliceAcrossTheBar)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    ::SetWindowTextW(launcher.hwnd(), L"");
    const PngPixels left(IDB_CAPTION_LEFT), tile(IDB_CAPTION_TILE), right(IDB_CAPTION_RIGHT);
    ASSERT_EQ(left.Height(), kCaptionBarHeight);

    struct Case {
        int width;
        std::vector<Span> spans;
    };
    const Case cases[] = {
        {100, {{0, 100, &right, 51}, {100, 151, &left, 100}, {151, 1300, nullptr, 0}}},
        {1200, {{0, 151, &left, 0}, {151, 1049, &tile, 0}, {1049, 1200, &right, 0}, {1200, 1201, &tile, 13},
                {1201, 1300, nullptr, 0}}},
    };
    for (const Case& c : cases) {
        ::SetWindowPos(bar, nullptr, 0, 0, c.width, kCaptionBarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Canvas canvas(1300, kCaptionBarHeight, kUntouched);
        Render(bar, canvas);
        EXPECT_TRUE(ShowsSpans(canvas, c.spans, kUntouched)) << "width " << c.width;
    }
    Canvas canvas(1200, kCaptionBarHeight, kUntouched);
    Render(bar, canvas);
    EXPECT_EQ(canvas.At(0, 0), kUntouched) << "the left cap's transparent corner";
}

TEST(CaptionBar, TitleInWhiteReadFromTheMainWindowAtEveryPaint)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    const int width = BarWidth(bar);
    Canvas empty(width, kCaptionBarHeight, kUntouched), first(width, kCaptionBarHeight, kUntouched),
        second(width, kCaptionBarHeight, kUntouched), again(width, kCaptionBarHeight, kUntouched);

    ::SetWindowTextW(launcher.hwnd(), L"");
    Render(bar, empty);
    ::SetWindowTextW(launcher.hwnd(), kTitle);
    Render(bar, first);
    ::SetWindowTextW(launcher.hwnd(), L"Quarnis-->Brevik-->12");
    Render(bar, second);
    ::SetWindowTextW(launcher.hwnd(), kTitle);
    Render(bar, again);

    EXPECT_EQ(empty.CountOf(kWhite, 0, 0, width, kCaptionBarHeight), 0);
    EXPECT_GT(first.CountOf(kWhite, 10, 6, 200, 19), 0) << "the title is drawn in white";
    EXPECT_EQ(first.CountOf(kWhite, 0, 0, 10, kCaptionBarHeight), 0) << "nothing left of the title's place";
    EXPECT_EQ(first.CountOf(kWhite, 0, 0, width, 6), 0) << "nothing above the title's place";
    EXPECT_FALSE(first.SameAs(second)) << "a new title shows at the next paint";
    EXPECT_TRUE(first.SameAs(again));
}

// The bar as it shows on the launcher's window surface, its buttons included.
void CaptureBar(HWND bar, Canvas& screen)
{
    WindowDc dc(bar);
    ::BitBlt(screen.dc(), 0, 0, screen.Width(), screen.Height(), dc.get(), 0, 0, SRCCOPY);
}

// The title as the bar must draw it: TextOutW at (10, 6), white on a transparent background, in
// a 12-pixel normal-weight ANSI font of the face "宋体".
void DrawReferenceTitle(HDC dc, const wchar_t* title)
{
    const UniqueFont font(::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_ROMAN | DEFAULT_PITCH, L"宋体"));
    const SelectedObject selected(dc, font.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::TextOutW(dc, 10, 6, title, static_cast<int>(std::wcslen(title)));
}

// The pixels of the columns [0, right) of two canvases of one height, alike; or where they differ.
::testing::AssertionResult SameColumns(const Canvas& actual, const Canvas& expected, int right)
{
    int differences = 0;
    POINT first{-1, -1};
    for (int y = 0; y < expected.Height(); ++y) {
        for (int x = 0; x < right; ++x) {
            if (actual.At(x, y) != expected.At(x, y) && differences++ == 0)
                first = {x, y};
        }
    }
    if (differences == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences << " pixels differ, the first at " << first.x << "," << first.y
                                         << ": " << std::hex << actual.At(first.x, first.y) << " instead of "
                                         << expected.At(first.x, first.y);
}

// The process runs in the code page its test run asks for (Simplified Chinese by default; the
// text tests run again under Traditional Chinese and Western code pages).
TEST(CodePage, TheProcessRunsInTheCodePageOfItsRun)
{
    const char* expected = std::getenv("LUMVANE_EXPECTED_CODE_PAGE");
    ASSERT_NE(expected, nullptr) << "the run names its code page";
    EXPECT_EQ(::GetACP(), static_cast<UINT>(std::atoi(expected)));
}

// A server title with Chinese text, in every code page.
TEST(CaptionBar, TitleShowsExactlyAsTextOutAtItsPlaceInItsFont)
{
    constexpr wchar_t kServerTitle[] = L"Quarnis-->Brevik-->一区服";
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    ::SetCursorPos(5, 500); // away from the buttons
    const int width = BarWidth(bar);
    const auto showOnScreen = [&](const wchar_t* title, Canvas& screen) {
        ::SetWindowTextW(launcher.hwnd(), title);
        ::RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        CaptureBar(bar, screen);
    };

    // The references: the bar's skin without a title, then the title drawn over it.
    Canvas skinOnly(width, kCaptionBarHeight, kUntouched), reference(width, kCaptionBarHeight, kUntouched),
        screenReference(width, kCaptionBarHeight, kUntouched);
    ::SetWindowTextW(launcher.hwnd(), L"");
    Render(bar, skinOnly);
    Render(bar, reference);
    DrawReferenceTitle(reference.dc(), kServerTitle);
    ASSERT_GT(reference.CountOf(kWhite, 0, 0, width, kCaptionBarHeight), 0) << "the reference shows a title";
    ASSERT_FALSE(SameColumns(reference, skinOnly, width)) << "the reference shows a title";
    showOnScreen(L"", screenReference);
    DrawReferenceTitle(screenReference.dc(), kServerTitle);

    ::SetWindowTextW(launcher.hwnd(), kServerTitle);
    Canvas painted(width, kCaptionBarHeight, kUntouched);
    Render(bar, painted);
    EXPECT_TRUE(SameColumns(painted, reference, width)) << "the bar's painting";

    // On the window surface, left of the buttons.
    Canvas screen(width, kCaptionBarHeight, kUntouched);
    showOnScreen(kServerTitle, screen);
    const int firstButton = width - kButtons[std::size(kButtons) - 1].fromRight;
    EXPECT_TRUE(SameColumns(screen, screenReference, firstButton)) << "the bar on screen";
}

// The texts the launcher's tooltips hold for a point of a window, read back from each tool there:
// one tool's text, or nothing where no tool is.
std::wstring TipOver(HWND launcher, HWND window, POINT client)
{
    std::wstring texts;
    for (HWND tip : ToolTipsOf(launcher)) {
        TTHITTESTINFOW hit{window, client, {}};
        hit.ti.cbSize = sizeof(hit.ti);
        if (!::SendMessageW(tip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)))
            continue;
        wchar_t text[80] = {};
        hit.ti.lpszText = text;
        ::SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&hit.ti));
        texts += text;
    }
    return texts;
}

// The buttons' names as their window texts and tooltips, and the close spot's tooltip (login mode
// only), through both mode switches and the maximise toggle, in every code page.
TEST(CaptionBar, NamesAndTooltipsOfTheButtonsAndTheCloseSpot)
{
    LauncherFixture launcher(LauncherFixture::kLoginMode);
    ASSERT_TRUE(launcher.Created());
    HWND bar = launcher.CaptionBar();
    PumpMessages();
    // Restored as wide as the work area, the launcher's client width stays when it is maximised.
    const auto fullWidthThenToggle = [](LauncherFixture& l) {
        const RECT work = WorkArea();
        ::MoveWindow(l.hwnd(), work.left, work.top + 50, work.right - work.left, 600, TRUE);
        l->ToggleMaximize();
    };
    struct State {
        const char* what;
        void (*reach)(LauncherFixture&);
        const wchar_t* maximizeName;
        const wchar_t* closeSpotTip;
    };
    const State states[] = {
        {"login mode", [](LauncherFixture&) {}, L"最大化", L"关闭"},
        {"game mode, maximised", [](LauncherFixture& l) { l->EnterGameMode(); }, L"向下还原", L""},
        {"restored", [](LauncherFixture& l) { l->ToggleMaximize(); }, L"最大化", L""},
        {"maximised from the work area's width", fullWidthThenToggle, L"向下还原", L""},
        {"restored to the work area's width", [](LauncherFixture& l) { l->ToggleMaximize(); }, L"最大化", L""},
        {"login mode again", [](LauncherFixture& l) { l->ReturnToLoginMode(); }, L"最大化", L"关闭"},
    };
    for (const State& state : states) {
        SCOPED_TRACE(state.what);
        state.reach(launcher);
        PumpMessages();
        EXPECT_EQ(ToolTipsOf(launcher.hwnd()).size(), 2u) << "the caption bar's and the launcher window's";
        for (const ButtonPlace& button : kButtons) {
            const std::wstring name = button.id == IDC_MAXIMIZE_BUTTON ? state.maximizeName : button.name;
            HWND control = ::GetDlgItem(bar, button.id);
            EXPECT_EQ(WindowTitle(control), name) << "button " << button.id;
            EXPECT_EQ(TipOver(launcher.hwnd(), control, {9, 9}), name) << "button " << button.id;
        }
        EXPECT_EQ(TipOver(launcher.hwnd(), launcher.hwnd(), {kCloseSpotLeft, kCloseSpotTop}), state.closeSpotTip);
        EXPECT_EQ(TipOver(launcher.hwnd(), launcher.hwnd(), {kCloseSpotLeft + 23, kCloseSpotTop + 23}),
                  state.closeSpotTip);
        const POINT outside[] = {{kCloseSpotLeft - 1, kCloseSpotTop + 12}, {kCloseSpotLeft + 24, kCloseSpotTop + 12},
                                 {kCloseSpotLeft + 12, kCloseSpotTop + 24}, {600, 300}};
        for (POINT point : outside)
            EXPECT_EQ(TipOver(launcher.hwnd(), launcher.hwnd(), point), L"") << point.x << "," << point.y;
    }
    ::DestroyWindow(bar);
    EXPECT_EQ(ToolTipsOf(launcher.hwnd()).size(), 1u) << "the caption bar's tooltip went with it";
}

TEST(CaptionBar, TitleLongerThan255CharactersPaintsItsFirst255)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    // The canvas is wider than the bar: the title runs on past the bar's width into it.
    const std::wstring longTitle(300, L'W');
    const auto render = [&](std::size_t characters, Canvas& canvas) {
        ::SetWindowTextW(launcher.hwnd(), longTitle.substr(0, characters).c_str());
        Render(bar, canvas);
    };
    constexpr int kCanvasWidth = 4000;
    Canvas all(kCanvasWidth, kCaptionBarHeight, kUntouched), first255(kCanvasWidth, kCaptionBarHeight, kUntouched),
        first254(kCanvasWidth, kCaptionBarHeight, kUntouched);
    render(300, all);
    ASSERT_EQ(WindowTitle(launcher.hwnd()).size(), 300u);
    render(255, first255);
    render(254, first254);

    // The columns where the 255th glyph shows; a 256th would need as many again, and fits.
    int glyphLeft = kCanvasWidth, glyphRight = -1;
    for (int x = 0; x < kCanvasWidth; ++x) {
        for (int y = 0; y < kCaptionBarHeight; ++y) {
            if (first255.At(x, y) != first254.At(x, y)) {
                glyphLeft = std::min(glyphLeft, x);
                glyphRight = std::max(glyphRight, x);
            }
        }
    }
    ASSERT_GE(glyphRight, 0) << "the 255th glyph shows";
    ASSERT_LT(glyphRight + 2 * (glyphRight - glyphLeft + 1), kCanvasWidth) << "room for a 256th glyph";
    EXPECT_TRUE(all.SameAs(first255));
}

// Each button shows its strip's normal frame on screen: counted, the pixels that do not.
::testing::AssertionResult ButtonsShowNormalFrames(const Canvas& screen)
{
    for (const ButtonPlace& button : kButtons) {
        const PngPixels strip(button.strip);
        const int left = screen.Width() - button.fromRight;
        int unlike = 0;
        for (int y = 0; y < kButtonSize; ++y) {
            for (int x = 0; x < kButtonSize; ++x)
                unlike += screen.At(left + x, 3 + y) != strip.Colour(x, y);
        }
        if (unlike > 0)
            return ::testing::AssertionFailure() << "button " << button.id << ": " << unlike << " pixels unlike its frame";
    }
    return ::testing::AssertionSuccess();
}

TEST(CaptionBar, ButtonsShowTheirNormalFramesOverTheSkin)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    ::SetCursorPos(5, 500); // away from the buttons
    ::RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();

    Canvas screen(BarWidth(bar), kCaptionBarHeight, kUntouched);
    CaptureBar(bar, screen);
    if (const char* shots = std::getenv("LUMVANE_SHOTS"))
        screen.SaveBmp(std::string(shots) + "/caption_bar.bmp");
    EXPECT_TRUE(ButtonsShowNormalFrames(screen));
    const PngPixels right(IDB_CAPTION_RIGHT);
    EXPECT_EQ(screen.At(screen.Width() - 1, 12), right.Colour(kCapWidth - 1, 12)) << "the right cap beside the close button";
}

// The bar paints over its buttons (it does not clip its children); they must show again after it.
TEST(CaptionBar, ButtonsShowAgainAfterTheBarPaintsOverThem)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    ::SetCursorPos(5, 500);
    launcher->ToggleMaximize();
    PumpMessages(300);
    launcher->ToggleMaximize(); // the bar grows under buttons that move into its new part
    PumpMessages(300);
    ASSERT_TRUE(::IsZoomed(launcher.hwnd()));
    Canvas screen(BarWidth(bar), kCaptionBarHeight, kUntouched);
    CaptureBar(bar, screen);
    EXPECT_TRUE(ButtonsShowNormalFrames(screen)) << "after growing";

    ::SendMessageW(bar, WM_SIZE, SIZE_RESTORED, MAKELPARAM(screen.Width(), kCaptionBarHeight)); // paints, moves nothing
    PumpMessages();
    CaptureBar(bar, screen);
    EXPECT_TRUE(ButtonsShowNormalFrames(screen)) << "after a size message";
}

TEST(CaptionBar, PressOnTheBarMovesTheLauncherFromTheClickPoint)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    PumpMessages();
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 12));
    MSG posted{};
    ASSERT_TRUE(::PeekMessageW(&posted, launcher.hwnd(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(posted.lParam, MAKELPARAM(300, 12)) << "the point in the bar's own coordinates";
    ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(300, 12));
}

TEST(CaptionBarCommands, CloseAsksAndCancelKeepsTheLauncher)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    WindowAnswerer cancel(L"#32770", App::Current()->Name().c_str(),
                          [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0); });
    Click(bar, IDC_CLOSE_BUTTON);
    EXPECT_TRUE(cancel.Answered());
    EXPECT_TRUE(::IsWindow(launcher.hwnd()));
    EXPECT_TRUE(::IsWindowVisible(launcher.hwnd()));
    EXPECT_TRUE(launcher->InGameMode());
}

TEST(CaptionBarCommands, MaximiseButtonAndDoubleClickToggleBothWays)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    ASSERT_TRUE(::IsZoomed(launcher.hwnd())) << "game mode starts maximised";

    const auto expectRestoredAndCentred = [&](const char* how) {
        EXPECT_FALSE(::IsZoomed(launcher.hwnd())) << how;
        RECT window;
        ::GetWindowRect(launcher.hwnd(), &window);
        const RECT work = WorkArea();
        EXPECT_EQ(window.right - window.left, 1200) << how;
        EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1) << how;
        EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1) << how;
    };

    Click(bar, IDC_MAXIMIZE_BUTTON);
    expectRestoredAndCentred("maximise button");
    EXPECT_EQ(BarWidth(bar), 1200) << "the bar follows the launcher's width";
    Click(bar, IDC_MAXIMIZE_BUTTON);
    EXPECT_TRUE(::IsZoomed(launcher.hwnd()));

    EXPECT_TRUE(::GetClassLongPtrW(bar, GCL_STYLE) & CS_DBLCLKS) << "the bar is told of double-clicks";
    ::SendMessageW(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, 12));
    PumpMessages();
    expectRestoredAndCentred("double-click");
    ::SendMessageW(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, 12));
    PumpMessages();
    EXPECT_TRUE(::IsZoomed(launcher.hwnd()));
}

TEST(CaptionBarCommands, MinimiseButtonMinimisesTheLauncher)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    Click(launcher.CaptionBar(), IDC_MINIMIZE_BUTTON);
    EXPECT_TRUE(::IsIconic(launcher.hwnd()));
    EXPECT_TRUE(launcher->InGameMode());
}

TEST(CaptionBarCommands, HideButtonHidesAndShowsTheWholeLauncher)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    Click(bar, IDC_HIDE_BUTTON);
    EXPECT_FALSE(::IsWindowVisible(launcher.hwnd()));
    EXPECT_TRUE(::GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE) << "the bar itself stays shown inside it";
    ::SendMessageW(bar, WM_COMMAND, MAKEWPARAM(IDC_HIDE_BUTTON, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(bar, IDC_HIDE_BUTTON)));
    EXPECT_TRUE(::IsWindowVisible(launcher.hwnd()));
}

TEST(CaptionBarCommands, MenuButtonOpensTheLauncherMenuTopRightAtThePointer)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    HWND bar = launcher.CaptionBar();
    ::SetCursorPos(700, 400);
    PumpMessages();
    POINT pointer;
    ::GetCursorPos(&pointer);

    RECT menuRect{};
    int items = 0;
    UINT firstCommand = 0;
    WindowAnswerer close(L"#32768", nullptr, [&](HWND menu) {
        ::GetWindowRect(menu, &menuRect);
        HMENU shown = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
        items = ::GetMenuItemCount(shown);
        firstCommand = ::GetMenuItemID(shown, 0);
        ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    Click(bar, IDC_MENU_BUTTON);
    ASSERT_TRUE(close.Answered());
    EXPECT_EQ(items, 3);
    EXPECT_EQ(firstCommand, static_cast<UINT>(ID_MENU_REFRESH));
    EXPECT_EQ(menuRect.right, pointer.x);
    EXPECT_EQ(menuRect.top, pointer.y);
    EXPECT_TRUE(::IsWindow(launcher.hwnd()));
}

TEST(CaptionBar, NoGdiObjectLeaksOverAThousandPaints)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    CLumvaneDlg& window = *launcher;
    HWND bar = launcher.CaptionBar();
    const int width = BarWidth(bar);
    Canvas canvas(width, kCaptionBarHeight, kUntouched);
    ::SetWindowTextW(launcher.hwnd(), L"Quarnis-->Brevik-->12");
    const HWND edges[] = {window.LeftBarWindow(), window.RightBarWindow(), window.BottomBarWindow()};
    // Four caption-bar paints (into a memory DC, erase and paint on the window, after a size
    // message) and five edge-bar paints a round.
    const auto paintRound = [&](int round) {
        ::SendMessageW(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
        ::RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        ::SendMessageW(bar, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, kCaptionBarHeight));
        for (HWND edge : edges)
            ::SendMessageW(edge, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
        ::RedrawWindow(edges[round % 3], nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    };
    for (int warmUp = 0; warmUp < 5; ++warmUp)
        paintRound(warmUp);
    PumpMessages();
    const int before = CountGdiObjects();
    for (int round = 0; round < 250; ++round)
        paintRound(round);
    PumpMessages();
    EXPECT_EQ(CountGdiObjects(), before);
}

} // namespace
