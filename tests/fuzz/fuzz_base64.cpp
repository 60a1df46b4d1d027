// The decoder over any bytes at their exact length, and the query map over what it yields.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "page/Base64.h"
#include "page/QueryMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    // An exact-size copy: libFuzzer's own buffer may have slack the sanitizer does not guard.
    auto text = std::make_unique<char[]>(size);
    std::copy(data, data + size, text.get());
    const std::string bytes = DecodeBase64(text.get(), static_cast<int>(size));
    if (bytes.size() > size / 4 * 3 + 3)
        std::abort();

    QueryMap map;
    ParseQuery(bytes, map);
    for (const auto& [key, value] : map) {
        if (key.find('&') != std::string::npos || key.find('=') != std::string::npos ||
            value.find('&') != std::string::npos || GetQueryValue(map, key) != value)
            std::abort();
    }
    return 0;
}
