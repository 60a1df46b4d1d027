#include "desktop/DesktopShortcut.h"

#include "desktop/ShellLinkObject.h"

bool ShellLinkObject::Create() noexcept
{
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link_.ReleaseAndGetAddressOf()))))
        return false;
    if (FAILED(link_.As(&file_))) {
        link_.Reset();
        return false;
    }
    return true;
}

void ShellLinkObject::Release() noexcept
{
    file_.Reset();
    link_.Reset();
}

bool GetDesktopFolder(wchar_t (&folder)[MAX_PATH]) noexcept
{
    LPITEMIDLIST desktop = nullptr;
    if (::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop) != S_OK)
        return false;
    const bool named = ::SHGetPathFromIDListW(desktop, folder);
    ::CoTaskMemFree(desktop);
    return named;
}

BOOL CreateDesktopShortcut(const wchar_t* desktopFolder) noexcept
{
    wchar_t executable[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, executable, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    ShellLinkObject link;
    return WriteShortcut(link, desktopFolder, executable);
}
