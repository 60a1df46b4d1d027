// The borderless launcher window's own frame, on the real window: the hit test, presses on the
// frame and on the close spot, the close spot's hover image, and Enter and Escape.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/App.h"
#include "launcher/Geometry.h"
#include "launcher_fixture.h"
#include "render.h"
#include "resource.h"
#include "support.h"

namespace {

LPARAM Packed(POINT point)
{
    return MAKELPARAM(point.x, point.y);
}

// The messages sent to the windows of this thread while it lives, as a WH_CALLWNDPROC hook sees
// them on their way into the window procedures.
class SentMessages {
public:
    struct Sent {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    SentMessages() : hook_(::SetWindowsHookExW(WH_CALLWNDPROC, &Record, nullptr, ::GetCurrentThreadId()))
    {
        log_ = &sent_;
    }
    ~SentMessages()
    {
        ::UnhookWindowsHookEx(hook_);
        log_ = nullptr;
    }
    SentMessages(const SentMessages&) = delete;
    SentMessages& operator=(const SentMessages&) = delete;

    std::vector<Sent> Of(HWND window, UINT message) const
    {
        std::vector<Sent> found;
        for (const Sent& sent : sent_) {
            if (sent.window == window && sent.message == message)
                found.push_back(sent);
        }
        return found;
    }
    void Clear() { sent_.clear(); }

private:
    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && log_) {
            const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
            log_->push_back({message->hwnd, message->message, message->wParam, message->lParam});
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline std::vector<Sent>* log_ = nullptr;
    HHOOK hook_;
    std::vector<Sent> sent_;
};

// Presses the frame the way the platform does after its hit test. The button is already up in the
// queue, so a sizing or moving loop that starts ends at its first message.
void PressFrame(HWND launcher, UINT hitCode, POINT screen)
{
    ::PostMessageW(launcher, WM_LBUTTONUP, 0, 0);
    ::SendMessageW(launcher, WM_NCLBUTTONDOWN, hitCode, Packed(screen));
    MSG leftOver;
    ::PeekMessageW(&leftOver, launcher, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
}

// The launcher window's state that a press that does nothing must leave alone.
struct Look {
    RECT rect;
    bool visible;
    bool zoomed;
    bool iconic;
    bool gameMode;
    bool backdropVisible;
    friend bool operator==(const Look& a, const Look& b)
    {
        return SameRect(a.rect, b.rect) && a.visible == b.visible && a.zoomed == b.zoomed && a.iconic == b.iconic &&
               a.gameMode == b.gameMode && a.backdropVisible == b.backdropVisible;
    }
};

Look LookOf(LauncherFixture& launcher)
{
    HWND window = launcher.hwnd();
    return {WindowRect(window),          ::IsWindowVisible(window) != FALSE,
            ::IsZoomed(window) != FALSE, ::IsIconic(window) != FALSE,
            launcher->InGameMode(),      ::IsWindowVisible(launcher->BackdropWindow()) != FALSE};
}

// Runs check on the launcher in login mode, then again once it has entered game mode.
template <typename Check>
void InBothModes(LauncherFixture& launcher, Check check)
{
    for (const bool game : {false, true}) {
        SCOPED_TRACE(game ? "game mode" : "login mode");
        if (game)
            launcher->EnterGameMode();
        check();
    }
}

TEST(FrameHitTest, BandsOnTheRealWindowInBothModes)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    InBothModes(launcher, [&] {
        const RECT w = WindowRect(launcher.hwnd());
        const int midX = (w.left + w.right) / 2;
        const int midY = (w.top + w.bottom) / 2;
        struct Case {
            POINT point;
            LRESULT expected;
        };
        const Case cases[] = {
            {{w.left + 2, w.top + 2}, HTLEFT},
            {{w.left + 5, w.top + 5}, HTTOPLEFT},
            {{w.left + 3, midY}, HTLEFT},
            {{w.left + 4, midY}, HTCAPTION},
            {{w.right - 3, midY}, HTRIGHT},
            {{w.right - 4, midY}, HTCAPTION},
            {{midX, w.top + 3}, HTTOP},
            {{midX, w.top + 4}, HTCAPTION},
            {{midX, w.bottom - 3}, HTBOTTOM},
            {{midX, w.bottom - 4}, HTCAPTION},
            {{w.right - 10, w.top + 10}, HTTOPRIGHT},
            {{w.right - 11, w.top + 10}, HTCAPTION},
            {{w.left + 10, w.bottom - 10}, HTBOTTOMLEFT},
            {{w.left + 10, w.bottom - 11}, HTCAPTION},
            {{w.right - 4, w.bottom - 4}, HTBOTTOMRIGHT},
            {{w.right - 2, w.bottom - 2}, HTRIGHT},
            {{w.left + 4, w.bottom - 2}, HTBOTTOM},
            {{midX, midY}, HTCAPTION},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(::SendMessageW(launcher.hwnd(), WM_NCHITTEST, 0, Packed(c.point)), c.expected)
                << "at " << c.point.x - w.left << ", " << c.point.y - w.top << " in the window";
        }
    });
}

TEST(FramePress, ResizeCodesRunTheSizingLoopAlongThatEdge)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const RECT before = WindowRect(launcher.hwnd());
    SentMessages sent;
    for (UINT hitCode = HTLEFT; hitCode <= HTBOTTOMRIGHT; ++hitCode) {
        SCOPED_TRACE(hitCode);
        sent.Clear();
        const POINT press{before.left + 1, before.top + 2 + static_cast<LONG>(hitCode)};
        PressFrame(launcher.hwnd(), hitCode, press);
        const auto commands = sent.Of(launcher.hwnd(), WM_SYSCOMMAND);
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].wParam, SC_SIZE + hitCode - 9);
        EXPECT_EQ(commands[0].lParam, Packed(press));
        EXPECT_EQ(sent.Of(launcher.hwnd(), WM_ENTERSIZEMOVE).size(), 1u) << "the sizing loop ran";
        EXPECT_EQ(sent.Of(launcher.hwnd(), WM_EXITSIZEMOVE).size(), 1u) << "and ended within the press";
    }
    EXPECT_TRUE(SameRect(WindowRect(launcher.hwnd()), before)) << "a press without a drag sizes nothing";

    launcher->EnterGameMode();
    sent.Clear();
    const RECT game = WindowRect(launcher.hwnd());
    PressFrame(launcher.hwnd(), HTBOTTOMRIGHT, POINT{game.right - 2, game.bottom - 2});
    const auto commands = sent.Of(launcher.hwnd(), WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, static_cast<WPARAM>(SC_SIZE | WMSZ_BOTTOMRIGHT));
}

