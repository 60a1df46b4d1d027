#include "desktop/DesktopShortcut.h"

#include "desktop/ShellLinkObject.h"

bool ShellLinkObject::Create() noexcept
{
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link_.ReleaseAndGetAddressOf()))))
        return false;
    if (FAILED(link_.As(&file_))) {
        link_.Reset();
        return false;
    }
    return true;
}

bool ShellLinkObject::Save(const char* file) noexcept
{
    wchar_t wide[kMaxPath];
    return ::MultiByteToWideChar(CP_ACP, 0, file, -1, wide, kMaxPath) && SUCCEEDED(file_->Save(wide, TRUE));
}

void ShellLinkObject::Release() noexcept
{
    file_.Reset();
    link_.Reset();
}

BOOL CreateDesktopShortcut(const char* desktopFolder) noexcept
{
    char executable[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, executable, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    ShellLinkObject link;
    return WriteShortcut(link, desktopFolder, executable);
}
