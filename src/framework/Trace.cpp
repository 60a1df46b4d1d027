#include "framework/Trace.h"

#include <cwchar>
#include <iterator>

void TraceFailure(const wchar_t* what, DWORD code) noexcept
{
    wchar_t line[256];
    std::swprintf(line, std::size(line), L"Lumvane: %ls failed (0x%08lX)\n", what, static_cast<unsigned long>(code));
    ::OutputDebugStringW(line);
}
