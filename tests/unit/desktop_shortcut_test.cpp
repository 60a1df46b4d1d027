#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/ShortcutWriting.h"

namespace {

// The link's file name in code page 936: "·" is A1 A4, the four Chinese characters two bytes each.
const std::string kNameBytes = "Quarnis\xA1\xA4" "Brevik\xBC\xAB\xCB\xD9\xB5\xC7\xC2\xBD\xC6\xF7.lnk";
constexpr char kTarget[] = "C:\\Games\\Lumvane\\Lumvane.exe";

// Records every call made on the link object, in order.
class RecordingShellLink final : public ShellLinkApi {
public:
    bool createSucceeds = true;
    bool saveSucceeds = true;
    std::vector<std::string> calls;

    bool Create() noexcept override
    {
        calls.push_back("create");
        return createSucceeds;
    }
    void SetPath(const char* target) noexcept override { calls.push_back(std::string("path ") + target); }
    void SetHotkey(std::uint16_t hotkey) noexcept override { calls.push_back("hotkey " + std::to_string(hotkey)); }
    void SetDescription(const char* text) noexcept override { calls.push_back(std::string("description ") + text); }
    void SetShowCmd(int command) noexcept override { calls.push_back("show " + std::to_string(command)); }
    bool Save(const char* file) noexcept override
    {
        calls.push_back(std::string("save ") + file);
        return saveSucceeds;
    }
    void Release() noexcept override { calls.push_back("release"); }
};

using Calls = std::vector<std::string>;

Calls FullWrite(const std::string& file)
{
    return {"create", std::string("path ") + kTarget, "hotkey 635", "description Orvaskel", "show 1",
            "save " + file, "release"};
}

TEST(WriteShortcut, SetsTheLinkAndSavesItOnTheDesktopThenReleases)
{
    RecordingShellLink shell;
    EXPECT_TRUE(WriteShortcut(shell, "C:\\Users\\player\\Desktop", kTarget));
    EXPECT_EQ(shell.calls, FullWrite("C:\\Users\\player\\Desktop\\" + kNameBytes));
    EXPECT_EQ(kNameBytes.size(), sizeof(kShortcutName) - 1);
}

TEST(WriteShortcut, NarrowFolderTextPassesUnchanged)
{
    RecordingShellLink shell;
    const std::string folder = "D:\\\xD7\xC0\xC3\xE6"; // "桌面" in code page 936
    EXPECT_TRUE(WriteShortcut(shell, folder.c_str(), kTarget));
    EXPECT_EQ(shell.calls.at(5), "save " + folder + "\\" + kNameBytes);
}

TEST(WriteShortcut, FailuresYieldFalse)
{
    RecordingShellLink noFolder;
    EXPECT_FALSE(WriteShortcut(noFolder, nullptr, kTarget));
    EXPECT_TRUE(noFolder.calls.empty());

    RecordingShellLink noObject;
    noObject.createSucceeds = false;
    EXPECT_FALSE(WriteShortcut(noObject, "C:\\Desktop", kTarget));
    EXPECT_EQ(noObject.calls, Calls({"create"}));

    RecordingShellLink saveFails;
    saveFails.saveSucceeds = false;
    EXPECT_FALSE(WriteShortcut(saveFails, "C:\\Desktop", kTarget));
    EXPECT_EQ(saveFails.calls, FullWrite("C:\\Desktop\\" + kNameBytes)) << "released after a failed save too";
}

TEST(WriteShortcut, FileNameMustFitInMaxPathBytes)
{
    // Folder, backslash and name take 259 bytes: the longest file name there is room for.
    const std::string longest = "C:\\" + std::string(kMaxPath - 1 - kNameBytes.size() - 1 - 3, 'd');
    RecordingShellLink fits;
    EXPECT_TRUE(WriteShortcut(fits, longest.c_str(), kTarget));
    ASSERT_EQ(fits.calls.size(), 7u);
    EXPECT_EQ(fits.calls[5], "save " + longest + "\\" + kNameBytes);
    EXPECT_EQ(fits.calls[5].size() - 5, static_cast<std::size_t>(kMaxPath - 1));

    for (const std::size_t extra : {1u, 2u, 5000u}) {
        const std::string folder = longest + std::string(extra, 'e');
        RecordingShellLink tooLong;
        EXPECT_FALSE(WriteShortcut(tooLong, folder.c_str(), kTarget)) << extra;
        EXPECT_TRUE(tooLong.calls.empty()) << "nothing is made or saved for a name that does not fit";
    }
}

} // namespace
