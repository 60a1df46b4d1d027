#include "framework/ToolTip.h"

void ToolTip::Create(HWND owner) noexcept
{
    owner_ = owner;
    control_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr));
}

TTTOOLINFOW ToolTip::Tool(UINT flags, UINT_PTR id, const wchar_t* text) const noexcept
{
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = flags;
    tool.hwnd = owner_;
    tool.uId = id;
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

void ToolTip::AddWindowTool(HWND tool, const wchar_t* text) noexcept
{
    TTTOOLINFOW info = Tool(TTF_IDISHWND | TTF_SUBCLASS, reinterpret_cast<UINT_PTR>(tool), text);
    ::SendMessageW(control_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::SetWindowToolText(HWND tool, const wchar_t* text) noexcept
{
    TTTOOLINFOW info = Tool(TTF_IDISHWND, reinterpret_cast<UINT_PTR>(tool), text);
    ::SendMessageW(control_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::AddRectTool(UINT_PTR id, const RECT& rect, const wchar_t* text) noexcept
{
    TTTOOLINFOW info = Tool(0, id, text);
    info.rect = rect;
    ::SendMessageW(control_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::RemoveTool(UINT_PTR id) noexcept
{
    TTTOOLINFOW info = Tool(0, id);
    ::SendMessageW(control_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::RelayMove(POINT client) noexcept
{
    MSG move{owner_, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y), 0, {}};
    ::SendMessageW(control_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}
