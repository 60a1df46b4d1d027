#pragma once
// Empties the browser's URL cache but keeps the cookies. TRUE when the enumeration ran to its end.
#include <windows.h>

BOOL ClearUrlCache() noexcept;
