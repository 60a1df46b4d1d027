#include "framework/CrashGuard.h"

#include <dbghelp.h>
#include <shellapi.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "framework/CrashRules.h"
#include "framework/Handles.h"
#include "framework/Trace.h"

namespace {

constexpr wchar_t kProduct[] = L"Lumvane";
constexpr wchar_t kRestartVariable[] = L"LUMVANE_RESTARTS";
// Stacks and what they point at, the module lists and the threads' details; not the heap, which
// can hold the player's session.
constexpr auto kReportDetail = static_cast<MINIDUMP_TYPE>(MiniDumpWithIndirectlyReferencedMemory |
                                                          MiniDumpWithUnloadedModules | MiniDumpWithThreadInfo);
constexpr DWORD kReportWaitMs = 30'000; // a report stuck on a lock the crashed thread holds
constexpr SIZE_T kReporterStack = 256 * 1024;
constexpr DWORD kLoadReaderAfterMs = 3'000;
constexpr int kNoteLength = 512;
constexpr ULONGLONG kUnixEpochIn100ns = 116'444'736'000'000'000ULL;

using WriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                        PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
using SymInitializeFunction = BOOL(WINAPI*)(HANDLE, PCWSTR, BOOL);
using GetPolicyFunction = BOOL(WINAPI*)(LPDWORD);
using SetPolicyFunction = BOOL(WINAPI*)(DWORD);
using UniqueSearch = UniqueHandle<HANDLE, ::FindClose>;
constexpr DWORD kCallbackFilterEnabled = 0x1; // PROCESS_CALLBACK_FILTER_ENABLED

template <typename FunctionPointer>
FunctionPointer Function(HMODULE module, const char* name) noexcept
{
    return reinterpret_cast<FunctionPointer>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

HANDLE NullIfInvalid(HANDLE handle) noexcept
{
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

std::wstring Environment(const wchar_t* name)
{
    std::wstring value(::GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

std::wstring ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length;
    while ((length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    return path;
}

std::int64_t UnixNow() noexcept
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>((ticks - kUnixEpochIn100ns) / 10'000'000);
}

// The process's windows take their icons out of the tray, as a quit would: a crashed program's
// icon otherwise stays until the pointer passes over it.
BOOL CALLBACK RemoveTrayIcon(HWND window, LPARAM iconId) noexcept
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId()) {
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof(icon);
        icon.hWnd = window;
        icon.uID = static_cast<UINT>(iconId);
        ::Shell_NotifyIconW(NIM_DELETE, &icon);
    }
    return TRUE;
}

class CrashGuard {
public:
    explicit CrashGuard(const CrashGuardSettings& settings)
        : version_(settings.version),
          trayIconId_(settings.trayIconId),
          program_(ProgramPath()),
          restartLog_(Environment(kRestartVariable))
    {
        if (const std::wstring local = Environment(L"LOCALAPPDATA"); !local.empty()) {
            productFolder_ = local + L'\\' + kProduct;
            reportFolder_ = productFolder_ + L"\\crashes";
        }
    }

    void StartReporter() noexcept
    {
        reporter_.reset(::CreateThread(nullptr, kReporterStack, ReporterMain, this, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                       &reporterId_));
    }

    void Quitting() noexcept { quitting_ = true; }

    // The crashing thread hands its crash to the reporter and waits for the report, so that a
    // thread whose stack is used up never writes it. A crash while another is reported waits for
    // that report; a crash of the reporter itself ends the process at once.
    [[noreturn]] void ReportAndEnd(EXCEPTION_POINTERS* pointers, const wchar_t* note) noexcept
    {
        const DWORD code = pointers->ExceptionRecord->ExceptionCode;
        if (::GetCurrentThreadId() == reporterId_)
            End(crash_.pointers ? crash_.pointers->ExceptionRecord->ExceptionCode : code);
        if (crashing_.exchange(true))
            ::Sleep(INFINITE);
        crash_ = {pointers, ::GetCurrentThreadId(), note};
        ::SetEvent(requested_.get());
        ::WaitForSingleObject(finished_.get(), kReportWaitMs);
        End(code);
    }

private:
    struct Crash {
        EXCEPTION_POINTERS* pointers;
        DWORD threadId;
        const wchar_t* note; // what happened, when it was not an exception
    };

    [[noreturn]] static void End(DWORD code) noexcept
    {
        ::TerminateProcess(::GetCurrentProcess(), code);
        std::_Exit(static_cast<int>(code));
    }

    static DWORD WINAPI ReporterMain(void* self) noexcept
    {
        auto& guard = *static_cast<CrashGuard*>(self);
        // dbghelp is loaded once the program is up, since loading it at once slows the first frame
        // (or straight away for a crash before then), and only from the system's folder.
        ::WaitForSingleObject(guard.requested_.get(), kLoadReaderAfterMs);
        if (HMODULE dbghelp = ::LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            guard.writeDump_ = Function<WriteDumpFunction>(dbghelp, "MiniDumpWriteDump");
            // A report needs no symbols. Left to itself, Wine's dbghelp reads every module's debug
            // information before it writes one, which takes many seconds.
            if (const auto initialize = Function<SymInitializeFunction>(dbghelp, "SymInitializeW"))
                initialize(::GetCurrentProcess(), nullptr, FALSE);
        }
        ::WaitForSingleObject(guard.requested_.get(), INFINITE);
        guard.Report();
        ::SetEvent(guard.finished_.get());
        return 0;
    }

    // Each step goes on past the failure of the one before: a report that cannot be written still
    // leaves the trace line, the tray and the fresh start.
    void Report() noexcept
    {
        const DWORD code = crash_.pointers->ExceptionRecord->ExceptionCode;
        const std::wstring report = ReportPath();
        wchar_t line[MAX_PATH + 128];
        if (WriteReport(report)) {
            std::swprintf(line, std::size(line), L"Lumvane: crashed (0x%08lX), report %ls\n",
                          static_cast<unsigned long>(code), report.c_str());
        } else {
            std::swprintf(line, std::size(line), L"Lumvane: crashed (0x%08lX), no report (0x%08lX)\n",
                          static_cast<unsigned long>(code), static_cast<unsigned long>(::GetLastError()));
        }
        ::OutputDebugStringW(line);
        ::EnumWindows(RemoveTrayIcon, trayIconId_);
        if (const auto log = NextRestartLog(restartLog_, ::GetTickCount64() - startTick_, quitting_, UnixNow()))
            StartFreshProgram(*log);
        DeleteOldReports();
    }

    std::wstring ReportPath() const
    {
        SYSTEMTIME now;
        ::GetSystemTime(&now);
        return reportFolder_ + L'\\' +
               ReportName(kProduct, version_, {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
                          ::GetCurrentProcessId());
    }

    bool WriteReport(const std::wstring& path) noexcept
    {
        if (reportFolder_.empty() || !writeDump_) {
            ::SetLastError(reportFolder_.empty() ? ERROR_ENVVAR_NOT_FOUND : ERROR_PROC_NOT_FOUND);
            return false;
        }
        ::CreateDirectoryW(productFolder_.c_str(), nullptr);
        ::CreateDirectoryW(reportFolder_.c_str(), nullptr);
        UniqueKernelHandle file(NullIfInvalid(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
        if (!file)
            return false;
        MINIDUMP_EXCEPTION_INFORMATION exception{crash_.threadId, crash_.pointers, FALSE};
        MINIDUMP_USER_STREAM note{CommentStreamW, 0, const_cast<wchar_t*>(crash_.note)};
        if (crash_.note)
            note.BufferSize = static_cast<ULONG>((std::wcslen(crash_.note) + 1) * sizeof(wchar_t));
        MINIDUMP_USER_STREAM_INFORMATION notes{crash_.note ? 1UL : 0UL, &note};
        if (writeDump_(::GetCurrentProcess(), ::GetCurrentProcessId(), file.get(), kReportDetail, &exception, &notes,
                       nullptr))
            return true;
        const DWORD error = ::GetLastError();
        file.reset();
        ::DeleteFileW(path.c_str());
        ::SetLastError(error);
        return false;
    }

    // The fresh program is this one, started by this process: it has the same rights, so an
    // elevated launcher starts without asking again. It learns of the restarts so far from its
    // environment, since it reads no command line.
    void StartFreshProgram(const std::wstring& log) noexcept
    {
        ::SetEnvironmentVariableW(kRestartVariable, log.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(program_.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &started)) {
            TraceFailure(L"starting the launcher again after a crash", ::GetLastError());
            return;
        }
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
    }

    void DeleteOldReports() const
    {
        if (reportFolder_.empty())
            return;
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        const UniqueSearch search(NullIfInvalid(::FindFirstFileW((reportFolder_ + L"\\*.dmp").c_str(), &found)));
        if (!search)
            return;
        do
            names.push_back(found.cFileName);
        while (::FindNextFileW(search.get(), &found));
        for (const std::wstring& name : ReportsToDelete(names, kProduct))
            ::DeleteFileW((reportFolder_ + L'\\' + name).c_str());
    }

    const std::wstring version_;
    const UINT trayIconId_;
    const std::wstring program_;
    const std::wstring restartLog_; // as this process received it
    const ULONGLONG startTick_ = ::GetTickCount64();
    std::wstring productFolder_;
    std::wstring reportFolder_; // empty when the system names no local application data folder
    std::atomic<bool> quitting_{false};
    std::atomic<bool> crashing_{false};
    UniqueKernelHandle requested_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle finished_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle reporter_;
    DWORD reporterId_ = 0;
    WriteDumpFunction writeDump_ = nullptr;
    Crash crash_{};
};

// Made once and never destroyed: a crash while the runtime's exit destroys the static objects
// still finds it whole.
CrashGuard* guard = nullptr;

// The crash of a thread that raised no exception, reported from where it stands.
[[noreturn]] void ReportHere(DWORD code, const wchar_t* note) noexcept
{
    CONTEXT context{};
    ::RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
    EXCEPTION_POINTERS pointers{&record, &context};
    guard->ReportAndEnd(&pointers, note);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) noexcept
{
    guard->ReportAndEnd(pointers, nullptr);
}

// A thread whose stack is used up may not have enough of it left to reach the unhandled-exception
// filter (under Wine it never does), so stack overflows are caught as they are raised.
LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* pointers) noexcept
{
    if (pointers->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW)
        guard->ReportAndEnd(pointers, nullptr);
    return EXCEPTION_CONTINUE_SEARCH;
}

void OnTerminate() noexcept
{
    wchar_t note[kNoteLength] = L"std::terminate: no exception in flight (a pure virtual call, or a direct call)";
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& exception) {
            const int prefix = std::swprintf(note, kNoteLength, L"std::terminate: unhandled C++ exception: ");
            const char* what = exception.what();
            const int length = ::MultiByteToWideChar(CP_UTF8, 0, what, static_cast<int>(strnlen(what, kNoteLength / 2)),
                                                     note + prefix, kNoteLength - prefix - 1);
            note[prefix + (length > 0 ? length : 0)] = L'\0';
        } catch (...) {
            std::swprintf(note, kNoteLength, L"std::terminate: unhandled C++ exception of a type not from std::exception");
        }
    }
    ReportHere(kCrashTerminate, note);
}

void OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) noexcept
{
    ReportHere(kCrashInvalidParameter, L"the C runtime was handed an invalid parameter");
}

void OnAbort(int) noexcept
{
    ReportHere(kCrashAbort, L"abort");
}

void OnExit() noexcept
{
    guard->Quitting();
}

} // namespace

void InstallCrashGuard(const CrashGuardSettings& settings) noexcept
{
    if (guard)
        return;
    try {
        guard = new CrashGuard(settings);
    } catch (const std::bad_alloc&) {
        TraceFailure(L"installing the crash handler", ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    guard->StartReporter();
    // Windows may swallow an exception raised in a window procedure it called back; a crash there
    // must end the program like any other.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto getPolicy = Function<GetPolicyFunction>(kernel, "GetProcessUserModeExceptionPolicy");
    const auto setPolicy = Function<SetPolicyFunction>(kernel, "SetProcessUserModeExceptionPolicy");
    if (DWORD policy = 0; getPolicy && setPolicy && getPolicy(&policy))
        setPolicy(policy & ~kCallbackFilterEnabled);
    ::SetUnhandledExceptionFilter(OnUnhandledException);
    ::AddVectoredExceptionHandler(TRUE, OnStackOverflow);
    std::set_terminate(OnTerminate);
    _set_invalid_parameter_handler(OnInvalidParameter);
    std::signal(SIGABRT, OnAbort);
    std::atexit(OnExit);
}
