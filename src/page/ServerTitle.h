#pragma once
// The launcher's title for the server the platform names in a page address.
#include <optional>
#include <string>
#include <string_view>

// The launcher window's title before any server is named.
inline constexpr char kLauncherTitle[] = "Quarnis-->Brevik";

// The title for url: "Quarnis-->Brevik", "-->", the sid of the Base64 payload that follows the
// first "auth=" (up to a "&sign=" after it), and "服". Nothing when url holds no "auth=".
std::optional<std::string> ServerTitleFor(std::string_view url);
