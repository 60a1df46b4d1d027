#pragma once
// The query map: key=value pairs separated by "&", kept byte for byte.
#include <string>
#include <string_view>
#include <unordered_map>

using QueryMap = std::unordered_map<std::string, std::string>;

// Adds every pair of text to map; a later pair replaces an earlier one with the same key, and a
// segment without "=" is ignored.
void ParseQuery(std::string_view text, QueryMap& map);

// The value stored under key, or empty text.
std::string GetQueryValue(const QueryMap& map, const std::string& key);
