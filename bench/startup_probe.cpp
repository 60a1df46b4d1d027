// Start-up time measured from outside, alike for every program: from CreateProcess to the moment
// its window is visible (and, for a program marked "+backdrop", also the layered window it owns).
// The programs are started in turn, run after run, so that they share the machine's state; each is
// closed with WM_CLOSE once seen. Prints the median, minimum and maximum in milliseconds.
//   startup_probe <runs> <program.exe>[+backdrop] ...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Program {
    std::wstring path;
    bool backdrop = false;
    std::vector<double> milliseconds;
};

struct Search {
    DWORD process;
    HWND owner;
    HWND found = nullptr;
};

// A visible top-level window of the process: unowned when owner is null, else owned by it and layered.
BOOL CALLBACK Match(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != search->owner)
        return TRUE;
    if (search->owner && !(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND Find(DWORD process, HWND owner)
{
    Search search{process, owner};
    ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Milliseconds from the start of the process to its window; negative when it never showed.
double Measure(const Program& program)
{
    std::wstring commandLine = L"\"" + program.path + L"\"";
    const std::wstring folder = program.path.substr(0, program.path.find_last_of(L"\\/"));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessW(program.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process))
        return -1;
    HWND window = nullptr;
    double elapsed = -1;
    for (int tries = 0; tries < 30000; ++tries) {
        window = Find(process.dwProcessId, nullptr);
        if (window && (!program.backdrop || Find(process.dwProcessId, window))) {
            ::QueryPerformanceCounter(&now);
            elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
            break;
        }
        ::Sleep(1);
    }
    if (window)
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return elapsed;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::printf("usage: startup_probe <runs> <program.exe>[+backdrop] ...\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        wchar_t full[MAX_PATH];
        const std::wstring path = ::GetFullPathNameW(argv[i], MAX_PATH, full, nullptr) ? full : argv[i];
        const bool backdrop = path.size() > 9 && path.compare(path.size() - 9, 9, L"+backdrop") == 0;
        programs.push_back({backdrop ? path.substr(0, path.size() - 9) : path, backdrop, {}});
    }
    for (Program& program : programs)
        Measure(program); // warm-up: file cache, fonts, Wine's first start of each image
    for (int run = 0; run < runs; ++run) {
        for (Program& program : programs)
            program.milliseconds.push_back(Measure(program));
    }
    int status = 0;
    for (Program& program : programs) {
        std::sort(program.milliseconds.begin(), program.milliseconds.end());
        const std::wstring name = program.path.substr(program.path.find_last_of(L"\\/") + 1);
        if (program.milliseconds.front() < 0) {
            std::printf("%ls: the window did not show in every run\n", name.c_str());
            status = 1;
            continue;
        }
        std::printf("%ls %.1f %.1f %.1f\n", name.c_str(), program.milliseconds[program.milliseconds.size() / 2],
                    program.milliseconds.front(), program.milliseconds.back());
    }
    return status;
}
