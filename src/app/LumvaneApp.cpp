#include "app/LumvaneApp.h"

#include <commctrl.h>
#include <objbase.h>

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
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::CoInitialize(nullptr);
    App::InitInstance();

    CLumvaneDlg launcher;
    mainWindow = &launcher;
    launcher.DoModal();
    mainWindow = nullptr;
    return FALSE;
}

int CLumvaneApp::ExitInstance() noexcept
{
    ::CoUninitialize();
    return App::ExitInstance();
}
