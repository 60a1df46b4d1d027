#pragma once
// The application object: one per process, reached by every window through MainWindow().
#include <windows.h>

#include <string>

class Window;

class App {
public:
    App() noexcept;
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    static App* Current() noexcept { return current_; }

    // Starts the program; FALSE ends it without a message loop of the application's own.
    virtual BOOL InitInstance() noexcept;
    // Its result is the process exit code when the program ends this way.
    virtual int ExitInstance() noexcept { return 0; }

    // The executable's file name without its extension: the caption of the program's message boxes.
    const std::wstring& Name() const noexcept { return name_; }

    Window* mainWindow = nullptr;

protected:
    // With kRestartSupport the program registers with the restart manager, which starts it again
    // after it is ended for an update or a crash.
    static constexpr DWORD kRestartSupport = 1;
    DWORD restartSupportFlags_ = 0;

private:
    static App* current_;
    std::wstring name_;
};

Window* MainWindow() noexcept;
HWND MainWindowHandle() noexcept;

// A modal message box over the main window, captioned with the application name.
int AppMessageBox(const wchar_t* text, UINT type) noexcept;
