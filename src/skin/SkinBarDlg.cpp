#include "skin/SkinBarDlg.h"

#include "framework/Handles.h"

LRESULT SkinBarDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        Paint(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        PaintDc dc(hwnd());
        Paint(dc.get());
        return 0;
    }
    case WM_SIZE:
        Default();
        if (Initialised()) {
            LayOut(LOWORD(lParam));
            Paint(WindowDc(hwnd()).get());
        }
        return 0;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}
