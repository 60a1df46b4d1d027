// The server title over any address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "page/ServerTitle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    const auto title = ServerTitleFor(url);
    if (title.has_value() != (url.find("auth=") != std::string_view::npos))
        std::abort();
    if (title && title->rfind("Quarnis-->Brevik-->", 0) != 0)
        std::abort();
    return 0;
}
