#include "launcher/LumvaneDlg.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <iterator>
#include <new>
#include <vector>

#include "desktop/DesktopShortcut.h"
#include "desktop/UrlCache.h"
#include "framework/App.h"
#include "framework/Handles.h"
#include "framework/StartupMarks.h"
#include "framework/Trace.h"
#include "launcher/Geometry.h"
#include "launcher/LaunchSkins.h"
#include "launcher/LoginShape.h"
#include "launcher/RunRegion.h"
#include "launcher/TrayIcon.h"
#include "page/ServerTitle.h"
#include "resource.h"

namespace {

constexpr wchar_t kExitQuestion[] = L"当前正在游戏中，你确认要退出吗？";
constexpr wchar_t kTrayTip[] = L"Brevik极速登陆器";
constexpr wchar_t kCloseSpotName[] = L"关闭";
constexpr UINT_PTR kCloseSpotTool = 1;
constexpr int kHighQualityInterpolation = 2;
constexpr UINT kFollowFlags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
constexpr std::array<WORD, 3> kArtwork{IDB_ARTWORK_1, IDB_ARTWORK_2, IDB_ARTWORK_3};

POINT PointFrom(LPARAM lParam) noexcept
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

void MoveTo(HWND window, const Box& box) noexcept
{
    ::MoveWindow(window, box.left, box.top, box.Width(), box.Height(), TRUE);
}

} // namespace

CLumvaneDlg::CLumvaneDlg() noexcept
    : Dialog(IDD_LUMVANE_DIALOG),
      captionBar_(skins_),
      leftBar_(skins_),
      rightBar_(skins_),
      bottomBar_(skins_),
      icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      pageHost_(*this)
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    skins_.Start(kFirstFrameSkins, kGameModeSkins);
}

CLumvaneDlg::~CLumvaneDlg()
{
    for (HWND pane : {pageHost_.hwnd(), backdrop_.hwnd(), captionBar_.hwnd(), leftBar_.hwnd(), rightBar_.hwnd(),
                      bottomBar_.hwnd()}) {
        if (pane)
            ::DestroyWindow(pane);
    }
}

