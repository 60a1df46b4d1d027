#pragma once
// Owners for the program's Windows handles: each handle has exactly one owner that frees it.
#include <windows.h>

#include <utility>

template <typename T, auto Close, T Invalid = T{}>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    T get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Invalid; }
    T release() noexcept { return std::exchange(handle_, Invalid); }
    void reset(T handle = Invalid) noexcept
    {
        if (handle_ != Invalid)
            Close(handle_);
        handle_ = handle;
    }

private:
    T handle_ = Invalid;
};

inline void DeleteGdiObject(HGDIOBJ object) noexcept { ::DeleteObject(object); }

using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, ::DeleteDC>;
using UniqueMenu = UniqueHandle<HMENU, ::DestroyMenu>;
using UniqueGlobal = UniqueHandle<HGLOBAL, ::GlobalFree>;
using UniqueIcon = UniqueHandle<HICON, ::DestroyIcon>;
// A kernel object (thread, process, event, file), null when there is none: functions that answer
// INVALID_HANDLE_VALUE instead hand over null.
using UniqueKernelHandle = UniqueHandle<HANDLE, ::CloseHandle>;
// An owned window: its owner's destruction takes it first, so it may be gone already.
inline void DestroyOwnedWindow(HWND window) noexcept
{
    if (::IsWindow(window))
        ::DestroyWindow(window);
}
using UniqueOwnedWindow = UniqueHandle<HWND, DestroyOwnedWindow>;

// A window's device context borrowed with GetDC and given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() { if (dc_) ::ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a DC for one scope; the displaced object goes back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() { if (previous_) ::SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
