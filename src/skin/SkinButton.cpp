#include "skin/SkinButton.h"

namespace {

constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;

} // namespace

void CSkinButton::LoadStrip(WORD resourceId, SkinSource& skins) noexcept
{
    skins.Load(strip_, resourceId);
    SizeToFrame();
    if (hwnd())
        ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW);
}

void CSkinButton::PreSubclassWindow() noexcept
{
    SetUpOwnerDraw();
}

void CSkinButton::SetUpOwnerDraw() noexcept
{
    // The style's low word goes with the message, its button type made owner-draw whatever it was.
    const WORD style = static_cast<WORD>(::GetWindowLongW(hwnd(), GWL_STYLE));
    ::SendMessageW(hwnd(), BM_SETSTYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW, TRUE);
    SizeToFrame();
}

void CSkinButton::SizeToFrame() noexcept
{
    if (hwnd() && !strip_.IsNull())
        ::SetWindowPos(hwnd(), nullptr, 0, 0, Frame(kFrameNormal).width, strip_.Height(), kSizeOnly);
}

void CSkinButton::DrawItem(DRAWITEMSTRUCT* item) noexcept
{
    if (strip_.IsNull())
        return;
    RECT client;
    ::GetClientRect(hwnd(), &client);
    const StripColumns frame = Frame(state_.Draw(item->itemState & ODS_SELECTED, item->itemState & ODS_DISABLED));
    strip_.Draw(item->hDC, 0, 0, client.right, client.bottom, frame.x, 0, frame.width, strip_.Height());
}

LRESULT CSkinButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (Default() == -1)
            return -1;
        SetUpOwnerDraw();
        return 0;
    case WM_MOUSEMOVE: {
        const LRESULT result = Default();
        if (!state_.hover) {
            state_.hover = true;
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), HOVER_DEFAULT};
            ::TrackMouseEvent(&track);
        }
        return result;
    }
    case WM_NCDESTROY:
        state_.hover = false;
        strip_.Destroy();
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSELEAVE:
        state_.Leave();
        ::InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    }
    return OwnerDrawButton::HandleMessage(message, wParam, lParam);
}
