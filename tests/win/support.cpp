#include "support.h"

#include <commctrl.h>
#include <ole2.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <set>

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

namespace {

std::set<DWORD> ThreadsOfThisProcess()
{
    std::set<DWORD> threads;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId())
            threads.insert(entry.th32ThreadID);
    }
    ::CloseHandle(snapshot);
    return threads;
}

} // namespace

UniqueKernelHandle ThreadStartedBy(const std::function<void()>& step)
{
    const std::set<DWORD> before = ThreadsOfThisProcess();
    step();
    std::vector<DWORD> started;
    for (DWORD thread : ThreadsOfThisProcess()) {
        if (!before.contains(thread))
            started.push_back(thread);
    }
    return UniqueKernelHandle(started.size() == 1 ? ::OpenThread(SYNCHRONIZE, FALSE, started[0]) : nullptr);
}

std::vector<HWND> ToolTipsOf(HWND owner)
{
    struct Search {
        HWND owner;
        std::vector<HWND> found;
    } search{owner, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM lParam) {
            auto& search = *reinterpret_cast<Search*>(lParam);
            wchar_t className[64] = {};
            ::GetClassNameW(window, className, 64);
            if (std::wcscmp(className, TOOLTIPS_CLASSW) == 0 && ::GetWindow(window, GW_OWNER) == search.owner)
                search.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

RECT WorkArea()
{
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT CentredInWorkArea(int width, int height)
{
    const RECT work = WorkArea();
    const int x = std::max<int>(work.left, std::min<int>(work.right - width, (work.left + work.right) / 2 - width / 2));
    const int y = std::max<int>(work.top, std::min<int>(work.bottom - height, (work.top + work.bottom) / 2 - height / 2));
    return {x, y, x + width, y + height};
}

bool EndsWithin(DWORD milliseconds, std::function<void()> steps)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(steps));
    const auto run = [](void* context) -> DWORD {
        const std::unique_ptr<std::function<void()>> steps(static_cast<std::function<void()>*>(context));
        ::OleInitialize(nullptr);
        (*steps)();
        ::OleUninitialize();
        return 0;
    };
    HANDLE thread = ::CreateThread(nullptr, 0, run, owned.get(), 0, nullptr);
    if (!thread)
        return false;
    owned.release();
    const bool ended = ::WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
    ::CloseHandle(thread);
    return ended;
}

namespace {

DebugOutput* g_debugOutput = nullptr;

} // namespace

DebugOutput::DebugOutput() noexcept : handler_(::AddVectoredExceptionHandler(1, &DebugOutput::Collect))
{
    g_debugOutput = this;
}

DebugOutput::~DebugOutput()
{
    ::RemoveVectoredExceptionHandler(handler_);
    g_debugOutput = nullptr;
}

int DebugOutput::CountOf(const std::string& text) const
{
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                          [&text](const std::string& line) { return line.find(text) != line.npos; }));
}

// A debugger receives the text as the exception OutputDebugString raises.
LONG CALLBACK DebugOutput::Collect(EXCEPTION_POINTERS* exception) noexcept
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (g_debugOutput && record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
        g_debugOutput->lines_.emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]),
                                           static_cast<std::size_t>(record.ExceptionInformation[0]));
    return EXCEPTION_CONTINUE_SEARCH;
}