TEST(FramePress, CaptionPressOutsideTheCloseSpotMovesTheWindow)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    SentMessages sent;
    InBothModes(launcher, [&] {
        sent.Clear();
        const RECT w = WindowRect(launcher.hwnd());
        PressFrame(launcher.hwnd(), HTCAPTION, POINT{w.left + 400, w.top + 300});
        const auto commands = sent.Of(launcher.hwnd(), WM_SYSCOMMAND);
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].wParam & 0xFFF0, static_cast<WPARAM>(SC_MOVE));
    });
    // In game mode the close spot's place is just more caption.
    sent.Clear();
    const RECT w = WindowRect(launcher.hwnd());
    PressFrame(launcher.hwnd(), HTCAPTION, POINT{w.left + 859, w.top + 169});
    EXPECT_EQ(sent.Of(launcher.hwnd(), WM_SYSCOMMAND).size(), 1u);
}

TEST(FramePress, OtherHitCodesDoNothing)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    SentMessages sent;
    InBothModes(launcher, [&] {
        const Look before = LookOf(launcher);
        const RECT w = WindowRect(launcher.hwnd());
        for (const UINT hitCode : {HTNOWHERE, HTCLIENT, HTHSCROLL, HTVSCROLL, HTMINBUTTON, HTMAXBUTTON, HTBORDER}) {
            sent.Clear();
            PressFrame(launcher.hwnd(), hitCode, POINT{w.left + 400, w.top + 300});
            EXPECT_TRUE(sent.Of(launcher.hwnd(), WM_SYSCOMMAND).empty()) << "hit code " << hitCode;
        }
        PumpMessages(50);
        EXPECT_TRUE(LookOf(launcher) == before);
    });
}

// Answers the exit confirmation with Cancel, from a second thread while the question's loop runs.
class CancelExitQuestion {
public:
    CancelExitQuestion()
        : answerer_(L"#32770", App::Current()->Name().c_str(),
                    [](HWND box) { ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); })
    {
    }
    bool Asked() const noexcept { return answerer_.Answered(); }

private:
    WindowAnswerer answerer_;
};

