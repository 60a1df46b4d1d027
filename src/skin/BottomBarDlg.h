#pragma once
// The game-mode bottom bar: a disabled child with a three-slice skin across its width.
#include "skin/SkinBarDlg.h"
#include "skin/SkinImage.h"

class BottomBarDlg : public SkinBarDlg {
public:
    explicit BottomBarDlg(SkinSource& skins) noexcept : SkinBarDlg(162, skins) {}

protected:
    BOOL OnInitDialog() override;
    void Paint(HDC dc) const override;
    bool Initialised() const noexcept override { return !leftCap_.IsNull(); }

private:
    SkinImage leftCap_;
    SkinImage tile_;
    SkinImage rightCap_;
};