BOOL CLumvaneDlg::OnInitDialog() noexcept
{
    Dialog::OnInitDialog();
    STARTUP_MARK("dialog_created");
    // The first draw since the constructor seeded the generator. The preload decodes the artwork
    // after the frame and the close spot, while this thread makes the page host.
    const WORD artworkId = kArtwork[std::rand() % kArtwork.size()];
    skins_.AddToFirstFrame(artworkId);
    ::SetWindowLongW(hwnd(), GWL_STYLE, ::GetWindowLongW(hwnd(), GWL_STYLE) & ~WS_CAPTION);

    gameMode_ = 0;
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    // The browser is made while the preload decodes the skins. (Made after the window shows,
    // it would end the first drag of the frame under Wine after one step.)
    CreatePageHost();

    skins_.Load(closeSpotImages_[0], IDB_CLOSE_SPOT);
    skins_.Load(closeSpotImages_[1], IDB_CLOSE_SPOT_HOVER);
    skins_.Load(closeSpotImages_[2], IDB_CLOSE_SPOT_THIRD);
    closeSpotRect_ = {kCloseSpotLeft, kCloseSpotTop, kCloseSpotLeft + closeSpotImages_[0].Width(),
                      kCloseSpotTop + closeSpotImages_[0].Height()};
    closeSpotHover_ = 0;
    closeSpotTip_.Create(hwnd());
    closeSpotTip_.AddRectTool(kCloseSpotTool, closeSpotRect_, kCloseSpotName);

    SkinImage backdrop;
    skins_.Load(backdrop, IDB_BACKDROP);
    loginSize_ = {backdrop.Width(), backdrop.Height()};
    ::MoveWindow(hwnd(), 0, 0, loginSize_.cx, loginSize_.cy, TRUE);

    RECT window, client;
    ::GetWindowRect(hwnd(), &window);
    ::GetClientRect(hwnd(), &client);
    horizontalFrameOffset_ = ((window.right - window.left) - (client.right - client.left)) / 2;
    verticalFrameOffset_ = (window.bottom - window.top) - (client.bottom - client.top) - horizontalFrameOffset_;

    // The shape first: it does not depend on the artwork, which the preload may still be decoding.
    ApplyLoginShape();
    STARTUP_MARK("login_shape");
    CenterWindow(hwnd());
    STARTUP_MARK("centred");
    ShowBackdrop(backdrop, artworkId);

    ::SetWindowTextW(hwnd(), kLauncherTitle);
    // The process runs elevated: a taskbar of the user's own must still reach it.
    ::ChangeWindowMessageFilterEx(hwnd(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
    ::PostMessageW(hwnd(), kFinishStartMessage, 0, 0);
    STARTUP_MARK("login_window_initialised");
    return TRUE;
}

void CLumvaneDlg::CreatePageHost() noexcept
{
    pageHost_.Create(IDD_PAGE_HOST, hwnd());
    ::ShowWindow(pageHost_.hwnd(), SW_SHOW);
    MoveTo(pageHost_.hwnd(), kLoginPageRect);
    STARTUP_MARK("page_host_created");
    pageHost_.Navigate(kStartUrl);
    STARTUP_MARK("page_host_navigated");
}

// What the first frame does not show, once that frame is painted: the tray icon, the desktop
// shortcut and the game-mode bars, whose skins the preload decodes while the shortcut is written.
// Entering game mode runs it first if its message has not come yet.
void CLumvaneDlg::FinishStart() noexcept
{
    if (startFinished_)
        return;
    startFinished_ = true;
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    STARTUP_MARK("first_frame_painted");
    AddTrayIcon();
    STARTUP_MARK("tray");
    skins_.Continue();

    wchar_t desktop[MAX_PATH] = {};
    if (!CreateDesktopShortcut(GetDesktopFolder(desktop) ? desktop : nullptr))
        TraceFailure(L"writing the desktop shortcut", ::GetLastError());
    STARTUP_MARK("shortcut");

    captionBar_.Create(IDD_CAPTION_BAR, hwnd());
    leftBar_.Create(IDD_SIDE_BAR, hwnd());
    rightBar_.Create(IDD_SIDE_BAR, hwnd());
    bottomBar_.Create(IDD_BOTTOM_BAR, hwnd());
    STARTUP_MARK("bars");
}

// The backdrop window shows the frame with one of the three artwork pictures, chosen once per run,
// blended over it. The layered window keeps its own copy: both pictures go once it has shown.
void CLumvaneDlg::ShowBackdrop(SkinImage& backdrop, WORD artworkId) noexcept
{
    {
        SkinImage artwork;
        skins_.Load(artwork, artworkId);
        if (HDC dc = backdrop.GetDC()) {
            artwork.Draw(dc, 0, 0, artwork.Width(), artwork.Height(), 0, 0, artwork.Width(), artwork.Height());
            backdrop.ReleaseDC();
        }
    }
    STARTUP_MARK("composed");
    backdrop_.SetImage(&backdrop);
    backdrop_.Create(IDD_BACKDROP, hwnd());
    backdrop_.SetImage(nullptr);
}

// Cuts the window down to the page rectangle and the close spot's disc. The window stands at the
// screen origin, so the runs are window coordinates. Without the memory for the runs the window
// stays uncut: the backdrop still covers it, and the page and the close spot still work.
void CLumvaneDlg::ApplyLoginShape() noexcept
{
    if (loginSize_.cx <= 0 || loginSize_.cy <= 0)
        return;
    RECT window;
    ::GetWindowRect(hwnd(), &window);
    const int left = window.left + horizontalFrameOffset_;
    const int top = window.top + verticalFrameOffset_;
    std::vector<AlphaRun> runs;
    try {
        runs = LoginShapeRuns(loginSize_.cx, loginSize_.cy, closeSpotImages_[0].Pixels(), kCloseSpotLeft,
                              kCloseSpotTop, kLoginPageRect);
    } catch (const std::bad_alloc&) {
        TraceFailure(L"cutting the login shape", ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    UniqueRegion shape = RegionFromRuns(runs, left, top);
    if (::SetWindowRgn(hwnd(), shape.get(), TRUE))
        shape.release();
}

void CLumvaneDlg::EnterGameMode() noexcept
{
    if (gameMode_)
        return;
    FinishStart();
    gameMode_ = 1;
    closeSpotTip_.RemoveTool(kCloseSpotTool);
    ::ShowWindow(backdrop_.hwnd(), SW_HIDE);
    ::MoveWindow(hwnd(), 0, 0, kGameModeWidth, kGameModeHeight, TRUE);
    CenterWindow(hwnd());
    ::SetWindowRgn(hwnd(), nullptr, FALSE);
    ToggleMaximize();
}

void CLumvaneDlg::ReturnToLoginMode()
{
    if (gameMode_ != 1)
        return;
    // A minimised or maximised window stays so through MoveWindow, and SW_SHOWNORMAL would then
    // bring back its game-mode size: restore it first (a minimised one may come back maximised).
    if (::IsIconic(hwnd()))
        ::ShowWindow(hwnd(), SW_RESTORE);
    if (::IsZoomed(hwnd()))
        ::ShowWindow(hwnd(), SW_RESTORE);
    ::ShowWindow(hwnd(), SW_HIDE);
    ::MoveWindow(hwnd(), 0, 0, loginSize_.cx, loginSize_.cy, TRUE);
    gameMode_ = 0;
    closeSpotTip_.AddRectTool(kCloseSpotTool, closeSpotRect_, kCloseSpotName);
    ::ShowWindow(backdrop_.hwnd(), SW_SHOWNORMAL);
    for (HWND bar : {captionBar_.hwnd(), leftBar_.hwnd(), rightBar_.hwnd(), bottomBar_.hwnd()})
        ::ShowWindow(bar, SW_HIDE);
    ApplyLoginShape();
    MoveTo(pageHost_.hwnd(), kLoginPageRect);
    CenterWindow(hwnd());
    ::ShowWindow(hwnd(), SW_SHOWNORMAL);
}

// The server title replaces the launcher's title; the caption bar shows it at its next painting.
void CLumvaneDlg::OnServerTitle(const wchar_t* title)
{
    ::SetWindowTextW(hwnd(), title);
    if (captionBar_.hwnd())
        ::InvalidateRect(captionBar_.hwnd(), nullptr, TRUE);
}

void CLumvaneDlg::ToggleMaximize() noexcept
{
    if (::IsZoomed(hwnd())) {
        ::ShowWindow(hwnd(), SW_SHOWDEFAULT);
        CenterWindow(hwnd());
    } else {
        ::ShowWindow(hwnd(), SW_MAXIMIZE);
    }
}

void CLumvaneDlg::ToggleVisibility() noexcept
{
    ::ShowWindow(hwnd(), ::IsWindowVisible(hwnd()) ? SW_HIDE : SW_SHOW);
}

// One question at a time: while it is open, a further request (a second menu pick, the tray's Exit
// over the close spot's question) does nothing and gives 0.
int CLumvaneDlg::ConfirmExit() noexcept
{
    if (exitQuestionOpen_)
        return 0;
    exitQuestionOpen_ = true;
    const int answer = AppMessageBox(kExitQuestion, MB_OKCANCEL | MB_ICONINFORMATION);
    exitQuestionOpen_ = false;
    if (answer != IDOK)
        return answer;
    Quit();
}

// The skin worker is stopped before the process ends, so that none of its decoding runs on while
// the static objects and the libraries go.
void CLumvaneDlg::Quit() noexcept
{
    NOTIFYICONDATAW icon = TrayIconRecord();
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
    skins_.Stop();
    std::exit(0);
}

NOTIFYICONDATAW CLumvaneDlg::TrayIconRecord() const noexcept
{
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = hwnd();
    icon.uID = kTrayIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayCallback;
    icon.hIcon = icon_;
    wcscpy_s(icon.szTip, std::size(icon.szTip), kTrayTip);
    return icon;
}

// At start, and again whenever a new taskbar announces itself (the shell restarted, or was not
// ready at start): a new shell has none of the old icons.
void CLumvaneDlg::AddTrayIcon() noexcept
{
    NOTIFYICONDATAW icon = TrayIconRecord();
    if (!::Shell_NotifyIconW(NIM_ADD, &icon))
        TraceFailure(L"adding the tray icon", ::GetLastError());
}

// The launcher comes to the foreground first, and a message follows the menu, so that a click
// anywhere else closes the menu.
void CLumvaneDlg::PopupLauncherMenu(UINT flags) noexcept
{
    UniqueMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LAUNCHER_MENU)));
    POINT pointer;
    ::GetCursorPos(&pointer);
    ::SetForegroundWindow(hwnd());
    ::TrackPopupMenu(::GetSubMenu(menu.get(), 0), flags, pointer.x, pointer.y, 0, hwnd(), nullptr);
    ::PostMessageW(hwnd(), WM_NULL, 0, 0);
}

bool CLumvaneDlg::PreTranslateMessage(MSG* message) noexcept
{
    if (message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_ESCAPE))
        return false;
    return Dialog::PreTranslateMessage(message);
}

