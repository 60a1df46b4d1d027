#include "framework/App.h"

#include "framework/Window.h"

App* App::current_ = nullptr;

App::App() noexcept
{
    current_ = this;
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file = path;
    file.erase(0, file.find_last_of("\\/") + 1);
    name_ = file.substr(0, file.find_last_of('.'));
}

App::~App()
{
    if (current_ == this)
        current_ = nullptr;
}

BOOL App::InitInstance() noexcept
{
    if (restartSupportFlags_ & kRestartSupport)
        ::RegisterApplicationRestart(nullptr, 0);
    return TRUE;
}

Window* MainWindow() noexcept
{
    return App::Current() ? App::Current()->mainWindow : nullptr;
}

HWND MainWindowHandle() noexcept
{
    Window* window = MainWindow();
    return window ? window->hwnd() : nullptr;
}

int AppMessageBox(const char* text, UINT type) noexcept
{
    const char* caption = App::Current() ? App::Current()->Name().c_str() : "";
    return ::MessageBoxA(MainWindowHandle(), text, caption, type);
}
