#pragma once
// One line for a debugger where the program goes on past a failure on purpose, so that "the window
// is blank" can be traced to its cause: OutputDebugString, which a debugger on Windows shows and
// Wine prints with WINEDEBUG=+debugstr.
#include <windows.h>

// Writes "Lumvane: <what> failed (0x<code>)".
void TraceFailure(const wchar_t* what, DWORD code) noexcept;
