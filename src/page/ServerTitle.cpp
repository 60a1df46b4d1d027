#include "page/ServerTitle.h"

#include <algorithm>
#include <climits>

#include "page/Base64.h"
#include "page/QueryMap.h"

namespace {

constexpr std::wstring_view kAuthField = L"auth=";
constexpr std::wstring_view kSignField = L"&sign=";
constexpr wchar_t kArrow[] = L"-->";
constexpr wchar_t kServerSuffix[] = L"服";
// Stands for a payload character outside ASCII: not a Base64 letter, a pad or a line break.
constexpr char kNotBase64 = '\x80';

} // namespace

std::optional<std::string> ServerSidFor(std::wstring_view url)
{
    const size_t auth = url.find(kAuthField);
    if (auth == std::wstring_view::npos)
        return std::nullopt;
    std::wstring_view payload = url.substr(auth + kAuthField.size());
    payload = payload.substr(0, payload.find(kSignField));
    std::string text(payload.size(), kNotBase64);
    std::transform(payload.begin(), payload.end(), text.begin(),
                   [](wchar_t c) { return static_cast<unsigned>(c) < 0x80 ? static_cast<char>(c) : kNotBase64; });
    const std::string decoded = DecodeBase64(text.data(), static_cast<int>(std::min<size_t>(text.size(), INT_MAX)));
    QueryMap fields;
    ParseQuery(decoded, fields);
    return GetQueryValue(fields, "sid");
}

std::wstring ServerTitle(std::wstring_view sid)
{
    return std::wstring(kLauncherTitle) + kArrow + std::wstring(sid) + kServerSuffix;
}
