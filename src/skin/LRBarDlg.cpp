#include "skin/LRBarDlg.h"

#include "resource.h"
#include "skin/BarPaint.h"

BOOL LRBarDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    skins_.Load(tile_, IDB_SIDE_TILE);
    return TRUE;
}

void LRBarDlg::Paint(HDC dc) const
{
    RECT client;
    ::GetClientRect(hwnd(), &client);
    DrawTileColumn(dc, client.bottom, tile_);
}
