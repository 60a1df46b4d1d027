#include "page/ClentDlalog.h"

#include "framework/App.h"
#include "framework/Dispatch.h"
#include "launcher/LumvaneDlg.h"
#include "page/ServerTitle.h"
#include "resource.h"

namespace {

enum BridgeId : DISPID { kEnterGame = 1, kGotoLogin, kGetVersion, kIsUserLoginClient };
constexpr int kBridgeVersion = 3;

// The launcher is the page host's parent window; a page host without a window reaches nothing.
CLumvaneDlg* LauncherOf(HWND pageHost) noexcept
{
    return dynamic_cast<CLumvaneDlg*>(Window::FromHandle(pageHost ? ::GetParent(pageHost) : nullptr));
}

} // namespace

CClentDlalog::CClentDlalog() noexcept : HtmlDialog(IDD_PAGE_HOST) {}

bool CClentDlalog::PreTranslateMessage(MSG* message) noexcept
{
    if (message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_ESCAPE))
        return false;
    return HtmlDialog::PreTranslateMessage(message);
}

BOOL CClentDlalog::OnInitDialog() noexcept
{
    HtmlDialog::OnInitDialog();
    if (!Browser())
        return FALSE;
    const HWND self = hwnd();
    SetExternalDispatch(MakeDispatch({
        {L"EnterGame", kEnterGame, VT_EMPTY,
         [self] {
             if (CLumvaneDlg* launcher = LauncherOf(self))
                 launcher->EnterGameMode();
             return 0;
         }},
        {L"GotoLogin", kGotoLogin, VT_EMPTY,
         [self] {
             if (CLumvaneDlg* launcher = LauncherOf(self))
                 launcher->ReturnToLoginMode();
             return 0;
         }},
        {L"GetVersion", kGetVersion, VT_I4, [] { return kBridgeVersion; }},
        {L"IsUserLoginClient", kIsUserLoginClient, VT_BOOL, [] { return 1; }},
    }).Get());
    Browser()->put_Silent(VARIANT_TRUE);
    return TRUE;
}

void CClentDlalog::OnDocumentComplete(IDispatch*, const char* url) noexcept
{
    const auto title = ServerTitleFor(url);
    if (!title)
        return;
    ::SetWindowTextA(MainWindowHandle(), title->c_str());
    if (CLumvaneDlg* launcher = Launcher())
        ::InvalidateRect(launcher->CaptionBarWindow(), nullptr, TRUE);
}

LRESULT CClentDlalog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_ERASEBKGND)
        return TRUE;
    return HtmlDialog::HandleMessage(message, wParam, lParam);
}
