#include "desktop/ShortcutWriting.h"

#include <cstdio>

bool WriteShortcut(ShellLinkApi& shell, const char* folder, const char* target) noexcept
{
    if (!folder)
        return false;
    char file[kMaxPath];
    const int length = std::snprintf(file, sizeof(file), "%s\\%s", folder, kShortcutName);
    if (length < 0 || length >= kMaxPath)
        return false;
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
