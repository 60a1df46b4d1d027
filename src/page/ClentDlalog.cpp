#include "page/ClentDlalog.h"

#include <algorithm>
#include <climits>
#include <string>

#include "framework/Dispatch.h"
#include "page/ServerTitle.h"
#include "resource.h"

namespace {

enum BridgeId : DISPID { kEnterGame = 1, kGotoLogin, kGetVersion, kIsUserLoginClient };
constexpr int kBridgeVersion = 3;
// The platform writes the sid in Simplified Chinese text, whatever the player's system uses.
constexpr UINT kSidCodePage = 936;

std::wstring FromSidCodePage(const std::string& bytes)
{
    const int size = static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX));
    std::wstring text(static_cast<size_t>(::MultiByteToWideChar(kSidCodePage, 0, bytes.data(), size, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(kSidCodePage, 0, bytes.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

} // namespace

// The bridge keeps the page host's window, not the object: a page that calls after the page host
// is gone reaches nothing.
PageHostEvents* CClentDlalog::EventsOf(HWND pageHost) noexcept
{
    auto* host = dynamic_cast<CClentDlalog*>(Window::FromHandle(pageHost));
    return host ? &host->events_ : nullptr;
}

CClentDlalog::CClentDlalog(PageHostEvents& events) noexcept
    : HtmlDialog(IDD_PAGE_HOST, kBrowserLockdown), events_(events)
{
}

bool CClentDlalog::PreTranslateMessage(MSG* message) noexcept
{
    if (message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_ESCAPE))
        return false;
    return HtmlDialog::PreTranslateMessage(message);
}

BOOL CClentDlalog::OnInitDialog()
{
    HtmlDialog::OnInitDialog();
    if (!Browser())
        return FALSE;
    const HWND self = hwnd();
    SetExternalDispatch(MakeDispatch({
        {L"EnterGame", kEnterGame, VT_EMPTY,
         [self] {
             if (PageHostEvents* events = EventsOf(self))
                 events->OnEnterGame();
             return 0;
         }},
        {L"GotoLogin", kGotoLogin, VT_EMPTY,
         [self] {
             if (PageHostEvents* events = EventsOf(self))
                 events->OnGotoLogin();
             return 0;
         }},
        {L"GetVersion", kGetVersion, VT_I4, [] { return kBridgeVersion; }},
        {L"IsUserLoginClient", kIsUserLoginClient, VT_BOOL, [] { return 1; }},
    }).Get());
    Browser()->put_Silent(VARIANT_TRUE);
    return TRUE;
}

void CClentDlalog::OnDocumentComplete(IDispatch*, const wchar_t* url)
{
    if (const auto sid = ServerSidFor(url))
        events_.OnServerTitle(ServerTitle(FromSidCodePage(*sid)).c_str());
}

LRESULT CClentDlalog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return TRUE;
    return HtmlDialog::HandleMessage(message, wParam, lParam);
}
