#include "app/LumvaneApp.h"

#include <commctrl.h>
#include <ole2.h>

#include "framework/StartupMarks.h"
#include "launcher/LumvaneDlg.h"

CLumvaneApp theApp;

CLumvaneApp::CLumvaneApp() noexcept
{
    restartSupportFlags_ = kRestartSupport;
}

// Runs the launcher window; it never returns from its modal run unless it cannot be created,
// since every way of quitting ends the process from inside a message handler.
BOOL CLumvaneApp::InitInstance() noexcept
{
    STARTUP_MARK("init_instance");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // OLE, not COM alone: the page's clipboard, paste and drag-and-drop need it.
    ::OleInitialize(nullptr);
    STARTUP_MARK("com");
    App::InitInstance();
    STARTUP_MARK("app_framework");

    CLumvaneDlg launcher;
    STARTUP_MARK("launcher_constructed");
    mainWindow = &launcher;
    launcher.DoModal();
    mainWindow = nullptr;
    return FALSE;
}

int CLumvaneApp::ExitInstance() noexcept
{
    ::OleUninitialize();
    return App::ExitInstance();
}
