// The tray icon and the launcher menu on a real launcher window: the icon in the platform's
// notification area, its clicks, the popup menu where the pointer is, its items and commands, and
// the exit question answered with Cancel. Nothing here lets the launcher quit.
#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/App.h"
#include "launcher_fixture.h"
#include "resource.h"
#include "support.h"

namespace {

constexpr wchar_t kMenuClass[] = L"#32768";
constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr POINT kPointer{420, 310};

bool Visible(HWND window)
{
    return ::IsWindowVisible(window) != FALSE;
}

struct MenuItem {
    UINT id;
    UINT type;
    std::wstring text;
};

// What a second thread saw of a popup menu while the code under test ran its loop.
struct SeenMenu {
    std::atomic<bool> shown = false;
    RECT rect{};
    std::vector<MenuItem> items;
};

// Reads the popup menu window and its items, then presses the given keys on it (Escape closes it).
std::function<void(HWND)> ReadMenuThenPress(SeenMenu& seen, std::vector<WPARAM> keys = {VK_ESCAPE})
{
    return [&seen, keys](HWND menuWindow) {
        seen.shown = true;
        seen.rect = WindowRect(menuWindow);
        auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (int index = 0; index < ::GetMenuItemCount(menu); ++index) {
            wchar_t text[64] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 64;
            ::GetMenuItemInfoW(menu, index, TRUE, &info);
            seen.items.push_back({info.wID, info.fType, text});
        }
        for (WPARAM key : keys)
            ::PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
    };
}

// The tray icon windows of the platform's notification area (Wine's stand-alone tray).
std::vector<HWND> TrayIconWindows()
{
    std::vector<HWND> icons;
    HWND tray = ::FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND child = tray ? ::GetWindow(tray, GW_CHILD) : nullptr; child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        ::GetClassNameA(child, name, sizeof(name));
        if (std::string(name) == "__winex11_tray_icon" && Visible(child))
            icons.push_back(child);
    }
    return icons;
}

// A real click on a window's middle with the given button, the pointer left there.
void ClickMiddleOf(HWND window, DWORD down, DWORD up)
{
    const RECT rect = WindowRect(window);
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = down;
    clicks[1].mi.dwFlags = up;
    ::SendInput(2, clicks, sizeof(INPUT));
}

bool CachedUrl(const char* url)
{
    DWORD size = 0;
    return !::GetUrlCacheEntryInfoA(url, nullptr, &size) && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

void AddCacheEntry(const char* url)
{
    char file[MAX_PATH] = {};
    ASSERT_TRUE(::CreateUrlCacheEntryA(url, 0, "txt", file, 0));
    const FILETIME never{};
    ASSERT_TRUE(::CommitUrlCacheEntryA(url, file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0, "txt", nullptr));
}

TEST(TrayIcon, SitsInTheNotificationAreaUnderTheLauncherWindow)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = launcher.hwnd();
    icon.uID = kTrayIconId;
    EXPECT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &icon)) << "no icon 128 for the launcher window";
    EXPECT_FALSE(::Shell_NotifyIconW(NIM_ADD, &icon)) << "icon 128 could be added a second time";
    icon.uID = kTrayIconId + 1;
    EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the check tells icons apart";
    EXPECT_EQ(TrayIconWindows().size(), 1u);
}

