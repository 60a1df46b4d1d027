// The server's sid over any address, read as UTF-16 code units.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "page/ServerTitle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring url;
    for (size_t at = 0; at + 1 < size; at += 2)
        url += static_cast<wchar_t>(data[at] | data[at + 1] << 8);
    const auto sid = ServerSidFor(url);
    if (sid.has_value() != (url.find(L"auth=") != std::wstring::npos))
        std::abort();
    if (sid && ServerTitle(std::wstring(sid->begin(), sid->end())).rfind(L"Quarnis-->Brevik-->", 0) != 0)
        std::abort();
    return 0;
}
