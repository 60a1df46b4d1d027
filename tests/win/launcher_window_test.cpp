// The launcher window made in-process exactly as the program makes it: its login look, both mode
// switches, the game-mode layout, the work-area limit, the backdrop following it, and its painting.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/App.h"
#include "framework/Handles.h"
#include "launcher/Geometry.h"
#include "launcher_fixture.h"
#include "render.h"
#include "resource.h"
#include "support.h"

namespace {

constexpr int kLoginWidth = 888;
constexpr int kLoginHeight = 591;
static_assert(kLoginPageRect == Box{319, 180, 319 + 527, 180 + 349}, "the page's place in the login window");
constexpr RECT kPageInLogin{kLoginPageRect.left, kLoginPageRect.top, kLoginPageRect.right, kLoginPageRect.bottom};

// A pane's rectangle in the launcher's client coordinates.
RECT PaneRect(HWND pane, HWND launcher)
{
    RECT rect = WindowRect(pane);
    ::MapWindowPoints(nullptr, launcher, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT Rect(int x, int y, int width, int height)
{
    return {x, y, x + width, y + height};
}

bool HasRegion(HWND window)
{
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    return ::GetWindowRgn(window, region.get()) != ERROR;
}

// The launcher window of these tests: created modeless from template 102 as the main window,
// so OnInitDialog runs every start-up step.
class LauncherWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(launcher_.Created());
        PumpMessages();
    }

    HWND hwnd() { return launcher_.hwnd(); }
    HWND Backdrop() { return launcher_.Backdrop(); }

    void ExpectLoginLook()
    {
        EXPECT_FALSE(launcher_->InGameMode());
        EXPECT_TRUE(::IsWindowVisible(hwnd()));
        EXPECT_FALSE(::IsZoomed(hwnd()));
        EXPECT_TRUE(SameRect(WindowRect(hwnd()), CentredInWorkArea(kLoginWidth, kLoginHeight)));
        EXPECT_TRUE(HasRegion(hwnd()));
        EXPECT_TRUE(SameRect(PaneRect(launcher_->PageHostWindow(), hwnd()), kPageInLogin));
        EXPECT_TRUE(::IsWindowVisible(launcher_->PageHostWindow()));
        for (HWND bar : {launcher_->CaptionBarWindow(), launcher_->LeftBarWindow(), launcher_->RightBarWindow(),
                         launcher_->BottomBarWindow()})
            EXPECT_FALSE(::IsWindowVisible(bar));
        EXPECT_TRUE(::IsWindowVisible(Backdrop()));
        EXPECT_TRUE(SameRect(WindowRect(Backdrop()), WindowRect(hwnd()))) << "the backdrop covers the launcher";
    }

    // The five panes for a client area of cx by cy.
    void ExpectGameLayout(int cx, int cy)
    {
        SCOPED_TRACE(std::to_string(cx) + " x " + std::to_string(cy));
        EXPECT_TRUE(SameRect(PaneRect(launcher_->PageHostWindow(), hwnd()), Rect(5, 25, cx - 10, cy - 30)));
        EXPECT_TRUE(SameRect(PaneRect(launcher_->CaptionBarWindow(), hwnd()), Rect(0, 0, cx, 25)));
        EXPECT_TRUE(SameRect(PaneRect(launcher_->LeftBarWindow(), hwnd()), Rect(0, 25, 5, cy - 30)));
        EXPECT_TRUE(SameRect(PaneRect(launcher_->RightBarWindow(), hwnd()), Rect(cx - 5, 25, 5, cy - 30)));
        EXPECT_TRUE(SameRect(PaneRect(launcher_->BottomBarWindow(), hwnd()), Rect(0, cy - 5, cx, 5)));
        for (HWND pane : {launcher_->PageHostWindow(), launcher_->CaptionBarWindow(), launcher_->LeftBarWindow(),
                          launcher_->RightBarWindow(), launcher_->BottomBarWindow()})
            EXPECT_TRUE(::IsWindowVisible(pane));
    }

    LauncherFixture launcher_;
};

TEST_F(LauncherWindow, StartsInLoginModeCentredWithItsTitle)
{
    ExpectLoginLook();
    RECT client;
    ::GetClientRect(hwnd(), &client);
    EXPECT_EQ(client.right, kLoginWidth) << "no caption, no border";
    EXPECT_EQ(client.bottom, kLoginHeight);
    const LONG style = ::GetWindowLongW(hwnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_EQ(WindowTitle(hwnd()), L"Quarnis-->Brevik");
    EXPECT_EQ(MainWindowHandle(), hwnd());
    EXPECT_EQ(dynamic_cast<CLumvaneDlg*>(MainWindow()), launcher_.get());
}

TEST_F(LauncherWindow, PanesBelongToTheLauncher)
{
    for (HWND child : {launcher_->PageHostWindow(), launcher_->CaptionBarWindow(), launcher_->LeftBarWindow(),
                       launcher_->RightBarWindow(), launcher_->BottomBarWindow()}) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetAncestor(child, GA_PARENT), hwnd());
    }
    EXPECT_NE(launcher_->LeftBarWindow(), launcher_->RightBarWindow());
    ASSERT_NE(Backdrop(), nullptr);
    EXPECT_EQ(::GetWindow(Backdrop(), GW_OWNER), hwnd()) << "an owned popup";
    EXPECT_NE(::GetWindowLongW(Backdrop(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
}

// The window shape: the page rectangle and the close spot's opaque disc.
TEST_F(LauncherWindow, LoginRegionCoversThePageAndTheCloseSpot)
{
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(hwnd(), region.get()), ERROR);
    EXPECT_TRUE(::PtInRegion(region.get(), kPageInLogin.left, kPageInLogin.top));
    EXPECT_TRUE(::PtInRegion(region.get(), kPageInLogin.right - 1, kPageInLogin.bottom - 1));
    EXPECT_FALSE(::PtInRegion(region.get(), kPageInLogin.left - 1, kPageInLogin.top));
    EXPECT_FALSE(::PtInRegion(region.get(), kPageInLogin.right, kPageInLogin.bottom - 1));
    EXPECT_FALSE(::PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(region.get(), 847 + 12, 157 + 12)) << "the close spot's middle";
    EXPECT_FALSE(::PtInRegion(region.get(), 847, 157)) << "its transparent corner";
}

TEST_F(LauncherWindow, EnterGameModeMaximisesOntoTheWorkArea)
{
    launcher_->EnterGameMode();
    PumpMessages();
    EXPECT_TRUE(launcher_->InGameMode());
    EXPECT_FALSE(HasRegion(hwnd()));
    EXPECT_FALSE(::IsWindowVisible(Backdrop()));
    EXPECT_TRUE(::IsZoomed(hwnd()));
    EXPECT_TRUE(::IsWindowVisible(hwnd()));
    const RECT work = WorkArea();
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), work));
    ExpectGameLayout(work.right - work.left, work.bottom - work.top);
    EXPECT_EQ(WindowTitle(hwnd()), L"Quarnis-->Brevik");
}