LRESULT CLumvaneDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == taskbarCreated_ && taskbarCreated_) {
        AddTrayIcon();
        return 0;
    }
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(hwnd(), &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        return TRUE;
    }
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(icon_);
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_WINDOWPOSCHANGED:
        OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
        return 0;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam));
        return 0;
    case WM_NCHITTEST:
        return OnNcHitTest(PointFrom(lParam));
    case WM_NCLBUTTONDOWN:
        OnNcLButtonDown(static_cast<UINT>(wParam), PointFrom(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(PointFrom(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(PointFrom(lParam));
        return 0;
    case WM_NCMOUSEMOVE:
        OnNcMouseMove(PointFrom(lParam));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case kTrayCallback:
        return OnTrayNotify(wParam, lParam);
    case kFinishStartMessage:
        FinishStart();
        return 0;
    case WM_DESTROY:
        closeSpotTip_.Destroy();
        break;
    case WM_CLOSE:
        Quit();
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && OnCommand(LOWORD(wParam)))
            return 0;
        break;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}

void CLumvaneDlg::OnPaint() noexcept
{
    PaintDc dc(hwnd());
    if (::IsIconic(hwnd())) {
        ::SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
        RECT client;
        ::GetClientRect(hwnd(), &client);
        const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc.get(), x, y, icon_);
    } else if (!gameMode_) {
        closeSpotImages_[closeSpotHover_].DrawScaled(dc.get(), closeSpotRect_, kHighQualityInterpolation);
    }
}

void CLumvaneDlg::OnSize(UINT type, int cx, int cy) noexcept
{
    Default();
    if (type == SIZE_MAXIMIZED) {
        RECT work;
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        if (cx > work.right - work.left || cy > work.bottom - work.top) {
            ::MoveWindow(hwnd(), work.left, work.top, work.right - work.left, work.bottom - work.top, TRUE);
            return;
        }
    }
    if (!gameMode_ || cx <= 0 || cy <= 0)
        return;
    const GameLayout layout = LayoutGamePanes(cx, cy);
    HDWP batch = ::BeginDeferWindowPos(5);
    const auto place = [&batch](HWND pane, const Box& box, UINT flags) {
        if (batch)
            batch = ::DeferWindowPos(batch, pane, nullptr, box.left, box.top, box.Width(), box.Height(), flags);
    };
    place(pageHost_.hwnd(), layout.pageHost, SWP_NOACTIVATE);
    place(captionBar_.hwnd(), layout.captionBar, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    place(leftBar_.hwnd(), layout.leftBar, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    place(rightBar_.hwnd(), layout.rightBar, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    place(bottomBar_.hwnd(), layout.bottomBar, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (batch)
        ::EndDeferWindowPos(batch);
}

// In login mode the backdrop window keeps the launcher window's place and size.
void CLumvaneDlg::OnWindowPosChanged(const WINDOWPOS& position) noexcept
{
    Default();
    if (gameMode_ || !backdrop_.hwnd())
        return;
    if (position.cx >= 0 && position.cy > 0) {
        ::SetWindowPos(backdrop_.hwnd(), nullptr, position.x + horizontalFrameOffset_,
                       position.y + verticalFrameOffset_, position.cx, position.cy, kFollowFlags);
    }
}

void CLumvaneDlg::OnShowWindow(BOOL show) noexcept
{
    Default();
    if (!gameMode_)
        ::ShowWindow(backdrop_.hwnd(), show);
}

LRESULT CLumvaneDlg::OnNcHitTest(POINT screen) noexcept
{
    RECT window;
    ::GetWindowRect(hwnd(), &window);
    const FrameHit edge = FrameHitTest({window.left, window.top, window.right, window.bottom}, screen.x, screen.y);
    if (edge != kHitNowhere)
        return edge;
    return CaptionForClient(static_cast<int>(Default()));
}

void CLumvaneDlg::OnNcLButtonDown(UINT hitCode, POINT screen) noexcept
{
    if (hitCode >= HTLEFT && hitCode <= HTBOTTOMRIGHT) {
        ::SendMessageW(hwnd(), WM_SYSCOMMAND, SC_SIZE + (hitCode - 9), MAKELPARAM(screen.x, screen.y));
        return;
    }
    if (hitCode != HTCAPTION)
        return;
    if (!gameMode_) {
        POINT client = screen;
        ::ScreenToClient(hwnd(), &client);
        if (::PtInRect(&closeSpotRect_, client)) {
            ConfirmExit();
            return;
        }
    }
    Default();
}

void CLumvaneDlg::OnLButtonDown(POINT client) noexcept
{
    if (!gameMode_) {
        if (::PtInRect(&closeSpotRect_, client)) {
            ConfirmExit();
            return;
        }
    } else {
        ::PostMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(client.x, client.y));
    }
    Default();
}

// The close spot lights up under the pointer in login mode.
void CLumvaneDlg::OnMouseMove(POINT client) noexcept
{
    if (!gameMode_) {
        const bool over = ::PtInRect(&closeSpotRect_, client);
        if (over && !closeSpotHover_) {
            closeSpotHover_ = 1;
            ::InvalidateRect(hwnd(), &closeSpotRect_, TRUE);
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), 1};
            ::TrackMouseEvent(&track);
        } else if (!over && closeSpotHover_) {
            closeSpotHover_ = 0;
            ::InvalidateRect(hwnd(), &closeSpotRect_, TRUE);
        }
        closeSpotTip_.RelayMove(client);
    }
    Default();
}

// The frame reports the pointer over the launcher's own client area, the close spot among it,
// as over its caption: the close spot's tooltip is told of those moves too.
void CLumvaneDlg::OnNcMouseMove(POINT screen) noexcept
{
    if (!gameMode_) {
        ::ScreenToClient(hwnd(), &screen);
        closeSpotTip_.RelayMove(screen);
    }
    Default();
}

void CLumvaneDlg::OnMouseLeave() noexcept
{
    Default();
    closeSpotHover_ = 0;
    ::InvalidateRect(hwnd(), &closeSpotRect_, TRUE);
}

LRESULT CLumvaneDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) noexcept
{
    if (iconId != kTrayIconId)
        return 1;
    if (mouseMessage == WM_LBUTTONUP)
        ToggleVisibility();
    else if (mouseMessage == WM_RBUTTONUP)
        PopupLauncherMenu(kTrayMenuFlags);
    return 0;
}

bool CLumvaneDlg::OnCommand(UINT id) noexcept
{
    switch (id) {
    case ID_MENU_REFRESH:
        pageHost_.Navigate(kStartUrl);
        return true;
    case ID_MENU_CLEAR_CACHE:
        if (!ClearUrlCache())
            TraceFailure(L"clearing the URL cache", ::GetLastError());
        return true;
    case ID_MENU_EXIT:
    case IDC_CLOSE_BUTTON:
        ConfirmExit();
        return true;
    case IDC_MAXIMIZE_BUTTON:
        ToggleMaximize();
        return true;
    case IDC_MINIMIZE_BUTTON:
        ::ShowWindow(hwnd(), SW_MINIMIZE);
        return true;
    case IDC_HIDE_BUTTON:
        ToggleVisibility();
        return true;
    case IDC_MENU_BUTTON:
        PopupLauncherMenu(kCaptionMenuFlags);
        return true;
    }
    return false;
}
