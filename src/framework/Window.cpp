#include "framework/Window.h"

#include <utility>

#include "framework/Trace.h"

namespace {

constexpr wchar_t kObjectProperty[] = L"Lumvane.Window";
thread_local Window* t_windowBeingCreated = nullptr;

} // namespace

Window::~Window()
{
    if (hwnd_ && ::IsWindow(hwnd_))
        ::DestroyWindow(hwnd_);
}

Window* Window::FromHandle(HWND window) noexcept
{
    return window ? static_cast<Window*>(::GetPropW(window, kObjectProperty)) : nullptr;
}

bool Window::PreTranslateMessage(MSG*) noexcept
{
    return false;
}

bool Window::SubclassWindow(HWND window) noexcept
{
    if (!window || hwnd_ || FromHandle(window))
        return false;
    Attach(window);
    PreSubclassWindow();
    return true;
}

bool Window::SubclassDlgItem(int controlId, const Window& parent) noexcept
{
    return SubclassWindow(::GetDlgItem(parent.hwnd(), controlId));
}

bool Window::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                      int height, HWND parent, HMENU idOrMenu) noexcept
{
    CreationHook hook(*this);
    return ::CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent, idOrMenu,
                             ::GetModuleHandleW(nullptr), nullptr) != nullptr;
}

LRESULT Window::HandleMessage(UINT, WPARAM, LPARAM)
{
    return Default();
}

LRESULT Window::Default() noexcept
{
    return ::CallWindowProcW(original_, current_.hwnd, current_.message, current_.wParam, current_.lParam);
}

void Window::Attach(HWND window) noexcept
{
    hwnd_ = window;
    ::SetPropW(window, kObjectProperty, this);
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::Procedure)));
}

void Window::Detach() noexcept
{
    if (original_)
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    ::RemovePropW(hwnd_, kObjectProperty);
    hwnd_ = nullptr;
    original_ = nullptr;
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    Window* self = FromHandle(window);
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    const MSG outer = self->current_;
    self->current_ = MSG{window, message, wParam, lParam, 0, {}};
    LRESULT result;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // A handler that could not finish (out of memory, say) leaves the message to the window's
        // own procedure; the program goes on.
        TraceFailure(L"handling a window message", message);
        result = self->Default();
    }
    self->current_ = outer;
    if (message == WM_NCDESTROY)
        self->Detach();
    return result;
}

Window::CreationHook::CreationHook(Window& window) noexcept
    : hook_(::SetWindowsHookExW(WH_CBT, &Window::CreationHookProc, nullptr, ::GetCurrentThreadId()))
{
    t_windowBeingCreated = &window;
}

Window::CreationHook::~CreationHook()
{
    t_windowBeingCreated = nullptr;
    ::UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK Window::CreationHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code == HCBT_CREATEWND && t_windowBeingCreated) {
        std::exchange(t_windowBeingCreated, nullptr)->Attach(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool WalkPreTranslateTree(HWND stop, MSG* message) noexcept
{
    for (HWND window = message->hwnd; window; window = ::GetParent(window)) {
        if (Window* object = Window::FromHandle(window); object && object->PreTranslateMessage(message))
            return true;
        if (window == stop)
            break;
    }
    return false;
}

void CenterWindow(HWND window, HWND alternateOwner) noexcept
{
    RECT self;
    ::GetWindowRect(window, &self);
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    RECT area;
    RECT bounds;
    if (style & WS_CHILD) {
        HWND parent = ::GetParent(window);
        ::GetClientRect(parent, &bounds);
        area = bounds;
        ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
        ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
    } else {
        HWND center = alternateOwner ? alternateOwner : ::GetWindow(window, GW_OWNER);
        MONITORINFO monitor{sizeof(monitor), {}, {}, 0};
        ::GetMonitorInfoW(::MonitorFromWindow(center ? center : window, MONITOR_DEFAULTTONEAREST), &monitor);
        bounds = monitor.rcWork;
        if (center && ::IsWindowVisible(center) && !::IsIconic(center))
            ::GetWindowRect(center, &area);
        else
            area = bounds;
    }
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (x + width > bounds.right)
        x = bounds.right - width;
    if (x < bounds.left)
        x = bounds.left;
    if (y + height > bounds.bottom)
        y = bounds.bottom - height;
    if (y < bounds.top)
        y = bounds.top;
    if (style & WS_CHILD) {
        POINT origin{x, y};
        ::ScreenToClient(::GetParent(window), &origin);
        x = origin.x;
        y = origin.y;
    }
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
