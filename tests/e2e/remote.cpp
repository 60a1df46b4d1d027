// Test-only part of Lumvane_e2e.exe (the product's sources plus this file): does from outside what
// the embedded browser does inside the launcher, since under Wine the browser never completes a
// document and so no page ever runs.
//
// The driver writes a command into a shared memory block named "LumvaneRemote-<driver process id>"
// (32-bit answered flag 0, 32-bit byte count, UTF-8 text) and sends the registered message
// "LumvaneRemote" to the launcher window with that process id in wParam. A hook on the UI thread
// performs the command synchronously there, inside that send, and writes its answer into the same
// block (flag 1):
//   "call <name>"       the page's window.external.<name>(): the external object is asked of the
//                       browser's host site (IDocHostUIHandler::GetExternal), then GetIDsOfNames and
//                       Invoke with DISPATCH_METHOD, as a page's script does;
//                       answers "VT_EMPTY", "VT_I4 <n>", "VT_BOOL true|false" or "VT <type>";
//   "complete <url>"    DocumentComplete (259) on every DWebBrowserEvents2 sink connected to the
//                       browser, with the browser object and the URL, as the control fires it; the
//                       text may hold several URLs, one a line; answers "completed <urls> <sinks>";
//   "apartment"         a second OleInitialize on the UI thread: answers "ole" when OLE already
//                       runs there (S_FALSE), as the page's clipboard and drag-and-drop need;
//   "codepage"          the process's ANSI code page, as the system gives it: answers its number;
//   "crash"             a write through a null pointer on a new thread: answers "crashing", and the
//                       crash handler takes over.
// Failures answer "error <what> <hresult>". (WM_COPYDATA would be the obvious carrier, but Wine
// hands a thread's WH_CALLWNDPROC hook a stale pointer for another process's WM_COPYDATA.)
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "browser_site.h"
#include "framework/App.h"
#include "launcher/LumvaneDlg.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kRemoteMessage[] = L"LumvaneRemote";
constexpr DWORD kAnswerRoom = 4096;

std::wstring Wide(std::string_view utf8)
{
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string Error(const char* what, HRESULT result)
{
    char text[96];
    std::snprintf(text, sizeof(text), "error %s 0x%08lx", what, static_cast<unsigned long>(result));
    return text;
}

std::string Describe(const VARIANT& value)
{
    switch (value.vt) {
    case VT_EMPTY:
        return "VT_EMPTY";
    case VT_I4:
        return "VT_I4 " + std::to_string(value.lVal);
    case VT_BOOL:
        return value.boolVal == VARIANT_TRUE ? "VT_BOOL true" : value.boolVal == VARIANT_FALSE ? "VT_BOOL false"
                                                                                             : "VT_BOOL other";
    default:
        return "VT " + std::to_string(value.vt);
    }
}

// The page's window.external, asked of the control's host site as the browser asks for it.
std::string CallExternal(IWebBrowser2* browser, std::string_view name)
{
    ComPtr<IOleObject> control;
    HRESULT result = browser->QueryInterface(IID_PPV_ARGS(&control));
    if (FAILED(result))
        return Error("IOleObject", result);
    ComPtr<IOleClientSite> site;
    result = control->GetClientSite(&site);
    if (FAILED(result) || !site)
        return Error("GetClientSite", result);
    ComPtr<IDocHostUIHandler> host;
    result = site.As(&host);
    if (FAILED(result))
        return Error("IDocHostUIHandler", result);
    ComPtr<IDispatch> external;
    result = host->GetExternal(&external);
    if (FAILED(result) || !external)
        return Error("GetExternal", result);

    std::wstring wideName = Wide(name);
    LPOLESTR names[] = {wideName.data()};
    DISPID member = DISPID_UNKNOWN;
    result = external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    if (FAILED(result))
        return Error("GetIDsOfNames", result);
    DISPPARAMS noArguments{};
    VARIANT value;
    ::VariantInit(&value);
    EXCEPINFO exception{};
    UINT badArgument = 0;
    result = external->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArguments, &value,
                              &exception, &badArgument);
    if (FAILED(result))
        return Error("Invoke", result);
    std::string answer = Describe(value);
    ::VariantClear(&value);
    return answer;
}

std::vector<ComPtr<IDispatch>> EventSinks(IWebBrowser2* browser, HRESULT& result)
{
    std::vector<ComPtr<IDispatch>> sinks;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    ComPtr<IEnumConnections> connections;
    result = browser->QueryInterface(IID_PPV_ARGS(&container));
    if (SUCCEEDED(result))
        result = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    if (SUCCEEDED(result))
        result = point->EnumConnections(&connections);
    if (FAILED(result))
        return sinks;
    // COM has the enumerator add a reference to every sink it hands out, for the caller to release;
    // Wine's adds none, so there the sinks are not released.
    const bool referenced = !::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    CONNECTDATA connection{};
    while (connections->Next(1, &connection, nullptr) == S_OK) {
        ComPtr<IDispatch> sink;
        if (connection.pUnk && SUCCEEDED(connection.pUnk->QueryInterface(IID_PPV_ARGS(&sink))))
            sinks.push_back(sink);
        if (connection.pUnk && referenced)
            connection.pUnk->Release();
    }
    return sinks;
}

