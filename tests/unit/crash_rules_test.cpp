#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CrashRules.h"

namespace {

std::wstring Report(const wchar_t* stamp, const wchar_t* pid = L"42")
{
    return std::wstring(L"Lumvane-1.0.0.1-") + stamp + L"-" + pid + L".dmp";
}

TEST(CrashReports, NameCarriesVersionUtcTimeAndProcess)
{
    EXPECT_EQ(ReportName(L"Lumvane", L"1.0.0.1", {2026, 3, 7, 9, 5, 1}, 4242),
              L"Lumvane-1.0.0.1-20260307T090501Z-4242.dmp");
}

TEST(CrashReports, TheNewestTenStayWhateverTheFolderHolds)
{
    std::vector<std::wstring> folder;
    for (int day = 10; day <= 21; ++day) // twelve reports, written in a shuffled order
        folder.push_back(Report((L"202612" + std::to_wstring(day) + L"T120000Z").c_str()));
    std::swap(folder[0], folder[7]);
    std::swap(folder[3], folder[11]);
    folder.push_back(L"notes.txt");
    folder.push_back(L"Lumvane-1.0.0.1-20200101T000000Z-7.dmp.tmp");
    folder.push_back(L"Lumvane-1.0.0.1-garbage-7.dmp");
    folder.push_back(L"Other-1.0.0.1-20200101T000000Z-7.dmp");
    folder.push_back(L"Lumvane-0.9-20200101T000000Z-x.dmp");
    // An older version's report is older by its time, not by its version.
    folder.push_back(L"Lumvane-0.9-20200101T000000Z-7.dmp");

    const std::vector<std::wstring> expected{Report(L"20261211T120000Z"), Report(L"20261210T120000Z"),
                                             L"Lumvane-0.9-20200101T000000Z-7.dmp"};
    EXPECT_EQ(ReportsToDelete(folder, L"Lumvane"), expected);

    // Same second: the process id decides, so exactly ten stay.
    std::vector<std::wstring> sameSecond;
    for (int pid = 1; pid <= 11; ++pid)
        sameSecond.push_back(Report(L"20261210T120000Z", std::to_wstring(pid).c_str()));
    EXPECT_EQ(ReportsToDelete(sameSecond, L"Lumvane").size(), 1u);
    EXPECT_TRUE(ReportsToDelete(std::vector<std::wstring>(sameSecond.begin(), sameSecond.begin() + 10), L"Lumvane")
                    .empty());
    EXPECT_TRUE(ReportsToDelete({L"Lumvane-.dmp", L"Lumvane-", L"-", L""}, L"Lumvane", 0).empty());
}

TEST(CrashRestart, FreshLauncherOnlyAfterALongEnoughRunAndFewRestarts)
{
    constexpr std::int64_t now = 1'800'000'000;
    const std::wstring minuteAgo = std::to_wstring(now - 60);
    const std::wstring hourAgo = std::to_wstring(now - 3600);
    const std::wstring nowText = std::to_wstring(now);
    struct Case {
        const char* what;
        std::wstring log;
        std::uint64_t ranMs;
        bool quitting;
        std::optional<std::wstring> next;
    } cases[] = {
        {"first crash", L"", 60'000, false, nowText},
        {"ran under ten seconds", L"", 9'999, false, std::nullopt},
        {"ran exactly ten seconds", L"", 10'000, false, nowText},
        {"the player had chosen to quit", L"", 60'000, true, std::nullopt},
        {"two restarts within ten minutes", minuteAgo + L"," + minuteAgo, 60'000, false,
         minuteAgo + L"," + minuteAgo + L"," + nowText},
        {"three restarts within ten minutes", minuteAgo + L"," + minuteAgo + L"," + minuteAgo, 60'000, false,
         std::nullopt},
        {"old restarts are forgotten", hourAgo + L"," + hourAgo + L"," + hourAgo, 60'000, false, nowText},
        {"a clock set back far is not held against it", std::to_wstring(now + 86400) + L",1,2", 60'000, false,
         nowText},
        {"garbage is ignored", L",x,-5,99999999999999999999999,1e3," + minuteAgo, 60'000, false,
         minuteAgo + L"," + nowText},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextRestartLog(c.log, c.ranMs, c.quitting, now), c.next) << c.what;
}

} // namespace
