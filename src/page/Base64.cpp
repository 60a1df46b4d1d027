#include "page/Base64.h"

#include <cstdint>

namespace {

constexpr char kPad = '=';

constexpr unsigned Value(unsigned char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0;
}

} // namespace

std::string DecodeBase64(const char* text, int length)
{
    std::string bytes;
    if (!text || length <= 0)
        return bytes;
    const auto at = [text, length](int64_t position) -> char { return position < length ? text[position] : '\0'; };
    bytes.reserve(static_cast<size_t>(length) / 4 * 3 + 3);
    int64_t p = 0;
    for (int64_t i = 0; i < length;) {
        if (at(p) == '\r' || at(p) == '\n') {
            ++p;
            ++i;
            continue;
        }
        uint32_t n = Value(at(p)) << 18 | Value(at(p + 1)) << 12;
        p += 2;
        bytes.push_back(static_cast<char>(n >> 16 & 0xFF));
        if (at(p) != kPad) {
            n |= Value(at(p)) << 6;
            bytes.push_back(static_cast<char>(n >> 8 & 0xFF));
            ++p;
            if (at(p) != kPad) {
                n |= Value(at(p));
                bytes.push_back(static_cast<char>(n & 0xFF));
                ++p;
            }
        }
        i += 4;
    }
    return bytes;
}
