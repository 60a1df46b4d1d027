#include "skin/LayEredDlg.h"

#include <windowsx.h>

#include "framework/StartupMarks.h"
#include "framework/Window.h"

BOOL CLayEredDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    STARTUP_MARK("backdrop_created");
    const LONG exStyle = ::GetWindowLongW(hwnd(), GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED))
        ::SetWindowLongW(hwnd(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    STARTUP_MARK("backdrop_layered");

    if (HDC source = image_ ? image_->GetDC() : nullptr) {
        SIZE size{image_->Width(), image_->Height()};
        POINT origin{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::UpdateLayeredWindow(hwnd(), nullptr, nullptr, &size, source, &origin, 0, &blend, ULW_ALPHA);
        STARTUP_MARK("layered_update");
        CenterWindow(hwnd());
        STARTUP_MARK("backdrop_centred");
        ::ShowWindow(hwnd(), SW_SHOW);
        STARTUP_MARK("backdrop_shown");
        image_->ReleaseDC();
    }
    return TRUE;
}

LRESULT CLayEredDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        // The point goes in screen coordinates, so a press behaves alike wherever the window stands.
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(hwnd(), &point);
        ::PostMessageW(::GetParent(hwnd()), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
        return 0;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}
