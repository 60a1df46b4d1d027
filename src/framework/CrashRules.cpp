#include "framework/CrashRules.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

constexpr std::wstring_view kReportExtension = L".dmp";
constexpr std::size_t kStampLength = 16; // yyyymmddThhmmssZ

bool IsDigits(std::wstring_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The time stamp of a report's name, or nothing when the name is not one of the product's reports.
std::optional<std::wstring_view> ReportStamp(std::wstring_view name, std::wstring_view product)
{
    if (name.size() <= product.size() + 1 || name.substr(0, product.size()) != product ||
        name[product.size()] != L'-' || !name.ends_with(kReportExtension))
        return std::nullopt;
    name.remove_suffix(kReportExtension.size());
    const std::size_t pidDash = name.rfind(L'-');
    if (pidDash == std::wstring_view::npos || pidDash < kStampLength + 1 || !IsDigits(name.substr(pidDash + 1)))
        return std::nullopt;
    const std::wstring_view stamp = name.substr(pidDash - kStampLength, kStampLength);
    if (name[pidDash - kStampLength - 1] != L'-' || !IsDigits(stamp.substr(0, 8)) || stamp[8] != L'T' ||
        !IsDigits(stamp.substr(9, 6)) || stamp[15] != L'Z')
        return std::nullopt;
    return stamp;
}

} // namespace

std::wstring ReportName(std::wstring_view product, std::wstring_view version, const UtcTime& time,
                        std::uint32_t processId)
{
    wchar_t stamp[64];
    std::swprintf(stamp, std::size(stamp), L"-%04d%02d%02dT%02d%02d%02dZ-%lu", time.year, time.month, time.day,
                  time.hour, time.minute, time.second, static_cast<unsigned long>(processId));
    return std::wstring(product) + L'-' + std::wstring(version) + stamp + std::wstring(kReportExtension);
}

std::vector<std::wstring> ReportsToDelete(const std::vector<std::wstring>& names, std::wstring_view product,
                                          std::size_t kept)
{
    struct Report {
        std::wstring_view stamp;
        const std::wstring* name;
    };
    std::vector<Report> reports;
    for (const std::wstring& name : names) {
        if (const auto stamp = ReportStamp(name, product))
            reports.push_back({*stamp, &name});
    }
    if (reports.size() <= kept)
        return {};
    std::sort(reports.begin(), reports.end(), [](const Report& a, const Report& b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : *a.name > *b.name;
    });
    std::vector<std::wstring> doomed;
    for (auto report = reports.begin() + static_cast<std::ptrdiff_t>(kept); report != reports.end(); ++report)
        doomed.push_back(*report->name);
    return doomed;
}

std::optional<std::wstring> NextRestartLog(std::wstring_view log, std::uint64_t ranMs, bool quitting,
                                           std::int64_t now)
{
    if (quitting || ranMs < kShortestRunBeforeRestartMs)
        return std::nullopt;
    std::wstring next;
    std::size_t recent = 0;
    while (!log.empty()) {
        const std::size_t comma = std::min(log.find(L','), log.size());
        const std::wstring_view entry = log.substr(0, comma);
        log.remove_prefix(std::min(comma + 1, log.size()));
        if (!IsDigits(entry) || entry.size() > 18)
            continue;
        const std::int64_t time = std::wcstoll(std::wstring(entry).c_str(), nullptr, 10);
        // A clock set back keeps a restart "in the future" within the window, not for ever.
        if (time > now - kRestartWindowSeconds && time < now + kRestartWindowSeconds) {
            ++recent;
            next += std::wstring(entry) + L',';
        }
    }
    if (recent >= kRestartsAllowed)
        return std::nullopt;
    return next + std::to_wstring(now);
}