TEST(TrayIcon, ClicksInTheNotificationAreaReachTheLauncher)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const std::vector<HWND> icons = TrayIconWindows();
    ASSERT_EQ(icons.size(), 1u);

    ClickMiddleOf(icons[0], MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    PumpMessages(300);
    EXPECT_FALSE(Visible(launcher.hwnd())) << "a left click on the icon hides the launcher";
    EXPECT_FALSE(Visible(launcher.Backdrop()));
    ::Sleep(600); // two clicks, not a double click
    ClickMiddleOf(icons[0], MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    PumpMessages(300);
    EXPECT_TRUE(Visible(launcher.hwnd())) << "another left click shows it";
    EXPECT_TRUE(Visible(launcher.Backdrop()));

    POINT pointer{};
    SeenMenu seen;
    {
        WindowAnswerer closer(kMenuClass, nullptr, ReadMenuThenPress(seen));
        ClickMiddleOf(icons[0], MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        ::GetCursorPos(&pointer);
        for (int wait = 0; wait < 40 && !seen.shown; ++wait)
            PumpMessages(50);
    }
    EXPECT_TRUE(seen.shown) << "a right click on the icon opens the launcher menu";
    EXPECT_EQ(seen.rect.left, pointer.x);
    EXPECT_EQ(seen.rect.top, pointer.y);
}

TEST(TrayIcon, LeftButtonUpTogglesVisibilityInLoginMode)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    ASSERT_TRUE(Visible(launcher.hwnd()));
    ASSERT_TRUE(Visible(launcher.Backdrop()));
    const RECT where = WindowRect(launcher.hwnd());

    EXPECT_EQ(launcher.Tray(kTrayIconId, WM_LBUTTONUP), 0);
    EXPECT_FALSE(Visible(launcher.hwnd()));
    EXPECT_FALSE(Visible(launcher.Backdrop())) << "the backdrop hides with the launcher";

    EXPECT_EQ(launcher.Tray(kTrayIconId, WM_LBUTTONUP), 0);
    EXPECT_TRUE(Visible(launcher.hwnd()));
    EXPECT_TRUE(Visible(launcher.Backdrop())) << "the backdrop shows with the launcher";
    EXPECT_TRUE(SameRect(WindowRect(launcher.hwnd()), where));
    EXPECT_FALSE(launcher->InGameMode());
}

TEST(TrayIcon, LeftButtonUpTogglesVisibilityInGameMode)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    ASSERT_TRUE(launcher.Created());
    ASSERT_TRUE(Visible(launcher.hwnd()));
    ASSERT_FALSE(Visible(launcher.Backdrop()));

    EXPECT_EQ(launcher.Tray(kTrayIconId, WM_LBUTTONUP), 0);
    EXPECT_FALSE(Visible(launcher.hwnd()));
    EXPECT_FALSE(Visible(launcher.Backdrop()));

    EXPECT_EQ(launcher.Tray(kTrayIconId, WM_LBUTTONUP), 0);
    EXPECT_TRUE(Visible(launcher.hwnd()));
    EXPECT_FALSE(Visible(launcher.Backdrop())) << "the backdrop stays hidden in game mode";
    EXPECT_TRUE(::IsZoomed(launcher.hwnd()));
    EXPECT_TRUE(launcher->InGameMode());
}

TEST(TrayIcon, OtherMessagesAndOtherIconsChangeNothing)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const RECT where = WindowRect(launcher.hwnd());
    // A menu opened by mistake is closed at once, and counted.
    std::atomic<int> menus = 0;
    auto watchMenus = [&menus] {
        return std::make_unique<WindowAnswerer>(kMenuClass, nullptr, [&menus](HWND menu) {
            ++menus;
            ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        });
    };

    for (const bool hidden : {false, true}) {
        if (hidden)
            launcher.Tray(kTrayIconId, WM_LBUTTONUP);
        SCOPED_TRACE(hidden ? "launcher hidden" : "launcher shown");
        for (const LPARAM mouse : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MOUSEMOVE,
                                   WM_MBUTTONDOWN, WM_MBUTTONUP, WM_CONTEXTMENU, WM_USER}) {
            auto watcher = watchMenus();
            EXPECT_EQ(launcher.Tray(kTrayIconId, mouse), 0) << "mouse message " << mouse;
            EXPECT_EQ(Visible(launcher.hwnd()), !hidden) << "mouse message " << mouse;
        }
        for (const WPARAM otherIcon : {0u, 1u, 127u, 129u}) {
            for (const LPARAM mouse : {WM_LBUTTONUP, WM_RBUTTONUP}) {
                auto watcher = watchMenus();
                EXPECT_EQ(launcher.Tray(otherIcon, mouse), 1) << "icon " << otherIcon << ", mouse " << mouse;
                EXPECT_EQ(Visible(launcher.hwnd()), !hidden) << "icon " << otherIcon << ", mouse " << mouse;
            }
        }
    }
    ::Sleep(100);
    EXPECT_EQ(menus.load(), 0) << "a menu was opened";
    launcher.Tray(kTrayIconId, WM_LBUTTONUP);
    EXPECT_TRUE(SameRect(WindowRect(launcher.hwnd()), where));
}

