#include "framework/StartupMarks.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

struct Mark {
    const char* name;
    int id;
    LONGLONG ticks;
    SIZE_T workingSet;
    SIZE_T peakWorkingSet;
};

constexpr int kMaxMarks = 128;
std::array<Mark, kMaxMarks> g_marks;
std::atomic<int> g_count{0};
LONGLONG g_creationTicks = 0;
LONGLONG g_frequency = 1;
bool g_withMemory = false; // asking for the working set at each mark costs time

PROCESS_MEMORY_COUNTERS MemoryCounters() noexcept
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

// The performance counter's value at the process's creation, from the creation time's distance to now.
LONGLONG CreationTicks() noexcept
{
    FILETIME creation, exit, kernel, user, now;
    ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
    LARGE_INTEGER ticks, frequency;
    ::QueryPerformanceFrequency(&frequency);
    ::GetSystemTimePreciseAsFileTime(&now);
    ::QueryPerformanceCounter(&ticks);
    const auto value = [](FILETIME time) {
        return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    g_frequency = frequency.QuadPart;
    const LONGLONG sinceCreation = value(now) - value(creation); // 100 ns units
    return ticks.QuadPart - sinceCreation * g_frequency / 10'000'000;
}

void WriteMarks() noexcept
{
    const wchar_t* path = ::_wgetenv(L"LUMVANE_STARTUP_MARKS_FILE");
    FILE* file = ::_wfopen(path ? path : L"startup-marks.txt", L"a");
    if (!file)
        return;
    const int count = std::min(g_count.load(), kMaxMarks);
    for (int i = 0; i < count; ++i) {
        const Mark& mark = g_marks[i];
        const double ms = 1000.0 * static_cast<double>(mark.ticks - g_creationTicks) / g_frequency;
        const unsigned kib = static_cast<unsigned>(mark.workingSet / 1024);
        const unsigned peakKib = static_cast<unsigned>(mark.peakWorkingSet / 1024);
        if (mark.id >= 0)
            std::fprintf(file, "%s%s_%d=%.2f/%u/%u", i ? " " : "", mark.name, mark.id, ms, kib, peakKib);
        else
            std::fprintf(file, "%s%s=%.2f/%u/%u", i ? " " : "", mark.name, ms, kib, peakKib);
    }
    const unsigned peakKib = static_cast<unsigned>(MemoryCounters().PeakWorkingSetSize / 1024);
    std::fprintf(file, " peak_working_set=0/%u/%u\n", peakKib, peakKib);
    std::fclose(file);
}

// Constructed before the program's own static objects: the first mark follows the loading of the
// imported DLLs and the runtime's start.
struct FirstMark {
    FirstMark() noexcept
    {
        g_creationTicks = CreationTicks();
        g_withMemory = std::getenv("LUMVANE_STARTUP_MARKS_MEMORY") != nullptr;
        StartupMark("runtime_started");
        std::atexit(&WriteMarks);
    }
};
[[gnu::init_priority(101)]] FirstMark g_firstMark;

} // namespace

void StartupMark(const char* name, int id) noexcept
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    const PROCESS_MEMORY_COUNTERS memory = g_withMemory ? MemoryCounters() : PROCESS_MEMORY_COUNTERS{};
    const int slot = g_count.fetch_add(1);
    if (slot < kMaxMarks)
        g_marks[slot] = {name, id, now.QuadPart, memory.WorkingSetSize, memory.PeakWorkingSetSize};
}
