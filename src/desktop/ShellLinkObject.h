#pragma once
// The shell's link object (IShellLinkA with its IPersistFile) behind the shortcut writer.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "desktop/ShortcutWriting.h"

class ShellLinkObject final : public ShellLinkApi {
public:
    bool Create() noexcept override;
    void SetPath(const char* target) noexcept override { link_->SetPath(target); }
    void SetHotkey(std::uint16_t hotkey) noexcept override { link_->SetHotkey(hotkey); }
    void SetDescription(const char* description) noexcept override { link_->SetDescription(description); }
    void SetShowCmd(int showCommand) noexcept override { link_->SetShowCmd(showCommand); }
    bool Save(const char* file) noexcept override;
    void Release() noexcept override;

private:
    // Declared in this order so that the persist-file interface goes first.
    Microsoft::WRL::ComPtr<IShellLinkA> link_;
    Microsoft::WRL::ComPtr<IPersistFile> file_;
};
