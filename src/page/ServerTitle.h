#pragma once
// The launcher's title for the server the platform names in a page address.
#include <optional>
#include <string>
#include <string_view>

// The launcher window's title before any server is named.
inline constexpr wchar_t kLauncherTitle[] = L"Quarnis-->Brevik";

// The sid bytes of the Base64 payload that follows the first "auth=" in url, up to a "&sign=" after
// it; empty when the payload has no sid, nothing when url holds no "auth=". A character of the
// payload outside ASCII is no Base64 letter and reads as one.
std::optional<std::string> ServerSidFor(std::wstring_view url);

// "Quarnis-->Brevik", "-->", the server's sid and "服".
std::wstring ServerTitle(std::wstring_view sid);
