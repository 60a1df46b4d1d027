#include "page/QueryMap.h"

void ParseQuery(std::string_view text, QueryMap& map)
{
    while (!text.empty()) {
        const size_t end = text.find('&');
        const std::string_view segment = text.substr(0, end);
        if (const size_t equals = segment.find('='); equals != std::string_view::npos)
            map.insert_or_assign(std::string(segment.substr(0, equals)), std::string(segment.substr(equals + 1)));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

std::string GetQueryValue(const QueryMap& map, const std::string& key)
{
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}
