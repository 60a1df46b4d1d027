#pragma once
// Writes "Quarnis·Brevik极速登陆器.lnk" to the program's own executable into the desktop folder,
// replacing an earlier one. TRUE when the link was saved; no folder writes nothing.
#include <windows.h>

BOOL CreateDesktopShortcut(const char* desktopFolder) noexcept;
