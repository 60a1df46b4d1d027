#pragma once
// The launcher's notification-area icon: its id and the message its clicks arrive as.
#include <windows.h>

inline constexpr UINT kTrayIconId = 128;
inline constexpr UINT kTrayCallback = WM_USER + 1;
