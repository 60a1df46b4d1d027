#include "desktop/ShortcutWriting.h"

#include <cwchar>
#include <iterator>

bool WriteShortcut(ShellLinkApi& shell, const wchar_t* folder, const wchar_t* target) noexcept
{
    if (!folder)
        return false;
    const std::size_t folderLength = std::wcslen(folder);
    constexpr std::size_t kNameLength = std::size(kShortcutName) - 1;
    if (folderLength + 1 + kNameLength >= kMaxPath)
        return false;
    wchar_t file[kMaxPath];
    std::wmemcpy(file, folder, folderLength);
    file[folderLength] = L'\\';
    std::wmemcpy(file + folderLength + 1, kShortcutName, kNameLength + 1);

    if (!shell.Create())
        return false;
    shell.SetPath(target);
    shell.SetHotkey(kShortcutHotkey);
    shell.SetDescription(kShortcutDescription);
    shell.SetShowCmd(kShortcutShowCommand);
    const bool saved = shell.Save(file);
    shell.Release();
    return saved;
}
