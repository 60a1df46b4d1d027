#pragma once
// The shell's link object (IShellLinkW with its IPersistFile) behind the shortcut writer.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "desktop/ShortcutWriting.h"

class ShellLinkObject final : public ShellLinkApi {
public:
    bool Create() noexcept override;
    void SetPath(const wchar_t* target) noexcept override { link_->SetPath(target); }
    void SetHotkey(std::uint16_t hotkey) noexcept override { link_->SetHotkey(hotkey); }
    void SetDescription(const wchar_t* description) noexcept override { link_->SetDescription(description); }
    void SetShowCmd(int showCommand) noexcept override { link_->SetShowCmd(showCommand); }
    bool Save(const wchar_t* file) noexcept override { return SUCCEEDED(file_->Save(file, TRUE)); }
    void Release() noexcept override;

private:
    // Declared in this order so that the persist-file interface goes first.
    Microsoft::WRL::ComPtr<IShellLinkW> link_;
    Microsoft::WRL::ComPtr<IPersistFile> file_;
};
