// Drives a started launcher from outside for the end-to-end scenarios: finds windows, reads their
// geometry, region, title and state, posts and sends messages, answers message boxes and checks
// tray icons, and asks Lumvane_e2e.exe to act as its browser would (tests/e2e/remote.cpp).
// Arguments and output are UTF-8; window handles are hexadecimal.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

HWND Handle(const wchar_t* text)
{
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(text, nullptr, 16)));
}

long long Number(const wchar_t* text)
{
    return std::wcstoll(text, nullptr, 0);
}

std::string Hex(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
    return text;
}

std::wstring Title(HWND window)
{
    wchar_t title[1024] = {};
    ::GetWindowTextW(window, title, 1024);
    return title;
}

std::string RectText(const RECT& rect)
{
    char text[96];
    std::snprintf(text, sizeof(text), "%ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top);
    return text;
}

std::string Describe(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof(className));
    char text[256];
    std::snprintf(text, sizeof(text), "%s id=%d class=%s style=%08lx exstyle=%08lx visible=%d rect=", Hex(window).c_str(),
                  ::GetDlgCtrlID(window), className, static_cast<unsigned long>(::GetWindowLongW(window, GWL_STYLE)),
                  static_cast<unsigned long>(::GetWindowLongW(window, GWL_EXSTYLE)), ::IsWindowVisible(window) ? 1 : 0);
    return text + RectText(rect) + " title=" + Utf8(Title(window));
}

struct Search {
    std::wstring className;
    std::wstring titlePrefix;
    bool visibleOnly;
    bool countAll = false;
    HWND found = nullptr;
    int matches = 0;
};

BOOL CALLBACK Match(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    if (search->visibleOnly && !::IsWindowVisible(window))
        return TRUE;
    wchar_t className[256] = {};
    ::GetClassNameW(window, className, 256);
    if (!search->className.empty() && search->className != className)
        return TRUE;
    if (Title(window).rfind(search->titlePrefix, 0) != 0)
        return TRUE;
    search->found = window;
    ++search->matches;
    return search->countAll ? TRUE : FALSE;
}

HWND WaitFor(const std::wstring& className, const std::wstring& titlePrefix, DWORD timeout, bool visibleOnly = true)
{
    const DWORD start = ::GetTickCount();
    do {
        Search search{className, titlePrefix, visibleOnly};
        ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        ::Sleep(25);
    } while (::GetTickCount() - start < timeout);
    return nullptr;
}

BOOL CALLBACK CollectOwned(HWND window, LPARAM context)
{
    auto* pair = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(context);
    if (::GetWindow(window, GW_OWNER) == pair->first)
        pair->second.push_back(window);
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND window, LPARAM parent)
{
    if (::GetParent(window) == reinterpret_cast<HWND>(parent))
        Print(Describe(window));
    return TRUE;
}

BOOL CALLBACK PrintText(HWND window, LPARAM)
{
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (std::wstring(className) == L"Static" && !Title(window).empty())
        Print("text=" + Utf8(Title(window)));
    return TRUE;
}