TEST_F(LauncherWindow, GameLayoutFor1200By800)
{
    launcher_->EnterGameMode();
    ::SendMessageW(hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(1200, 800));
    ExpectGameLayout(1200, 800);
    EXPECT_TRUE(SameRect(PaneRect(launcher_->PageHostWindow(), hwnd()), Rect(5, 25, 1190, 770)));
    EXPECT_TRUE(SameRect(PaneRect(launcher_->RightBarWindow(), hwnd()), Rect(1195, 25, 5, 770)));
    EXPECT_TRUE(SameRect(PaneRect(launcher_->BottomBarWindow(), hwnd()), Rect(0, 795, 1200, 5)));

    // Restored, the window has its game-mode starting size, centred, and the panes follow.
    launcher_->ToggleMaximize();
    PumpMessages();
    EXPECT_FALSE(::IsZoomed(hwnd()));
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), CentredInWorkArea(1200, 800)));
    ExpectGameLayout(1200, 800);
    launcher_->ToggleMaximize();
    EXPECT_TRUE(::IsZoomed(hwnd()));
}

TEST_F(LauncherWindow, MaximisedSizeBeyondTheWorkAreaIsCutToIt)
{
    launcher_->EnterGameMode();
    launcher_->ToggleMaximize(); // restored: 1200 x 800, centred
    const RECT work = WorkArea();
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;

    ::SendMessageW(hwnd(), WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(workWidth + 40, workHeight));
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), work));
    ExpectGameLayout(workWidth, workHeight);

    ::MoveWindow(hwnd(), 10, 10, 1200, 800, TRUE);
    ::SendMessageW(hwnd(), WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(workWidth, workHeight + 1));
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), work));

    // A maximised size that fits is laid out as it is.
    ::MoveWindow(hwnd(), 10, 10, 1200, 800, TRUE);
    ::SendMessageW(hwnd(), WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(workWidth, workHeight));
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), Rect(10, 10, 1200, 800)));
    ExpectGameLayout(workWidth, workHeight);
}

