#include "launcher_fixture.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "framework/App.h"
#include "resource.h"
#include "support.h"

namespace {

std::string Text(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left) +
           "x" + std::to_string(rect.bottom - rect.top);
}

// Set while a launcher window lives.
bool g_launcherAlive = false;

void FailOnQuit()
{
    if (g_launcherAlive) {
        std::fputs("the launcher ended the test process\n", stderr);
        std::_Exit(3);
    }
}

} // namespace

LauncherFixture::LauncherFixture(StartMode mode, std::optional<unsigned> seed)
{
    static const bool guarded = std::atexit(&FailOnQuit) == 0;
    (void)guarded;
    if (seed)
        std::srand(*seed);
    g_launcherAlive = true;
    previousMain_ = std::exchange(App::Current()->mainWindow, &window_);
    if (mode != kNotCreated)
        Create(mode);
}

LauncherFixture::~LauncherFixture()
{
    NOTIFYICONDATAW icon = TrayIconKey();
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
    App::Current()->mainWindow = previousMain_;
    g_launcherAlive = false;
}

void LauncherFixture::Create(StartMode mode)
{
    created_ = window_.Create(IDD_LUMVANE_DIALOG, nullptr);
    if (!created_)
        createError_ = ::GetLastError();
    if (created_ && mode == kGameMode)
        window_.EnterGameMode();
    if (mode != kNoMessageHandled)
        PumpMessages(100);
}

::testing::AssertionResult LauncherFixture::Created() const
{
    if (created_)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the launcher window was not made: last error " << createError_;
}

LRESULT LauncherFixture::Tray(WPARAM iconId, LPARAM mouseMessage)
{
    return ::SendMessageW(window_.hwnd(), kTrayCallback, iconId, mouseMessage);
}

bool LauncherFixture::HasTrayIcon() const
{
    NOTIFYICONDATAW icon = TrayIconKey();
    return ::Shell_NotifyIconW(NIM_MODIFY, &icon);
}

// What names the launcher's tray icon to the notification area.
NOTIFYICONDATAW LauncherFixture::TrayIconKey() const noexcept
{
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window_.hwnd();
    icon.uID = kTrayIconId;
    return icon;
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected)
{
    if (::EqualRect(&actual, &expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Text(actual) << " instead of " << Text(expected);
}
