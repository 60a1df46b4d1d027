#pragma once
// A game-mode side bar: a disabled child that tiles its skin down its height.
#include "skin/SkinBarDlg.h"
#include "skin/SkinImage.h"

class LRBarDlg : public SkinBarDlg {
public:
    explicit LRBarDlg(SkinSource& skins) noexcept : SkinBarDlg(136, skins) {}

protected:
    BOOL OnInitDialog() override;
    void Paint(HDC dc) const override;
    bool Initialised() const noexcept override { return !tile_.IsNull(); }

private:
    SkinImage tile_;
};