TEST(CloseSpot, PressesAskBeforeQuittingAndCancelChangesNothing)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const Look before = LookOf(launcher);
    const RECT w = WindowRect(launcher.hwnd());
    struct Press {
        const char* what;
        UINT message;
        WPARAM wParam;
        POINT point;
    };
    const Press presses[] = {
        {"caption press on the disc", WM_NCLBUTTONDOWN, HTCAPTION, {w.left + 859, w.top + 169}},
        {"caption press on the spot's corner", WM_NCLBUTTONDOWN, HTCAPTION, {w.left + 847, w.top + 157}},
        {"caption press on the spot's last pixel", WM_NCLBUTTONDOWN, HTCAPTION, {w.left + 870, w.top + 180}},
        {"client press on the disc", WM_LBUTTONDOWN, 0, {859, 169}},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.what);
        CancelExitQuestion cancel;
        ::PostMessageW(launcher.hwnd(), WM_LBUTTONUP, 0, 0); // ends a moving loop should one start
        ::SendMessageW(launcher.hwnd(), press.message, press.wParam, Packed(press.point));
        PumpMessages(50);
        EXPECT_TRUE(cancel.Asked());
        EXPECT_TRUE(LookOf(launcher) == before);
    }

    // A press on the backdrop's own pixels inside the close spot's square (its corner) counts as a
    // press on the close spot wherever the windows stand; elsewhere it drags.
    CancelExitQuestion cancel;
    ::SendMessageW(launcher->BackdropWindow(), WM_LBUTTONDOWN, 0, MAKELPARAM(848, 158));
    MSG posted{};
    ASSERT_TRUE(::PeekMessageW(&posted, launcher.hwnd(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_NOREMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(posted.lParam, MAKELPARAM(w.left + 848, w.top + 158)) << "the press goes on in screen coordinates";
    ::PostMessageW(launcher.hwnd(), WM_LBUTTONUP, 0, 0); // ends a moving loop should one start
    PumpMessages(100);
    EXPECT_TRUE(cancel.Asked());
    EXPECT_TRUE(LookOf(launcher) == before);
}

TEST(CloseSpot, PressesElsewhereAskNothing)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const RECT w = WindowRect(launcher.hwnd());
    SentMessages sent;
    ::SendMessageW(launcher.hwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(846, 169));
    ::SendMessageW(launcher.hwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(859, 181));
    MSG posted;
    EXPECT_FALSE(::PeekMessageW(&posted, launcher.hwnd(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_NOREMOVE))
        << "a client press in login mode posts nothing";
    EXPECT_EQ(::FindWindowW(L"#32770", App::Current()->Name().c_str()), nullptr);

    // The backdrop hands its presses on as caption presses at their screen position.
    ::SendMessageW(launcher->BackdropWindow(), WM_LBUTTONDOWN, 0, MAKELPARAM(100, 300));
    ASSERT_TRUE(::PeekMessageW(&posted, launcher.hwnd(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_NOREMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(posted.lParam, MAKELPARAM(w.left + 100, w.top + 300));
    ::PostMessageW(launcher.hwnd(), WM_LBUTTONUP, 0, 0);
    PumpMessages(100);
    EXPECT_EQ(sent.Of(launcher.hwnd(), WM_SYSCOMMAND).size(), 1u) << "the launcher window moves";
}

TEST(ClientPress, GameModePostsACaptionPressAtTheClientPoint)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    ASSERT_TRUE(launcher.Created());
    ::SendMessageW(launcher.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(859, 169));
    MSG posted{};
    ASSERT_TRUE(::PeekMessageW(&posted, launcher.hwnd(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(posted.lParam, MAKELPARAM(859, 169));
    EXPECT_EQ(::FindWindowW(L"#32770", App::Current()->Name().c_str()), nullptr) << "no exit question in game mode";
}

// The largest difference between two colours in one channel.
int ChannelDistance(Rgb a, Rgb b)
{
    int distance = 0;
    for (int shift : {0, 8, 16}) {
        const int channel = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        distance = std::max(distance, std::abs(channel));
    }
    return distance;
}

// Which close-spot image the launcher window shows at the close spot: its own pixels, compared with
// the opaque pixels of images 131 and 132 that lie clear of the disc's edge.
int ShownCloseSpot(HWND launcher)
{
    Canvas shot(24, 24, 0);
    {
        WindowDc dc(launcher);
        ::BitBlt(shot.dc(), 0, 0, 24, 24, dc.get(), kCloseSpotLeft, kCloseSpotTop, SRCCOPY);
    }
    const PngPixels images[] = {PngPixels(IDB_CLOSE_SPOT), PngPixels(IDB_CLOSE_SPOT_HOVER)};
    int matches[2] = {};
    int samples = 0;
    for (int y = 2; y < 22; ++y) {
        for (int x = 2; x < 22; ++x) {
            bool inner = true;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx)
                    inner = inner && images[0].Opaque(x + dx, y + dy) && images[1].Opaque(x + dx, y + dy);
            }
            if (!inner || images[0].Colour(x, y) == images[1].Colour(x, y))
                continue;
            ++samples;
            for (int k = 0; k < 2; ++k)
                matches[k] += ChannelDistance(shot.At(x, y), images[k].Colour(x, y)) <= 8;
        }
    }
    for (int k = 0; k < 2; ++k) {
        if (samples >= 20 && matches[k] * 10 >= samples * 9 && matches[1 - k] * 2 < samples)
            return k;
    }
    std::printf("close spot: %d samples, %d like the normal image, %d like the hover image\n", samples, matches[0],
                matches[1]);
    return -1;
}

TEST(CloseSpot, HoverImageWhileThePointerIsOverIt)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    ::SetCursorPos(0, 0);
    auto moveTo = [&](POINT client) {
        ::SendMessageW(launcher.hwnd(), WM_MOUSEMOVE, 0, Packed(client));
        ::UpdateWindow(launcher.hwnd());
    };
    ::UpdateWindow(launcher.hwnd());
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 0);

    moveTo({859, 169});
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 1) << "hover";
    moveTo({860, 170});
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 1) << "still over it";
    moveTo({600, 300});
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 0) << "moved off the close spot";

    moveTo({859, 169});
    ::SendMessageW(launcher.hwnd(), WM_MOUSELEAVE, 0, 0);
    ::UpdateWindow(launcher.hwnd());
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 0) << "the pointer left the window";

    // Entering the close spot asks for a leave notification, which comes once the pointer has left.
    // The pointer stands on the disc, with the backdrop out of the way, so the platform tracks it.
    const RECT w = WindowRect(launcher.hwnd());
    ::ShowWindow(launcher->BackdropWindow(), SW_HIDE);
    ::SetCursorPos(w.left + 859, w.top + 169);
    moveTo({859, 169});
    TRACKMOUSEEVENT tracking{sizeof(tracking), TME_QUERY, nullptr, 0};
    ASSERT_TRUE(::TrackMouseEvent(&tracking));
    EXPECT_EQ(tracking.hwndTrack, launcher.hwnd());
    EXPECT_TRUE(tracking.dwFlags & TME_LEAVE);
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 1);
    ::SetCursorPos(0, 0);
    PumpMessages(1000); // the platform looks at the pointer every hover time (400 ms)
    ::UpdateWindow(launcher.hwnd());
    EXPECT_EQ(ShownCloseSpot(launcher.hwnd()), 0) << "the leave notification reset the hover";

    // Resting there, the pointer reaches the launcher as over its caption: its tooltip shows all
    // the same once the hover delay has passed.
    const POINT onSpot{w.left + 859, w.top + 169};
    ::SetCursorPos(onSpot.x, onSpot.y);
    ::SendMessageW(launcher.hwnd(), WM_NCMOUSEMOVE, HTCAPTION, Packed(onSpot));
    PumpMessages(1500);
    std::wstring shownTip;
    for (HWND tip : ToolTipsOf(launcher.hwnd())) {
        wchar_t text[80] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.lpszText = text;
        if (::IsWindowVisible(tip) && ::SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
            shownTip = text;
    }
    EXPECT_EQ(shownTip, L"关闭");
    ::SetCursorPos(0, 0);
}

