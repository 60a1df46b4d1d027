#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/ShortcutWriting.h"

namespace {

// The link's file name, spelled out character by character.
const std::wstring kName = L"Quarnis\u00B7Brevik\u6781\u901F\u767B\u9646\u5668.lnk";
constexpr wchar_t kTarget[] = L"C:\\Games\\Lumvane\\Lumvane.exe";

// Records every call made on the link object, in order.
class RecordingShellLink final : public ShellLinkApi {
public:
    bool createSucceeds = true;
    bool saveSucceeds = true;
    std::vector<std::wstring> calls;

    bool Create() noexcept override
    {
        calls.push_back(L"create");
        return createSucceeds;
    }
    void SetPath(const wchar_t* target) noexcept override { calls.push_back(std::wstring(L"path ") + target); }
    void SetHotkey(std::uint16_t hotkey) noexcept override { calls.push_back(L"hotkey " + std::to_wstring(hotkey)); }
    void SetDescription(const wchar_t* text) noexcept override { calls.push_back(std::wstring(L"description ") + text); }
    void SetShowCmd(int command) noexcept override { calls.push_back(L"show " + std::to_wstring(command)); }
    bool Save(const wchar_t* file) noexcept override
    {
        calls.push_back(std::wstring(L"save ") + file);
        return saveSucceeds;
    }
    void Release() noexcept override { calls.push_back(L"release"); }
};

using Calls = std::vector<std::wstring>;

Calls FullWrite(const std::wstring& file)
{
    return {L"create", std::wstring(L"path ") + kTarget, L"hotkey 635", L"description Orvaskel", L"show 1",
            L"save " + file, L"release"};
}

TEST(WriteShortcut, SetsTheLinkAndSavesItOnTheDesktopThenReleases)
{
    RecordingShellLink shell;
    EXPECT_TRUE(WriteShortcut(shell, L"C:\\Users\\player\\Desktop", kTarget));
    EXPECT_EQ(shell.calls, FullWrite(L"C:\\Users\\player\\Desktop\\" + kName));
    EXPECT_EQ(kName, kShortcutName);
}

// Folders and programs named outside any one code page reach the shell unchanged.
TEST(WriteShortcut, FolderAndTargetTextPassUnchanged)
{
    RecordingShellLink shell;
    const std::wstring folder = L"D:\\\uAC8C\uC784 \u00D1and\u00FA";         // "게임 Ñandú"
    const std::wstring target = folder + L"\\\u0418\u0433\u0440\u0430.exe"; // "Игра.exe"
    EXPECT_TRUE(WriteShortcut(shell, folder.c_str(), target.c_str()));
    EXPECT_EQ(shell.calls.at(1), L"path " + target);
    EXPECT_EQ(shell.calls.at(5), L"save " + folder + L"\\" + kName);
}

TEST(WriteShortcut, FailuresYieldFalse)
{
    RecordingShellLink noFolder;
    EXPECT_FALSE(WriteShortcut(noFolder, nullptr, kTarget));
    EXPECT_TRUE(noFolder.calls.empty());

    RecordingShellLink noObject;
    noObject.createSucceeds = false;
    EXPECT_FALSE(WriteShortcut(noObject, L"C:\\Desktop", kTarget));
    EXPECT_EQ(noObject.calls, Calls({L"create"}));

    RecordingShellLink saveFails;
    saveFails.saveSucceeds = false;
    EXPECT_FALSE(WriteShortcut(saveFails, L"C:\\Desktop", kTarget));
    EXPECT_EQ(saveFails.calls, FullWrite(L"C:\\Desktop\\" + kName)) << "released after a failed save too";
}

TEST(WriteShortcut, FileNameMustFitInMaxPathCharacters)
{
    // Folder, backslash and name take 259 characters: the longest file name there is room for.
    const std::wstring longest = L"C:\\" + std::wstring(kMaxPath - 1 - kName.size() - 1 - 3, L'd');
    RecordingShellLink fits;
    EXPECT_TRUE(WriteShortcut(fits, longest.c_str(), kTarget));
    ASSERT_EQ(fits.calls.size(), 7u);
    EXPECT_EQ(fits.calls[5], L"save " + longest + L"\\" + kName);
    EXPECT_EQ(fits.calls[5].size() - 5, static_cast<std::size_t>(kMaxPath - 1));

    for (const std::size_t extra : {1u, 2u, 5000u}) {
        const std::wstring folder = longest + std::wstring(extra, L'e');
        RecordingShellLink tooLong;
        EXPECT_FALSE(WriteShortcut(tooLong, folder.c_str(), kTarget)) << extra;
        EXPECT_TRUE(tooLong.calls.empty()) << "nothing is made or saved for a name that does not fit";
    }
}

} // namespace
