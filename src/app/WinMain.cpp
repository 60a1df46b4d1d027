#include "framework/App.h"

// The program's entry point: the application object was constructed statically.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    App* app = App::Current();
    if (!app)
        return -1;
    app->InitInstance();
    return app->ExitInstance();
}
