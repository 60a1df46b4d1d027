#pragma once
// What the crash handler decides, apart from the platform: the report's file name, which old
// reports go, and whether a crashed program starts a fresh one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kReportsKept = 10;
inline constexpr std::uint64_t kShortestRunBeforeRestartMs = 10'000; // a crash at start would loop
inline constexpr std::size_t kRestartsAllowed = 3;
inline constexpr std::int64_t kRestartWindowSeconds = 10 * 60;

struct UtcTime {
    int year, month, day, hour, minute, second;
};

// "<product>-<version>-<yyyymmdd>T<hhmmss>Z-<process id>.dmp": sorted by name, a folder's reports of
// one product and version stand in the order they were written.
std::wstring ReportName(std::wstring_view product, std::wstring_view version, const UtcTime& time,
                        std::uint32_t processId);

// The reports of the product among the file names that must go so that the newest kept stay, newest
// by the time in their names. Names of other files are never chosen.
std::vector<std::wstring> ReportsToDelete(const std::vector<std::wstring>& names, std::wstring_view product,
                                          std::size_t kept = kReportsKept);

// The restart log travels to the fresh program in its environment: the times (seconds since 1970)
// of the restarts so far, comma-separated. After a crash at now, the log the fresh program carries,
// or nothing when none may start: the crashed one ran too short a time, the player had already
// chosen to quit, or kRestartsAllowed restarts fell within the window before now.
std::optional<std::wstring> NextRestartLog(std::wstring_view log, std::uint64_t ranMs, bool quitting,
                                           std::int64_t now);
