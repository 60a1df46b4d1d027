#pragma once
// Helpers of the in-process Windows tests.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"

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

// Runs step and gives the thread it started in this process, opened for waiting on its end; none
// unless it started exactly one.
UniqueKernelHandle ThreadStartedBy(const std::function<void()>& step);

// The tooltip controls of this thread owned by a window.
std::vector<HWND> ToolTipsOf(HWND owner);

// A window's rectangle in screen coordinates.
RECT WindowRect(HWND window);

RECT WorkArea();

// Where CenterWindow puts a window of this size with no owner: the middle of the work area, kept
// inside it.
RECT CentredInWorkArea(int width, int height);

// Runs steps on a thread of their own, with OLE as the UI thread has it, and tells whether they
// ended within the bound: a hang fails the test instead of stalling the suite. Steps that do not
// end are left running, so they must share ownership of what they use.
bool EndsWithin(DWORD milliseconds, std::function<void()> steps);

// The lines written with OutputDebugString while it lives, by one thread at a time.
class DebugOutput {
public:
    DebugOutput() noexcept;
    ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    const std::vector<std::string>& Lines() const noexcept { return lines_; }
    // How many lines contain the text.
    int CountOf(const std::string& text) const;

private:
    static LONG CALLBACK Collect(EXCEPTION_POINTERS* exception) noexcept;
    void* handler_;
    std::vector<std::string> lines_;
};

// In a child process started by the crash handler's tests: crashes as its environment asks and
// does not return. Elsewhere: -1.
int RunCrashChild();