TEST(LauncherMenu, OpensAtThePointerWithItsThreeItems)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    ::SetCursorPos(kPointer.x, kPointer.y);

    SeenMenu fromTray;
    {
        WindowAnswerer closer(kMenuClass, nullptr, ReadMenuThenPress(fromTray));
        EXPECT_EQ(launcher.Tray(kTrayIconId, WM_RBUTTONUP), 0);
    }
    EXPECT_TRUE(fromTray.shown);
    EXPECT_EQ(fromTray.rect.left, kPointer.x) << "the tray opens the menu with its top left at the pointer";
    EXPECT_EQ(fromTray.rect.top, kPointer.y);
    ASSERT_EQ(fromTray.items.size(), 3u) << "three items, no separators";
    const std::vector<std::pair<UINT, std::wstring>> expected = {
        {ID_MENU_REFRESH, L"刷新"}, {ID_MENU_CLEAR_CACHE, L"清理缓存"}, {ID_MENU_EXIT, L"退出"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fromTray.items[i].id, expected[i].first);
        EXPECT_TRUE(fromTray.items[i].text == expected[i].second) << "item " << i << " text";
        EXPECT_EQ(fromTray.items[i].type, static_cast<UINT>(MFT_STRING));
    }

    SeenMenu fromCaptionBar;
    {
        WindowAnswerer closer(kMenuClass, nullptr, ReadMenuThenPress(fromCaptionBar));
        launcher->PopupLauncherMenu(CLumvaneDlg::kCaptionMenuFlags);
    }
    EXPECT_TRUE(fromCaptionBar.shown);
    EXPECT_EQ(fromCaptionBar.rect.right, kPointer.x) << "the caption bar's flags put its top right at the pointer";
    EXPECT_EQ(fromCaptionBar.rect.top, kPointer.y);
    EXPECT_EQ(fromCaptionBar.rect.right - fromCaptionBar.rect.left, fromTray.rect.right - fromTray.rect.left);
    EXPECT_TRUE(Visible(launcher.hwnd()));
}

// Windows closes a popup menu on a click elsewhere only when its owner is the foreground window
// and a message follows the menu; both routes to the menu do this.
TEST(LauncherMenu, OpensOverAForegroundLauncherAndAMessageFollowsIt)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
    for (const UINT flags : {CLumvaneDlg::kTrayMenuFlags, CLumvaneDlg::kCaptionMenuFlags}) {
        ::SetForegroundWindow(other);
        PumpMessages(50);
        ASSERT_EQ(::GetForegroundWindow(), other);
        std::atomic<HWND> foreground = nullptr;
        {
            WindowAnswerer closer(kMenuClass, nullptr, [&foreground](HWND menu) {
                foreground = ::GetForegroundWindow();
                ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            });
            launcher->PopupLauncherMenu(flags);
            EXPECT_TRUE(closer.Answered());
        }
        EXPECT_EQ(foreground.load(), launcher.hwnd()) << "menu flags " << flags;
        MSG follower;
        EXPECT_TRUE(::PeekMessageW(&follower, launcher.hwnd(), WM_NULL, WM_NULL, PM_REMOVE)) << "menu flags " << flags;
    }
    ::DestroyWindow(other);
}

TEST(LauncherMenu, ClearCacheChosenWithTheKeyboardEmptiesTheCache)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    constexpr char kCachedPage[] = "http://desk-menu.lumvane.test/page.html";
    AddCacheEntry(kCachedPage);
    ASSERT_TRUE(CachedUrl(kCachedPage));
    ::SetCursorPos(kPointer.x, kPointer.y);

    SeenMenu seen;
    {
        WindowAnswerer chooser(kMenuClass, nullptr, ReadMenuThenPress(seen, {VK_DOWN, VK_DOWN, VK_RETURN}));
        launcher.Tray(kTrayIconId, WM_RBUTTONUP);
    }
    ASSERT_TRUE(seen.shown);
    PumpMessages(200); // the chosen command arrives as a posted WM_COMMAND
    EXPECT_FALSE(CachedUrl(kCachedPage)) << "Clear cache did not run";
    EXPECT_TRUE(Visible(launcher.hwnd()));
    EXPECT_FALSE(launcher->InGameMode());
}

