#include "launcher/LumvaneDlg.h"

#include <shlobj.h>

#include "app/StartupMarks.h"
#include "desktop/DesktopShortcut.h"
#include "resource.h"

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

    char desktop[MAX_PATH] = {};
    bool haveDesktop = false;
    LPITEMIDLIST desktopItem = nullptr;
    if (::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktopItem) == S_OK) {
        haveDesktop = ::SHGetPathFromIDListA(desktopItem, desktop);
        ::CoTaskMemFree(desktopItem);
    }
    CreateDesktopShortcut(haveDesktop ? desktop : nullptr);
    STARTUP_MARK("shortcut");

    captionBar_.Create(IDD_CAPTION_BAR, hwnd());
    leftBar_.Create(IDD_SIDE_BAR, hwnd());
    rightBar_.Create(IDD_SIDE_BAR, hwnd());
    bottomBar_.Create(IDD_BOTTOM_BAR, hwnd());
    STARTUP_MARK("bars");
}
