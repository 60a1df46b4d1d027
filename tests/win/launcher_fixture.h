#pragma once
// The launcher window of the in-process tests, made as the application makes it: modeless from
// its template, as the application's main window. Every way out of the launcher ends the process;
// a test that gets there fails the run instead of passing for a finished one. When the fixture
// goes, so do the launcher's tray icon and its place as the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "launcher/LumvaneDlg.h"
#include "launcher/TrayIcon.h"

class Window;

class LauncherFixture {
public:
    enum StartMode { kLoginMode, kGameMode, kNoMessageHandled, kNotCreated };

    // In game mode the launcher enters it right after its creation. The first two let the launcher
    // handle its messages for a moment; kNoMessageHandled leaves it as its creation left it;
    // kNotCreated only constructs it (its skin worker starts), for Create to make it later.
    // seed, when given, replaces the one the launcher draws from the clock (it picks the artwork).
    explicit LauncherFixture(StartMode mode = kLoginMode, std::optional<unsigned> seed = std::nullopt);
    ~LauncherFixture();
    LauncherFixture(const LauncherFixture&) = delete;
    LauncherFixture& operator=(const LauncherFixture&) = delete;

    void Create(StartMode mode);
    // Whether the launcher window was made; if not, what the system said.
    ::testing::AssertionResult Created() const;
    CLumvaneDlg* get() noexcept { return &window_; }
    CLumvaneDlg* operator->() noexcept { return &window_; }
    CLumvaneDlg& operator*() noexcept { return window_; }
    HWND hwnd() const noexcept { return window_.hwnd(); }
    HWND Backdrop() const noexcept { return window_.BackdropWindow(); }
    HWND CaptionBar() const noexcept { return window_.CaptionBarWindow(); }

    // A click on the tray icon as the notification area reports it: the icon's id and the mouse message.
    LRESULT Tray(WPARAM iconId, LPARAM mouseMessage);
    bool HasTrayIcon() const;

private:
    NOTIFYICONDATAW TrayIconKey() const noexcept;

    CLumvaneDlg window_;
    Window* previousMain_ = nullptr;
    bool created_ = false;
    DWORD createError_ = 0;
};

// Two rectangles of windows alike, or a failure that shows both.
::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected);