TEST_F(LauncherWindow, MinimisedSizeLaysNothingOut)
{
    launcher_->EnterGameMode();
    ::SendMessageW(hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(1200, 800));
    ::SendMessageW(hwnd(), WM_SIZE, SIZE_MINIMIZED, 0);
    ::SendMessageW(hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 800));
    ExpectGameLayout(1200, 800);
}

TEST_F(LauncherWindow, SwitchingToTheCurrentModeChangesNothing)
{
    const RECT login = WindowRect(hwnd());
    launcher_->ReturnToLoginMode();
    PumpMessages();
    ExpectLoginLook();
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), login));

    launcher_->EnterGameMode();
    PumpMessages();
    const RECT game = WindowRect(hwnd());
    launcher_->EnterGameMode(); // a second toggle would restore the window
    PumpMessages();
    EXPECT_TRUE(::IsZoomed(hwnd()));
    EXPECT_TRUE(SameRect(WindowRect(hwnd()), game));
    EXPECT_TRUE(launcher_->InGameMode());
    EXPECT_FALSE(::IsWindowVisible(Backdrop()));
}

TEST_F(LauncherWindow, ReturnToLoginModeRestoresTheLoginLookButNotTheTitle)
{
    launcher_->EnterGameMode();
    PumpMessages();
    ::SetWindowTextW(hwnd(), L"Quarnis-->Brevik-->12");
    launcher_->ReturnToLoginMode();
    PumpMessages();
    ExpectLoginLook();
    EXPECT_EQ(WindowTitle(hwnd()), L"Quarnis-->Brevik-->12");

    // And into game mode once more.
    launcher_->EnterGameMode();
    PumpMessages();
    EXPECT_TRUE(::IsZoomed(hwnd()));
    EXPECT_FALSE(HasRegion(hwnd()));
}

// A maximised or minimised window keeps that state through MoveWindow; the login look must not
// come back at the game-mode size.
TEST_F(LauncherWindow, ReturnFromAMinimisedOrRestoredGameWindow)
{
    launcher_->EnterGameMode();
    ::ShowWindow(hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(hwnd()));
    launcher_->ReturnToLoginMode();
    PumpMessages();
    EXPECT_FALSE(::IsIconic(hwnd()));
    ExpectLoginLook();

    launcher_->EnterGameMode();
    launcher_->ToggleMaximize();
    ASSERT_FALSE(::IsZoomed(hwnd()));
    ::ShowWindow(hwnd(), SW_MINIMIZE);
    launcher_->ReturnToLoginMode();
    PumpMessages();
    ExpectLoginLook();
}

