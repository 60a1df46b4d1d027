#pragma once
// The crash handler. When the process dies unplanned (an unhandled exception in any thread, a C++
// exception that reaches std::terminate, a pure virtual call, the C runtime's report of an invalid
// parameter, abort), a thread made for it at start writes a minidump to
// %LOCALAPPDATA%\Lumvane\crashes, leaves one trace line, takes the process's icons out of the
// tray, starts the program again when that is safe, and ends the process with the crash's code.
#include <windows.h>

// The codes of crashes that are not exceptions of the processor or the system.
inline constexpr DWORD kCrashTerminate = 0xE04C0001;        // std::terminate
inline constexpr DWORD kCrashAbort = 0x40000015;            // STATUS_FATAL_APP_EXIT
inline constexpr DWORD kCrashInvalidParameter = 0xC0000417; // STATUS_INVALID_CRUNTIME_PARAMETER

struct CrashGuardSettings {
    const wchar_t* version; // the program's, in the reports' names
    UINT trayIconId;        // the icon the process's windows show in the tray
};

// First thing at start. Quitting through the runtime's exit, as every way the player quits does,
// means no fresh start after a crash on the way out.
void InstallCrashGuard(const CrashGuardSettings& settings) noexcept;
