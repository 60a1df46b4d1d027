#include "page/ServerTitle.h"

#include <algorithm>
#include <climits>

#include "page/Base64.h"
#include "page/QueryMap.h"

namespace {

constexpr std::string_view kAuthField = "auth=";
constexpr std::string_view kSignField = "&sign=";
constexpr char kArrow[] = "-->";
constexpr char kServerSuffix[] = "服";

} // namespace

std::optional<std::string> ServerTitleFor(std::string_view url)
{
    const size_t auth = url.find(kAuthField);
    if (auth == std::string_view::npos)
        return std::nullopt;
    std::string_view payload = url.substr(auth + kAuthField.size());
    payload = payload.substr(0, payload.find(kSignField));
    const std::string decoded =
        DecodeBase64(payload.data(), static_cast<int>(std::min<size_t>(payload.size(), INT_MAX)));
    QueryMap fields;
    ParseQuery(decoded, fields);
    return std::string(kLauncherTitle) + kArrow + GetQueryValue(fields, "sid") + kServerSuffix;
}