TEST_F(LauncherWindow, ModeSwitchesShowAHiddenWindow)
{
    ::ShowWindow(hwnd(), SW_HIDE);
    EXPECT_FALSE(::IsWindowVisible(Backdrop())) << "the backdrop hides with the launcher in login mode";
    launcher_->EnterGameMode();
    PumpMessages();
    EXPECT_TRUE(::IsWindowVisible(hwnd()));
    EXPECT_FALSE(::IsWindowVisible(Backdrop()));

    ::ShowWindow(hwnd(), SW_HIDE);
    ::ShowWindow(hwnd(), SW_SHOW);
    EXPECT_FALSE(::IsWindowVisible(Backdrop())) << "in game mode the backdrop stays hidden";
    ::ShowWindow(hwnd(), SW_HIDE);
    launcher_->ReturnToLoginMode();
    PumpMessages();
    EXPECT_TRUE(::IsWindowVisible(hwnd()));
    EXPECT_TRUE(::IsWindowVisible(Backdrop()));
}

TEST_F(LauncherWindow, BackdropFollowsMovesAndVisibilityInLoginModeOnly)
{
    ::MoveWindow(hwnd(), 100, 60, kLoginWidth, kLoginHeight, TRUE);
    EXPECT_TRUE(SameRect(WindowRect(Backdrop()), Rect(100, 60, kLoginWidth, kLoginHeight)));
    ::SetWindowPos(hwnd(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(SameRect(WindowRect(Backdrop()), Rect(7, 9, kLoginWidth, kLoginHeight)));
    ::ShowWindow(hwnd(), SW_HIDE);
    EXPECT_FALSE(::IsWindowVisible(Backdrop()));
    ::ShowWindow(hwnd(), SW_SHOW);
    EXPECT_TRUE(::IsWindowVisible(Backdrop()));

    launcher_->EnterGameMode();
    launcher_->ToggleMaximize();
    const RECT left = WindowRect(Backdrop());
    ::MoveWindow(hwnd(), 30, 20, 1200, 800, TRUE);
    EXPECT_TRUE(SameRect(WindowRect(Backdrop()), left)) << "the hidden backdrop stays where it was";

    launcher_->ReturnToLoginMode();
    PumpMessages();
    EXPECT_TRUE(SameRect(WindowRect(Backdrop()), CentredInWorkArea(kLoginWidth, kLoginHeight)));
}

TEST_F(LauncherWindow, EraseFillsBlackAndTheDragIconIsTheProgramIcon)
{
    Canvas canvas(kLoginWidth, kLoginHeight, 0xFFFFFF);
    EXPECT_TRUE(::SendMessageW(hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0));
    EXPECT_EQ(canvas.CountOf(0x000000, 0, 0, kLoginWidth, kLoginHeight), kLoginWidth * kLoginHeight);

    const auto icon = ::SendMessageW(hwnd(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_NE(icon, 0);
    EXPECT_EQ(icon, ::SendMessageW(hwnd(), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(icon, ::SendMessageW(hwnd(), WM_GETICON, ICON_SMALL, 0));
}

// In login mode the paint draws the close spot scaled, alpha ignored: its corners come out black.
TEST_F(LauncherWindow, PaintsTheCloseSpotInLoginMode)
{
    const PngPixels spot(IDB_CLOSE_SPOT);
    ASSERT_EQ(spot.Width(), 24);
    ASSERT_FALSE(spot.Opaque(0, 0));
    ASSERT_TRUE(spot.Opaque(12, 12));
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Canvas canvas(24, 24, 0x123456);
    {
        WindowDc window(hwnd());
        ::BitBlt(canvas.dc(), 0, 0, 24, 24, window.get(), 847, 157, SRCCOPY);
    }
    EXPECT_EQ(canvas.At(0, 0), 0x000000u);
    EXPECT_EQ(canvas.At(23, 23), 0x000000u);
    EXPECT_EQ(canvas.At(12, 12), spot.Colour(12, 12));
}

TEST_F(LauncherWindow, ModeSwitchesAndPaintsLeakNoGdiObject)
{
    const auto round = [this] {
        launcher_->EnterGameMode();
        ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        launcher_->ReturnToLoginMode();
        ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages(5);
    };
    round();
    const int before = CountGdiObjects();
    for (int i = 0; i < 10; ++i)
        round();
    EXPECT_EQ(CountGdiObjects(), before);
}

} // namespace
