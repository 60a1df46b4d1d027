#include "framework/Trace.h"

#include <cstdio>

void TraceFailure(const char* what, DWORD code) noexcept
{
    char line[256];
    std::snprintf(line, sizeof(line), "Lumvane: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(code));
    ::OutputDebugStringA(line);
}
