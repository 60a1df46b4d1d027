#include <windows.h>
#include <dbghelp.h>

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "framework/CrashGuard.h"
#include "support.h"

namespace {

constexpr wchar_t kChildVariable[] = L"LUMVANE_CRASH_CHILD";

[[gnu::noinline]] int Recurse(int depth)
{
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return depth < 0 ? 0 : Recurse(depth + 1) + frame[0];
}

// The crash reports of a child run, in a local application data folder of its own.
class CrashChild {
public:
    explicit CrashChild(const wchar_t* kind, bool writableFolder = true)
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        local_ = std::filesystem::path(temp) / (L"lumvane-crash-" + std::to_wstring(::GetTickCount64()));
        if (writableFolder)
            std::filesystem::create_directories(local_);
        else
            CloseHandle(::CreateFileW(local_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        exitCode_ = Run(kind);
    }
    ~CrashChild() { std::filesystem::remove_all(local_); }

    DWORD ExitCode() const { return exitCode_; }
    std::filesystem::path Report() const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(local_ / L"Lumvane" / L"crashes", error))
            return entry.path();
        return {};
    }

private:
    DWORD Run(const wchar_t* kind)
    {
        wchar_t program[MAX_PATH];
        ::GetModuleFileNameW(nullptr, program, MAX_PATH);
        ::SetEnvironmentVariableW(L"LOCALAPPDATA", local_.c_str());
        ::SetEnvironmentVariableW(kChildVariable, kind);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION child{};
        const BOOL started =
            ::CreateProcessW(program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
        ::SetEnvironmentVariableW(kChildVariable, nullptr);
        if (!started)
            return 0;
        DWORD code = 0;
        if (::WaitForSingleObject(child.hProcess, 60'000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(child.hProcess, &code);
        else
            ::TerminateProcess(child.hProcess, 0);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
        return code;
    }

    std::filesystem::path local_;
    DWORD exitCode_ = 0;
};

// A minidump's stream, read as the platform's reader reads it.
struct ReportStreams {
    explicit ReportStreams(const std::filesystem::path& report)
    {
        file = ::CreateFileW(report.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    }
    ~ReportStreams()
    {
        if (view)
            ::UnmapViewOfFile(view);
        if (mapping)
            ::CloseHandle(mapping);
        ::CloseHandle(file);
    }
    template <typename T>
    const T* Find(ULONG type) const
    {
        void* stream = nullptr;
        ULONG size = 0;
        return view && ::MiniDumpReadDumpStream(view, type, nullptr, &stream, &size) && size >= sizeof(T)
                   ? static_cast<const T*>(stream)
                   : nullptr;
    }
    HANDLE file;
    HANDLE mapping;
    void* view;
};

// Each way of dying unplanned, in a child process: a report with its code, and that code as the
// child's exit code. A folder that cannot be made still ends the child with its code.
TEST(CrashGuard, EveryUnplannedEndLeavesAReportAndEndsWithItsCode)
{
    const struct {
        const wchar_t* kind;
        DWORD code;
        const wchar_t* note;
        bool writable = true;
    } cases[] = {
        {L"stack_overflow", EXCEPTION_STACK_OVERFLOW, nullptr},
        {L"throw", kCrashTerminate, L"std::terminate: unhandled C++ exception: the skin file is gone"},
        {L"pure_virtual", kCrashTerminate, L"std::terminate: no exception in flight (a pure virtual call, or a direct call)"},
        {L"abort", kCrashAbort, L"abort"},
        {L"abort", kCrashAbort, nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::filesystem::path(c.kind).string() << (c.writable ? "" : ", no folder"));
        const CrashChild child(c.kind, c.writable);
        EXPECT_EQ(child.ExitCode(), c.code);
        const std::filesystem::path report = child.Report();
        if (!c.writable) {
            EXPECT_TRUE(report.empty());
            continue;
        }
        ASSERT_FALSE(report.empty());
        const ReportStreams streams(report);
        const auto* exception = streams.Find<MINIDUMP_EXCEPTION_STREAM>(ExceptionStream);
        ASSERT_NE(exception, nullptr);
        EXPECT_EQ(exception->ExceptionRecord.ExceptionCode, c.code);
        const auto* note = streams.Find<wchar_t>(CommentStreamW);
        EXPECT_EQ(note ? std::wstring(note) : L"", c.note ? c.note : L"");
    }
}

} // namespace

int RunCrashChild()
{
    wchar_t kind[32] = {};
    if (!::GetEnvironmentVariableW(kChildVariable, kind, 32))
        return -1;
    InstallCrashGuard({L"1.0.0.1", 128});
    const std::wstring what = kind;
    if (what == L"stack_overflow")
        return Recurse(0);
    if (what == L"throw")
        throw std::runtime_error("the skin file is gone");
    if (what == L"pure_virtual")
        abi::__cxa_pure_virtual(); // what a call through a vtable slot of a pure function reaches
    if (what == L"abort")
        std::abort();
    return -1;
}
