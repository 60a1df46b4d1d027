#pragma once
// The window base: one object per window, one message handler per class, and Default() for the
// window's original procedure. Objects are attached from the window's first message on (a CBT
// hook catches the creation) or later, when an existing control is bound to an object.
#include <windows.h>

class Window {
public:
    Window() noexcept = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    static Window* FromHandle(HWND window) noexcept;

    // Runs for every message aimed at this window or at a window inside it before it is
    // dispatched; true means the message was handled and is not dispatched.
    virtual bool PreTranslateMessage(MSG* message) noexcept;

    // Binds an existing window (a dialog's control) to this object, as the framework's data
    // exchange does; PreSubclassWindow runs first.
    bool SubclassWindow(HWND window) noexcept;
    bool SubclassDlgItem(int controlId, const Window& parent) noexcept;

    // Creates a window of an existing class with this object attached from its first message.
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU idOrMenu) noexcept;

protected:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PreSubclassWindow() noexcept {}
    // The current message, handed to the window's original procedure.
    LRESULT Default() noexcept;

    // Attaches the next window the calling thread creates to this object.
    class CreationHook {
    public:
        explicit CreationHook(Window& window) noexcept;
        ~CreationHook();
        CreationHook(const CreationHook&) = delete;
        CreationHook& operator=(const CreationHook&) = delete;

    private:
        HHOOK hook_;
    };

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK CreationHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    void Attach(HWND window) noexcept;
    void Detach() noexcept;

    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
    MSG current_{};
};

// Walks PreTranslateMessage from the message's window up to stop (inclusive).
bool WalkPreTranslateTree(HWND stop, MSG* message) noexcept;

// Centres a window: a child in its parent's client area; a top-level window over its visible owner
// (or alternate) or else in the work area, kept inside the work area of its monitor.
void CenterWindow(HWND window, HWND alternateOwner = nullptr) noexcept;
