#pragma once
// Writing the desktop link to the program, against the shell link calls it makes, so the same
// steps run on the shell's link object and on a scripted one. Paths are UTF-16 text, so a folder
// named in any language reaches the shell unchanged.
#include <cstdint>

// The shell's link object together with its persist-file interface.
class ShellLinkApi {
public:
    virtual ~ShellLinkApi() = default;

    // A new, empty link and its persist-file interface; false (holding nothing) when either fails.
    virtual bool Create() noexcept = 0;
    virtual void SetPath(const wchar_t* target) noexcept = 0;
    virtual void SetHotkey(std::uint16_t hotkey) noexcept = 0;
    virtual void SetDescription(const wchar_t* description) noexcept = 0;
    virtual void SetShowCmd(int showCommand) noexcept = 0;
    // Saves the link to the file and remembers that file.
    virtual bool Save(const wchar_t* file) noexcept = 0;
    // Releases the persist-file interface, then the link.
    virtual void Release() noexcept = 0;
};

inline constexpr wchar_t kShortcutName[] = L"Quarnis·Brevik极速登陆器.lnk";
inline constexpr wchar_t kShortcutDescription[] = L"Orvaskel";
inline constexpr std::uint16_t kShortcutHotkey = 0x027B; // Ctrl+F12
inline constexpr int kShortcutShowCommand = 1;           // a normal window
// The link's file name has at most this many characters, terminator included.
inline constexpr int kMaxPath = 260;

// Writes the link to target into folder, replacing an earlier one. False, with nothing written,
// when there is no folder or the link's file name does not fit.
bool WriteShortcut(ShellLinkApi& shell, const wchar_t* folder, const wchar_t* target) noexcept;
