#include "skin/BottomBarDlg.h"

#include "resource.h"
#include "skin/BarPaint.h"

BOOL BottomBarDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    skins_.Load(leftCap_, IDB_BOTTOM_LEFT);
    skins_.Load(tile_, IDB_BOTTOM_TILE);
    skins_.Load(rightCap_, IDB_BOTTOM_RIGHT);
    return TRUE;
}

void BottomBarDlg::Paint(HDC dc) const
{
    RECT client;
    ::GetClientRect(hwnd(), &client);
    DrawThreeSlice(dc, client.right, leftCap_, tile_, rightCap_);
}
