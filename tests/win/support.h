#pragma once
// Helpers of the in-process Windows tests.
#include <windows.h>

#include <functional>
#include <string>

// Live GDI objects of this process, counted by scanning handle values (GetGuiResources is a
// stub under Wine).
int CountGdiObjects();

// Dispatches the thread's pending messages until none is left or the time runs out.
void PumpMessages(DWORD milliseconds = 50);

// Runs answer on a second thread once a window of the given class (and caption, when given) shows
// up in this process, while the caller runs a nested loop (a message box or a popup menu).
class WindowAnswerer {
public:
    WindowAnswerer(const wchar_t* className, const wchar_t* caption, std::function<void(HWND)> answer);
    ~WindowAnswerer();
    bool Answered() const noexcept { return answered_; }

private:
    static DWORD WINAPI Run(void* self);
    std::wstring className_;
    std::wstring caption_;
    bool hasCaption_;
    std::function<void(HWND)> answer_;
    HANDLE thread_ = nullptr;
    volatile bool stop_ = false;
    volatile bool answered_ = false;
};

// A window's title.
std::wstring WindowTitle(HWND window);

// A window's rectangle in screen coordinates.
RECT WindowRect(HWND window);
