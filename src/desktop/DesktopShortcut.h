#pragma once
// Writes "Quarnis·Brevik极速登陆器.lnk" to the program's own executable into the desktop folder,
// replacing an earlier one. TRUE when the link was saved; no folder writes nothing.
#include <windows.h>

// The user's desktop folder; false when the shell cannot name it.
bool GetDesktopFolder(wchar_t (&folder)[MAX_PATH]) noexcept;

BOOL CreateDesktopShortcut(const wchar_t* desktopFolder) noexcept;
