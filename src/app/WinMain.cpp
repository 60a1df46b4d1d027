#include "framework/App.h"
#include "framework/CrashGuard.h"
#include "launcher/TrayIcon.h"
#include "resource.h"

// The program's entry point: the application object was constructed statically.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    InstallCrashGuard({L"" LUMVANE_VERSION_TEXT, kTrayIconId});
    App* app = App::Current();
    if (!app)
        return -1;
    app->InitInstance();
    return app->ExitInstance();
}