// Presses a key in a window as the launcher's modal loop delivers it.
void PressKey(HWND launcher, HWND target, WPARAM key)
{
    for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        MSG msg{target, message, key, message == WM_KEYDOWN ? 1 : 0xC0000001, ::GetTickCount(), {}};
        if (!WalkPreTranslateTree(launcher, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    PumpMessages(20);
}

TEST(Keys, EnterAndEscapeCloseNothing)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const Look before = LookOf(launcher);
    HWND page = launcher->PageHostWindow();
    HWND backdrop = launcher->BackdropWindow();
    SentMessages sent;
    for (HWND target : {launcher.hwnd(), backdrop, page}) {
        for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            ::SetFocus(target);
            PressKey(launcher.hwnd(), target, key);
        }
    }
    EXPECT_TRUE(LookOf(launcher) == before);
    EXPECT_TRUE(::IsWindowVisible(page));
    EXPECT_TRUE(sent.Of(launcher.hwnd(), WM_COMMAND).empty()) << "the keys never become OK or Cancel";

    // OK and Cancel from any source end or hide no dialog.
    for (HWND dialog : {launcher.hwnd(), backdrop, page}) {
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    PumpMessages(50);
    EXPECT_TRUE(LookOf(launcher) == before);
    EXPECT_TRUE(::IsWindowVisible(page));
}

} // namespace