// Sends a command to the remote shim of Lumvane_e2e.exe (tests/e2e/remote.cpp): the text goes into
// a shared block named after this process (answered flag, byte count, text), the registered message
// "LumvaneRemote" tells the shim, and the answer the shim leaves in the block is printed.
// "@file" stands for the command text in that file.
int Remote(HWND launcher, const std::string& text)
{
    std::string command = text;
    if (!text.empty() && text[0] == '@') {
        std::ifstream file(text.substr(1), std::ios::binary);
        if (!file) {
            Print("error cannot read " + text.substr(1));
            return 1;
        }
        command.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    constexpr DWORD kAnswerRoom = 4096;
    const DWORD size = static_cast<DWORD>(2 * sizeof(DWORD) + std::max<size_t>(command.size(), kAnswerRoom));
    const std::wstring name = L"LumvaneRemote-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
    auto* block = mapping ? static_cast<char*>(::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    if (!block) {
        if (mapping)
            ::CloseHandle(mapping);
        Print("error no shared block");
        return 1;
    }
    const DWORD header[2] = {0, static_cast<DWORD>(command.size())}; // answered, byte count
    std::memcpy(block, header, sizeof(header));
    std::memcpy(block + sizeof(header), command.data(), command.size());

    DWORD_PTR result = 0;
    const bool delivered = ::SendMessageTimeoutW(launcher, ::RegisterWindowMessageW(L"LumvaneRemote"),
                                                 ::GetCurrentProcessId(), 0, SMTO_NORMAL, 120000, &result) != 0;
    DWORD answerHeader[2];
    std::memcpy(answerHeader, block, sizeof(answerHeader));
    const bool answered = delivered && answerHeader[0] == 1;
    const std::string answer =
        answered ? std::string(block + sizeof(answerHeader), std::min(answerHeader[1], kAnswerRoom)) : "";
    ::UnmapViewOfFile(block);
    ::CloseHandle(mapping);
    if (!answered) {
        Print(delivered ? "error no answer (not Lumvane_e2e.exe?)" : "error the launcher did not take the message");
        return 1;
    }
    Print(answer);
    return answer.rfind("error", 0) == 0 ? 1 : 0;
}

// The tips of the icons in the notification area (Wine's stand-alone tray), as its tooltips show
// them: the pointer rests on each icon until its tooltip shows.
int PrintTrayTips(DWORD timeout)
{
    HWND tray = WaitFor(L"__winex11_standalone_tray", L"", timeout);
    std::vector<HWND> icons;
    for (HWND child = tray ? ::GetWindow(tray, GW_CHILD) : nullptr; child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        ::GetClassNameW(child, className, 64);
        if (std::wstring(className) == L"__winex11_tray_icon" && ::IsWindowVisible(child))
            icons.push_back(child);
    }
    for (HWND icon : icons) {
        RECT rect;
        ::GetWindowRect(icon, &rect);
        std::pair<HWND, std::vector<HWND>> tips{tray, {}};
        for (DWORD start = ::GetTickCount(); tips.second.empty() && ::GetTickCount() - start < timeout; ::Sleep(50)) {
            // The pointer comes to rest on the icon, as a person's would, once a second.
            if ((::GetTickCount() - start) % 1000 < 50) {
                INPUT move{};
                move.type = INPUT_MOUSE;
                move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
                move.mi.dx = ::MulDiv(rect.left + 2 + (::GetTickCount() / 1000) % 8, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
                move.mi.dy = ::MulDiv((rect.top + rect.bottom) / 2, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
                ::SendInput(1, &move, sizeof(move));
            }
            tips.second.clear();
            ::EnumWindows(&CollectOwned, reinterpret_cast<LPARAM>(&tips));
            std::erase_if(tips.second, [](HWND tip) { return !::IsWindowVisible(tip); });
        }
        wchar_t text[256] = {};
        DWORD_PTR length = 0;
        if (tips.second.empty() || !::SendMessageTimeoutW(tips.second.front(), WM_GETTEXT, 256,
                                                          reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length))
            return 1;
        Print("tip=" + Utf8(text));
    }
    return icons.empty() ? 1 : 0;
}

// The program a saved link starts, as the shell resolves it: from the link's item list.
std::wstring LinkTarget(const wchar_t* file)
{
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> persist;
    LPITEMIDLIST item = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(link.GetAddressOf()))) &&
        SUCCEEDED(link.As(&persist)) && SUCCEEDED(persist->Load(file, STGM_READ)) &&
        SUCCEEDED(link->GetIDList(&item)) && item) {
        ::SHGetPathFromIDListW(item, path);
        ::CoTaskMemFree(item);
    }
    return path;
}

int Usage()
{
    Print("usage: e2e_driver wait <title prefix> [ms] | waitclass <class> <title prefix> [ms] | gone <hwnd> [ms]\n"
          "       rect|client|info|title|visible|zoomed|iconic|region|children|owned|pid|crash <hwnd>\n"
          "       inregion <hwnd> <x> <y> | post|send <hwnd> <msg> <wparam> <lparam>\n"
          "       msgbox <caption> <button id> [ms] | menu [ms] | trayicon <hwnd> <id> | cursor <x> <y>\n"
          "       count <class> <title prefix> | untray <hwnd> <id> | taskbarcreated <hwnd> | linktarget <file>\n"
          "       traytips [ms]\n"
          "       remote <hwnd> call <name> | remote <hwnd> complete <url> | remote <hwnd> @<command file>");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    auto arg = [&](int index) -> const wchar_t* { return index < argc ? argv[index] : L""; };
    const DWORD timeout = 10000;

    if (command == L"wait" || command == L"waitclass") {
        const bool byClass = command == L"waitclass";
        const std::wstring className = byClass ? arg(2) : L"";
        const int next = byClass ? 3 : 2;
        HWND found = WaitFor(className, arg(next), argc > next + 1 ? static_cast<DWORD>(Number(arg(next + 1))) : timeout);
        if (!found)
            return 1;
        Print(Hex(found));
        return 0;
    }
    if (command == L"gone") {
        HWND window = Handle(arg(2));
        const DWORD limit = argc > 3 ? static_cast<DWORD>(Number(arg(3))) : timeout;
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < limit; ::Sleep(25)) {
            if (!::IsWindow(window))
                return 0;
        }
        return 1;
    }
    if (command == L"msgbox") {
        HWND box = WaitFor(L"#32770", arg(2), argc > 4 ? static_cast<DWORD>(Number(arg(4))) : timeout);
        if (!box)
            return 1;
        ::EnumChildWindows(box, &PrintText, 0);
        ::Sleep(100);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(Number(arg(3)), BN_CLICKED), 0);
        return 0;
    }
    if (command == L"menu") {
        HWND menu = WaitFor(L"#32768", L"", argc > 2 ? static_cast<DWORD>(Number(arg(2))) : timeout);
        if (!menu)
            return 1;
        RECT rect;
        ::GetWindowRect(menu, &rect);
        Print(Hex(menu) + " " + RectText(rect));
        return 0;
    }
    if (command == L"count") { // visible windows of a class whose title starts with the prefix
        Search search{arg(2), arg(3), true, true};
        ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        Print(std::to_string(search.matches));
        return 0;
    }
    if (command == L"linktarget") {
        ::CoInitialize(nullptr);
        const std::wstring target = LinkTarget(arg(2));
        Print(Utf8(target));
        return target.empty() ? 1 : 0;
    }
    if (command == L"traytips")
        return PrintTrayTips(argc > 2 ? static_cast<DWORD>(Number(arg(2))) : timeout);
    if (command == L"cursor") {
        POINT point;
        ::GetCursorPos(&point);
        Print(std::to_string(point.x) + " " + std::to_string(point.y));
        return 0;
    }

    HWND window = Handle(arg(2));
    if (command == L"trayicon") { // also for a window that is gone: is its icon still in the tray?
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof(icon);
        icon.hWnd = window;
        icon.uID = static_cast<UINT>(Number(arg(3)));
        Print(::Shell_NotifyIconW(NIM_MODIFY, &icon) ? "1" : "0");
        return 0;
    }
    if (command == L"untray") { // the shell losing the icon, as when it restarts
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof(icon);
        icon.hWnd = window;
        icon.uID = static_cast<UINT>(Number(arg(3)));
        return ::Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
    }
    if (command == L"taskbarcreated") { // what a new taskbar sends every top-level window
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutW(window, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_NORMAL, 5000,
                                     &result)
                   ? 0
                   : 1;
    }
    if (!::IsWindow(window)) {
        Print("no such window");
        return 1;
    }
    if (command == L"rect" || command == L"client") {
        RECT rect;
        if (command == L"rect")
            ::GetWindowRect(window, &rect);
        else
            ::GetClientRect(window, &rect);
        Print(RectText(rect));
    } else if (command == L"info") {
        Print(Describe(window));
    } else if (command == L"title") {
        Print(Utf8(Title(window)));
    } else if (command == L"visible") {
        Print(::IsWindowVisible(window) ? "1" : "0");
    } else if (command == L"zoomed") {
        Print(::IsZoomed(window) ? "1" : "0");
    } else if (command == L"iconic") {
        Print(::IsIconic(window) ? "1" : "0");
    } else if (command == L"region" || command == L"inregion") {
        HRGN region = ::CreateRectRgn(0, 0, 0, 0);
        const int kind = ::GetWindowRgn(window, region);
        if (command == L"inregion") {
            Print(kind != ERROR && ::PtInRegion(region, static_cast<int>(Number(arg(3))), static_cast<int>(Number(arg(4))))
                      ? "1"
                      : "0");
        } else if (kind == ERROR) {
            Print("none");
        } else {
            const DWORD size = ::GetRegionData(region, 0, nullptr);
            std::vector<char> data(size);
            ::GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data()));
            const auto* header = reinterpret_cast<const RGNDATA*>(data.data());
            Print("rects " + std::to_string(header->rdh.nCount) + " bounds " + RectText(header->rdh.rcBound));
        }
        ::DeleteObject(region);
    } else if (command == L"children") {
        ::EnumChildWindows(window, &PrintChild, reinterpret_cast<LPARAM>(window));
    } else if (command == L"owned") {
        std::pair<HWND, std::vector<HWND>> owned{window, {}};
        ::EnumWindows(&CollectOwned, reinterpret_cast<LPARAM>(&owned));
        for (HWND popup : owned.second)
            Print(Describe(popup));
    } else if (command == L"pid") {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        Print(std::to_string(process));
    } else if (command == L"crash") { // a thread of the window's process started at an invalid address
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        HANDLE target = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, process);
        HANDLE thread = target ? ::CreateRemoteThread(target, nullptr, 0,
                                                      reinterpret_cast<LPTHREAD_START_ROUTINE>(std::uintptr_t{0x10}),
                                                      nullptr, 0, nullptr)
                               : nullptr;
        if (thread)
            ::CloseHandle(thread);
        if (target)
            ::CloseHandle(target);
        return thread ? 0 : 1;
    } else if (command == L"post") {
        return ::PostMessageW(window, static_cast<UINT>(Number(arg(3))), static_cast<WPARAM>(Number(arg(4))),
                              static_cast<LPARAM>(Number(arg(5))))
                   ? 0
                   : 1;
    } else if (command == L"send") {
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(window, static_cast<UINT>(Number(arg(3))), static_cast<WPARAM>(Number(arg(4))),
                                   static_cast<LPARAM>(Number(arg(5))), SMTO_NORMAL, 5000, &result))
            return 1;
        Print(std::to_string(static_cast<long long>(result)));
    } else if (command == L"remote") {
        std::string text;
        for (int index = 3; index < argc; ++index)
            text += (index > 3 ? " " : "") + Utf8(argv[index]);
        return Remote(window, text);
    } else {
        return Usage();
    }
    return 0;
}