// DocumentComplete(pDisp, URL) for every line of urls, empty ones too; arguments go in reverse order.
std::string CompleteDocuments(IWebBrowser2* browser, std::string_view urls)
{
    HRESULT result = S_OK;
    const std::vector<ComPtr<IDispatch>> sinks = EventSinks(browser, result);
    if (FAILED(result))
        return Error("EnumConnections", result);
    if (sinks.empty())
        return Error("no DWebBrowserEvents2 sink", E_FAIL);

    size_t documents = 0;
    for (size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = urls.find('\n', start);
        const std::wstring url = Wide(urls.substr(start, end == std::string_view::npos ? end : end - start));

        for (const ComPtr<IDispatch>& sink : sinks) {
            result = FireDocumentComplete(sink.Get(), browser, url);
            if (FAILED(result))
                return Error("Invoke DocumentComplete", result);
        }
        ++documents;
    }
    return "completed " + std::to_string(documents) + " " + std::to_string(sinks.size());
}

std::string Apartment()
{
    const HRESULT result = ::OleInitialize(nullptr);
    if (SUCCEEDED(result))
        ::OleUninitialize();
    return result == S_FALSE ? "ole" : Error("OleInitialize", result);
}

// A fault in the program's own code, for its crash report to name. It happens on a thread of its
// own: an exception in a hook's callback, as this shim's commands are, is swallowed by Wine.
[[gnu::noinline]] void CrashOnPurpose()
{
    volatile int* volatile target = nullptr;
    *target = 1;
}

DWORD WINAPI CrashingThread(void*)
{
    CrashOnPurpose();
    return 0;
}

std::string Crash()
{
    HANDLE thread = ::CreateThread(nullptr, 0, CrashingThread, nullptr, 0, nullptr);
    if (!thread)
        return Error("CreateThread", HRESULT_FROM_WIN32(::GetLastError()));
    ::CloseHandle(thread);
    return "crashing";
}

std::string Perform(std::string_view command)
{
    if (command == "crash")
        return Crash();
    if (command == "apartment")
        return Apartment();
    if (command == "codepage")
        return std::to_string(::GetACP());
    auto* launcher = dynamic_cast<CLumvaneDlg*>(MainWindow());
    IWebBrowser2* browser = launcher ? launcher->PageHost().Browser() : nullptr;
    if (!browser)
        return Error("no browser", E_POINTER);
    constexpr std::string_view call = "call ";
    constexpr std::string_view complete = "complete ";
    if (command.substr(0, call.size()) == call)
        return CallExternal(browser, command.substr(call.size()));
    if (command.substr(0, complete.size()) == complete)
        return CompleteDocuments(browser, command.substr(complete.size()));
    return Error("unknown command", E_INVALIDARG);
}

// The shared block of the driver process with the given id: answered flag, byte count, text.
class SharedBlock {
public:
    explicit SharedBlock(DWORD driverProcess) noexcept
    {
        const std::wstring name = L"LumvaneRemote-" + std::to_wstring(driverProcess);
        mapping_ = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
        view_ = mapping_ ? static_cast<char*>(::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    }
    ~SharedBlock()
    {
        if (view_)
            ::UnmapViewOfFile(view_);
        if (mapping_)
            ::CloseHandle(mapping_);
    }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    explicit operator bool() const noexcept { return view_ != nullptr; }
    // The command, or nothing when its byte count does not fit the block.
    bool Read(std::string& text) const
    {
        MEMORY_BASIC_INFORMATION block{};
        DWORD header[2];
        std::memcpy(header, view_, sizeof(header));
        if (!::VirtualQuery(view_, &block, sizeof(block)) || block.RegionSize < sizeof(header) + kAnswerRoom ||
            header[1] > block.RegionSize - sizeof(header))
            return false;
        text.assign(view_ + sizeof(header), header[1]);
        return true;
    }
    void Answer(const std::string& text) noexcept
    {
        const DWORD header[2] = {1, static_cast<DWORD>(std::min<size_t>(text.size(), kAnswerRoom))};
        std::memcpy(view_ + sizeof(header), text.data(), header[1]);
        std::memcpy(view_, header, sizeof(header));
    }

private:
    HANDLE mapping_ = nullptr;
    char* view_ = nullptr;
};

class RemoteControl {
public:
    RemoteControl() noexcept
        : message_(::RegisterWindowMessageW(kRemoteMessage)),
          hook_(::SetWindowsHookExW(WH_CALLWNDPROC, &Watch, nullptr, ::GetCurrentThreadId()))
    {
    }
    ~RemoteControl()
    {
        if (hook_)
            ::UnhookWindowsHookEx(hook_);
    }
    RemoteControl(const RemoteControl&) = delete;
    RemoteControl& operator=(const RemoteControl&) = delete;

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) noexcept;

    UINT message_;
    HHOOK hook_;
};

// Constructed before WinMain on the main thread, which becomes the launcher's UI thread.
RemoteControl g_remoteControl;

LRESULT CALLBACK RemoteControl::Watch(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == g_remoteControl.message_ && message->hwnd &&
        message->hwnd == MainWindowHandle()) {
        SharedBlock block(static_cast<DWORD>(message->wParam));
        std::string command;
        if (block)
            block.Answer(block.Read(command) ? Perform(command) : Error("command larger than its block", E_INVALIDARG));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace
