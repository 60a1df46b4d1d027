#include "framework/App.h"

#include "framework/Window.h"

App* App::current_ = nullptr;

App::App() noexcept
{
    current_ = this;
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file = path;
    file.erase(0, file.find_last_of(L"\\/") + 1);
    name_ = file.substr(0, file.find_last_of(L'.'));
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

int AppMessageBox(const wchar_t* text, UINT type) noexcept
{
    const wchar_t* caption = App::Current() ? App::Current()->Name().c_str() : L"";
    return ::MessageBoxW(MainWindowHandle(), text, caption, type);
}
