#pragma once
// A game-mode bar: a child dialog that paints its skin in WM_ERASEBKGND, in WM_PAINT and once more
// at the end of WM_SIZE, once its initialisation has loaded the skin.
#include "framework/Dialog.h"

class SkinBarDlg : public Dialog {
protected:
    using Dialog::Dialog;

    virtual void Paint(HDC dc) const = 0;
    // False for the WM_SIZE that arrives while the dialog is created, before its initialisation.
    virtual bool Initialised() const noexcept = 0;
    virtual void LayOut(int /*cx*/) {}

    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
