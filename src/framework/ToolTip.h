#pragma once
// The tooltip control of one window, made by it and destroyed with it. A tool is either a child
// window, whose pointer moves the control watches itself, or a rectangle of the window's client
// area, whose pointer moves the window hands on with RelayMove. Tips show after the system's
// hover delay, whether or not the window is active.
#include <windows.h>
#include <commctrl.h>

#include "framework/Handles.h"

class ToolTip {
public:
    void Create(HWND owner) noexcept;
    void Destroy() noexcept { control_.reset(); }

    void AddWindowTool(HWND tool, const wchar_t* text) noexcept;
    void SetWindowToolText(HWND tool, const wchar_t* text) noexcept;
    void AddRectTool(UINT_PTR id, const RECT& rect, const wchar_t* text) noexcept;
    void RemoveTool(UINT_PTR id) noexcept;
    void RelayMove(POINT client) noexcept;

private:
    TTTOOLINFOW Tool(UINT flags, UINT_PTR id, const wchar_t* text = nullptr) const noexcept;

    HWND owner_ = nullptr;
    UniqueOwnedWindow control_;
};