// The exit question's message box: its text, caption, icon and buttons, then Cancel.
struct SeenQuestion {
    std::atomic<bool> asked = false;
    std::wstring text;
    std::wstring caption;
    bool hasIcon = false;
    std::vector<int> buttons;
};

std::function<void(HWND)> ReadQuestionThenAnswer(SeenQuestion& seen, UINT message, WPARAM wParam)
{
    return [&seen, message, wParam](HWND box) {
        seen.asked = true;
        seen.caption = WindowTitle(box);
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            char name[32] = {};
            ::GetClassNameA(child, name, sizeof(name));
            const int id = ::GetDlgCtrlID(child);
            if (std::string(name) == "Button" && Visible(child)) {
                seen.buttons.push_back(id);
            } else if (std::string(name) == "Static") {
                if (::GetWindowLongW(child, GWL_STYLE) & SS_ICON) {
                    seen.hasIcon = seen.hasIcon || ::SendMessageW(child, STM_GETICON, 0, 0) != 0;
                } else {
                    wchar_t text[128] = {};
                    ::GetWindowTextW(child, text, 128);
                    if (text[0])
                        seen.text = text;
                }
            }
        }
        ::PostMessageW(box, message, wParam, 0);
    };
}

TEST(ExitQuestion, CancelledFromTheMenuTheLauncherRunsOn)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const RECT where = WindowRect(launcher.hwnd());
    ::SetCursorPos(kPointer.x, kPointer.y);

    SeenMenu menu;
    SeenQuestion question;
    {
        WindowAnswerer chooser(kMenuClass, nullptr, ReadMenuThenPress(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}));
        launcher.Tray(kTrayIconId, WM_RBUTTONUP);
    }
    ASSERT_TRUE(menu.shown);
    {
        // Exit arrives as a posted WM_COMMAND and asks inside its handler.
        WindowAnswerer canceller(kMessageBoxClass, App::Current()->Name().c_str(),
                                 ReadQuestionThenAnswer(question, WM_COMMAND, IDCANCEL));
        for (int wait = 0; wait < 40 && !question.asked; ++wait)
            PumpMessages(50);
        PumpMessages(100);
    }
    ASSERT_TRUE(question.asked) << "Exit did not ask";
    EXPECT_TRUE(question.text == L"当前正在游戏中，你确认要退出吗？");
    EXPECT_EQ(question.caption, App::Current()->Name());
    EXPECT_TRUE(question.hasIcon);
    EXPECT_EQ(question.buttons, (std::vector<int>{IDOK, IDCANCEL}));

    EXPECT_TRUE(Visible(launcher.hwnd()));
    EXPECT_TRUE(::IsWindowEnabled(launcher.hwnd()));
    EXPECT_TRUE(SameRect(WindowRect(launcher.hwnd()), where));
    EXPECT_TRUE(Visible(launcher.Backdrop()));
    EXPECT_FALSE(launcher->InGameMode());
}

TEST(ExitQuestion, AnyAnswerButOkIsReturned)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    ASSERT_TRUE(launcher.Created());
    const RECT where = WindowRect(launcher.hwnd());

    struct Way {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    for (const Way& way : {Way{"Cancel", WM_COMMAND, IDCANCEL}, Way{"Escape", WM_KEYDOWN, VK_ESCAPE},
                           Way{"close button", WM_SYSCOMMAND, SC_CLOSE}}) {
        SeenQuestion question;
        WindowAnswerer answerer(kMessageBoxClass, App::Current()->Name().c_str(),
                                ReadQuestionThenAnswer(question, way.message, way.wParam));
        EXPECT_EQ(launcher->ConfirmExit(), IDCANCEL) << way.name;
        EXPECT_TRUE(question.asked) << way.name;
        EXPECT_TRUE(question.text == L"当前正在游戏中，你确认要退出吗？") << "asked in game mode too";
    }
    EXPECT_TRUE(launcher->InGameMode());
    EXPECT_TRUE(::IsZoomed(launcher.hwnd()));
    EXPECT_TRUE(SameRect(WindowRect(launcher.hwnd()), where));
}

} // namespace
