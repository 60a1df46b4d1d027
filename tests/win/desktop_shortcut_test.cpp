// The desktop link written through the shell's real link object, into a folder of the test's own,
// and read back through the shell and from the file.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "desktop/DesktopShortcut.h"
#include "desktop/ShellLinkObject.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kLinkName[] = L"Quarnis\u00B7Brevik极速登陆器.lnk";
constexpr std::size_t kLinkNameLength = std::size(kLinkName) - 1;
constexpr std::streamoff kShowCommandOffset = 0x3C;

// A folder of its own under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::string& name)
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
        Remove();
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() { Remove(); }
    const std::string& path() const noexcept { return path_; }

private:
    void Remove()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path_;
};

std::wstring Wide(const std::string& narrow)
{
    std::wstring wide(narrow.size() + 1, L'\0');
    wide.resize(::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1);
    return wide;
}

// The names of the files and folders in a folder.
std::vector<std::wstring> FolderContents(const std::string& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((Wide(folder) + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
            names.push_back(found.cFileName);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return names;
}

std::string OwnExecutable()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

struct LinkProperties {
    std::string target;
    std::string arguments;
    WORD hotkey = 0;
    std::string description;
    DWORD showCommand = 0;
};

// Reads a saved link through the shell; the show command from the file itself, since the shell
// object of some platforms reports a fixed value after loading.
LinkProperties ReadLink(const std::wstring& file)
{
    LinkProperties link;
    ComPtr<IShellLinkA> shellLink;
    ComPtr<IPersistFile> persist;
    EXPECT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                reinterpret_cast<void**>(shellLink.GetAddressOf())));
    if (!shellLink || FAILED(shellLink.As(&persist)) || FAILED(persist->Load(file.c_str(), STGM_READ)))
        return link;
    char text[1024] = {};
    shellLink->GetPath(text, sizeof(text), nullptr, SLGP_RAWPATH);
    link.target = text;
    text[0] = '\0';
    shellLink->GetArguments(text, sizeof(text));
    link.arguments = text;
    shellLink->GetHotkey(&link.hotkey);
    text[0] = '\0';
    shellLink->GetDescription(text, sizeof(text));
    link.description = text;
    std::ifstream raw(file.c_str(), std::ios::binary);
    raw.seekg(kShowCommandOffset);
    raw.read(reinterpret_cast<char*>(&link.showCommand), sizeof(link.showCommand));
    return link;
}

class DesktopShortcutTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::GetACP(), 936u) << "the program's narrow text is code page 936"; }
    std::wstring LinkIn(const std::string& folder) const { return Wide(folder) + L"\\" + kLinkName; }
};

TEST_F(DesktopShortcutTest, LinkToTheOwnExecutableReadsBack)
{
    TempFolder desktop("desk-link");
    EXPECT_TRUE(CreateDesktopShortcut(Wide(desktop.path()).c_str()));
    EXPECT_EQ(FolderContents(desktop.path()), std::vector<std::wstring>{kLinkName});

    const LinkProperties link = ReadLink(LinkIn(desktop.path()));
    EXPECT_EQ(link.target, OwnExecutable());
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.hotkey, MAKEWORD(VK_F12, HOTKEYF_CONTROL));
    EXPECT_EQ(link.description, "Orvaskel");
    EXPECT_EQ(link.showCommand, static_cast<DWORD>(SW_SHOWNORMAL));
}

TEST_F(DesktopShortcutTest, WriteFromAnotherExecutableReplacesTheLink)
{
    TempFolder desktop("desk-link-twice");
    TempFolder elsewhere("desk-copy");
    const std::string copy = elsewhere.path() + "\\Lumvane.exe";
    ASSERT_TRUE(::CopyFileA(OwnExecutable().c_str(), copy.c_str(), FALSE));

    ASSERT_TRUE(CreateDesktopShortcut(Wide(desktop.path()).c_str()));
    ShellLinkObject shell;
    EXPECT_TRUE(WriteShortcut(shell, Wide(desktop.path()).c_str(), Wide(copy).c_str()));

    EXPECT_EQ(FolderContents(desktop.path()), std::vector<std::wstring>{kLinkName});
    const LinkProperties link = ReadLink(LinkIn(desktop.path()));
    EXPECT_EQ(link.target, copy);
    EXPECT_EQ(link.hotkey, MAKEWORD(VK_F12, HOTKEYF_CONTROL));
    EXPECT_EQ(link.description, "Orvaskel");
}

TEST_F(DesktopShortcutTest, NoFolderWritesNothing)
{
    TempFolder current("desk-no-folder");
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ::SetCurrentDirectoryA(current.path().c_str());
    const BOOL written = CreateDesktopShortcut(nullptr);
    ::SetCurrentDirectoryA(previous);
    EXPECT_FALSE(written);
    EXPECT_TRUE(FolderContents(current.path()).empty());
}

TEST_F(DesktopShortcutTest, FileNameMustFitInMaxPathCharacters)
{
    // Folder, backslash and link name come to exactly 259 characters, then to 260.
    TempFolder root("desk-long");
    const std::size_t longestFolder = MAX_PATH - 1 - 1 - kLinkNameLength;
    const std::string longest = root.path() + "\\" + std::string(longestFolder - root.path().size() - 1, 'e');
    const std::string tooLong = root.path() + "\\" + std::string(longestFolder - root.path().size(), 'f');
    ASSERT_TRUE(::CreateDirectoryA(longest.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(tooLong.c_str(), nullptr));

    EXPECT_TRUE(CreateDesktopShortcut(Wide(longest).c_str()));
    EXPECT_EQ(FolderContents(longest), std::vector<std::wstring>{kLinkName});

    EXPECT_FALSE(CreateDesktopShortcut(Wide(tooLong).c_str()));
    EXPECT_TRUE(FolderContents(tooLong).empty());
}

} // namespace
