#include "skin/TopBarDlg.h"

#include <windowsx.h>

#include <utility>

#include "framework/Handles.h"
#include "resource.h"
#include "skin/BarPaint.h"

namespace {

constexpr int kTitleX = 10;
constexpr int kTitleY = 6;
constexpr int kTitleHeight = 12;
constexpr wchar_t kTitleFace[] = L"宋体";
constexpr COLORREF kTitleColour = RGB(255, 255, 255);
constexpr int kTitleLength = 256;
constexpr int kButtonTop = 3;
constexpr int kButtonStep = 20; // from the bar's right end to the close button, and from one button to the next
constexpr UINT kButtonPlacement = SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
constexpr wchar_t kCloseName[] = L"关闭";
constexpr wchar_t kMaximizeName[] = L"最大化";
constexpr wchar_t kRestoreName[] = L"向下还原"; // the maximise button's while the parent is maximised
constexpr wchar_t kMinimizeName[] = L"最小化";
constexpr wchar_t kHideName[] = L"隐藏到托盘";
constexpr wchar_t kMenuName[] = L"菜单";

} // namespace

void CTopBarDlg::DoDataExchange() noexcept
{
    close_.SubclassDlgItem(IDC_CLOSE_BUTTON, *this);
    maximize_.SubclassDlgItem(IDC_MAXIMIZE_BUTTON, *this);
    minimize_.SubclassDlgItem(IDC_MINIMIZE_BUTTON, *this);
    menu_.SubclassDlgItem(IDC_MENU_BUTTON, *this);
    hide_.SubclassDlgItem(IDC_HIDE_BUTTON, *this);
}

BOOL CTopBarDlg::OnInitDialog()
{
    SkinBarDlg::OnInitDialog();
    skins_.Load(leftCap_, IDB_CAPTION_LEFT);
    skins_.Load(tile_, IDB_CAPTION_TILE);
    skins_.Load(rightCap_, IDB_CAPTION_RIGHT);
    close_.LoadStrip(IDB_CLOSE_STRIP, skins_);
    maximize_.LoadStrip(IDB_MAXIMIZE_STRIP, skins_);
    minimize_.LoadStrip(IDB_MINIMIZE_STRIP, skins_);
    menu_.LoadStrip(IDB_MENU_STRIP, skins_);
    hide_.LoadStrip(IDB_HIDE_STRIP, skins_);
    NameButtons();
    return TRUE;
}

// Owner-drawn, the buttons do not paint their window texts: the texts only name them.
void CTopBarDlg::NameButtons() noexcept
{
    toolTip_.Create(hwnd());
    const std::pair<const CSkinButton*, const wchar_t*> names[] = {
        {&close_, kCloseName}, {&maximize_, kMaximizeName}, {&minimize_, kMinimizeName}, {&hide_, kHideName},
        {&menu_, kMenuName}};
    for (const auto& [button, name] : names) {
        ::SetWindowTextW(button->hwnd(), name);
        toolTip_.AddWindowTool(button->hwnd(), name);
    }
    maximizeName_ = kMaximizeName;
    NameMaximizeButton();
}

void CTopBarDlg::NameMaximizeButton() noexcept
{
    const wchar_t* name = ::IsZoomed(::GetParent(hwnd())) ? kRestoreName : kMaximizeName;
    if (name == maximizeName_)
        return;
    maximizeName_ = name;
    ::SetWindowTextW(maximize_.hwnd(), name);
    toolTip_.SetWindowToolText(maximize_.hwnd(), name);
}

void CTopBarDlg::Paint(HDC dc) const
{
    RECT client;
    ::GetClientRect(hwnd(), &client);
    DrawThreeSlice(dc, client.right, leftCap_, tile_, rightCap_);
    PaintTitle(dc);
    // The bar does not clip its children, so it has just painted over its buttons: they paint
    // themselves again after it. A button moved into the bar's pending update region by the
    // layout would otherwise stay covered.
    for (const CSkinButton* button : Buttons()) {
        if (button->hwnd())
            ::InvalidateRect(button->hwnd(), nullptr, FALSE);
    }
}

// The title of the window the bar belongs to, read at every painting; a long title runs on under the buttons.
void CTopBarDlg::PaintTitle(HDC dc) const noexcept
{
    UniqueFont font(::CreateFontW(kTitleHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_ROMAN | DEFAULT_PITCH,
                                  kTitleFace));
    SelectedObject selected(dc, font.get());
    wchar_t title[kTitleLength] = {};
    const int length = ::GetWindowTextW(::GetParent(hwnd()), title, kTitleLength);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTitleColour);
    ::TextOutW(dc, kTitleX, kTitleY, title, length);
}

void CTopBarDlg::LayOut(int cx)
{
    const auto buttons = Buttons();
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(buttons.size()));
    int x = cx;
    for (const CSkinButton* button : buttons) {
        x -= kButtonStep;
        if (batch)
            batch = ::DeferWindowPos(batch, button->hwnd(), nullptr, x, kButtonTop, 0, 0, kButtonPlacement);
    }
    if (batch)
        ::EndDeferWindowPos(batch);
}

// The bar drags its parent, and its buttons and double-click are its parent's commands: a
// double-click is the maximise button's.
LRESULT CTopBarDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        ::PostMessageW(::GetParent(hwnd()), WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return Default();
    case WM_WINDOWPOSCHANGING:
        // The parent places the bar after each change of its size or state, also when the bar's own
        // size stays (a maximise from a restored window as wide as the work area): no WM_SIZE then.
        if (Initialised())
            NameMaximizeButton();
        break;
    case WM_DESTROY:
        toolTip_.Destroy();
        break;
    case WM_LBUTTONDBLCLK:
        ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(IDC_MAXIMIZE_BUTTON, BN_CLICKED),
                       reinterpret_cast<LPARAM>(maximize_.hwnd()));
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) >= IDC_CLOSE_BUTTON && LOWORD(wParam) <= IDC_MENU_BUTTON) {
            ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, wParam, lParam);
            return 0;
        }
        break;
    }
    return SkinBarDlg::HandleMessage(message, wParam, lParam);
}
