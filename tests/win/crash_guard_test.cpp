#include <windows.h>
#include <dbghelp.h>

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Runs this program as a child that crashes as asked, with a local application data folder of its
// own (a file in its place when it must not be writable); gives the exit code and the report's bytes.
DWORD RunCrashingChild(const wchar_t* kind, bool writable, std::string& report)
{
    wchar_t program[MAX_PATH], temp[MAX_PATH];
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    ::GetTempPathW(MAX_PATH, temp);
    const auto local = std::filesystem::path(temp) / (L"lumvane-crash-" + std::to_wstring(::GetTickCount64()));
    if (writable)
        std::filesystem::create_directories(local);
    else
        std::ofstream(local).put('x');
    wchar_t ownLocal[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"LOCALAPPDATA", ownLocal, MAX_PATH);
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", local.c_str());
    ::SetEnvironmentVariableW(kChildVariable, kind);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    const BOOL started = ::CreateProcessW(program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", ownLocal);
    DWORD code = 0;
    if (started) {
        if (::WaitForSingleObject(child.hProcess, 60'000) != WAIT_OBJECT_0)
            ::TerminateProcess(child.hProcess, 0);
        ::GetExitCodeProcess(child.hProcess, &code);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(local / L"Lumvane" / L"crashes", error)) {
        std::ifstream file(entry.path(), std::ios::binary);
        report.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove_all(local, error);
    return code;
}

template <typename T>
const T* Stream(std::string& report, ULONG type)
{
    void* stream = nullptr;
    ULONG size = 0;
    return report.size() > sizeof(MINIDUMP_HEADER) &&
                   ::MiniDumpReadDumpStream(report.data(), type, nullptr, &stream, &size) && size >= sizeof(T)
               ? static_cast<const T*>(stream)
               : nullptr;
}

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
        {L"stack_overflow", EXCEPTION_STACK_OVERFLOW, L""},
        {L"throw", kCrashTerminate, L"std::terminate: unhandled C++ exception: the skin file is gone"},
        {L"pure_virtual", kCrashTerminate, L"std::terminate: no exception in flight (a pure virtual call, or a direct call)"},
        {L"abort", kCrashAbort, L"abort"},
        {L"abort", kCrashAbort, L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::filesystem::path(c.kind).string() << (c.writable ? "" : ", no folder"));
        std::string report;
        EXPECT_EQ(RunCrashingChild(c.kind, c.writable, report), c.code);
        if (!c.writable) {
            EXPECT_TRUE(report.empty());
            continue;
        }
        const auto* exception = Stream<MINIDUMP_EXCEPTION_STREAM>(report, ExceptionStream);
        ASSERT_NE(exception, nullptr);
        EXPECT_EQ(exception->ExceptionRecord.ExceptionCode, c.code);
        const auto* note = Stream<wchar_t>(report, CommentStreamW);
        EXPECT_EQ(std::wstring(note ? note : L""), c.note);
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
