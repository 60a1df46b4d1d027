#include "support.h"

// Wine makes a GDI handle of the object's table index (low word) and its type and reuse count (high
// word), and takes a bare index for the object that lives there: every live object answers once.
int CountGdiObjects()
{
    int count = 0;
    for (ULONG_PTR value = 0; value < 0x10000; ++value) {
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(value)))
            ++count;
    }
    return count;
}

void PumpMessages(DWORD milliseconds)
{
    const DWORD end = ::GetTickCount() + milliseconds;
    MSG message;
    do {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(1);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

WindowAnswerer::WindowAnswerer(const wchar_t* className, const wchar_t* caption, std::function<void(HWND)> answer)
    : className_(className), caption_(caption ? caption : L""), hasCaption_(caption != nullptr),
      answer_(std::move(answer))
{
    thread_ = ::CreateThread(nullptr, 0, &WindowAnswerer::Run, this, 0, nullptr);
}

WindowAnswerer::~WindowAnswerer()
{
    stop_ = true;
    ::WaitForSingleObject(thread_, 5000);
    ::CloseHandle(thread_);
}

DWORD WINAPI WindowAnswerer::Run(void* context)
{
    auto* self = static_cast<WindowAnswerer*>(context);
    for (int tries = 0; tries < 1000 && !self->stop_; ++tries) {
        HWND found = ::FindWindowW(self->className_.c_str(), self->hasCaption_ ? self->caption_.c_str() : nullptr);
        DWORD process = 0;
        if (found && ::IsWindowVisible(found) && ::GetWindowThreadProcessId(found, &process) &&
            process == ::GetCurrentProcessId()) {
            ::Sleep(50);
            self->answered_ = true;
            self->answer_(found);
            return 0;
        }
        ::Sleep(10);
    }
    return 0;
}

std::wstring WindowTitle(HWND window)
{
    wchar_t title[1024] = {};
    const int length = ::GetWindowTextW(window, title, 1024);
    return std::wstring(title, length);
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}
