#pragma once
// A game-mode bar: a child dialog that paints its skin in WM_ERASEBKGND, in WM_PAINT and once more
// at the end of WM_SIZE, once its initialisation has loaded the skin from the bar's skin source.
#include "framework/Dialog.h"
#include "skin/SkinImage.h"

class SkinBarDlg : public Dialog {
protected:
    SkinBarDlg(UINT templateId, SkinSource& skins) noexcept : Dialog(templateId), skins_(skins) {}

    virtual void Paint(HDC dc) const = 0;
    // False for the WM_SIZE that arrives while the dialog is created, before its initialisation.
    virtual bool Initialised() const noexcept = 0;
    virtual void LayOut(int /*cx*/) {}

    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    SkinSource& skins_;
};
