#pragma once
// The login-mode backdrop: a layered popup owned by the launcher window that shows the backdrop
// image with per-pixel alpha; a press on its pixels drags the launcher window.
#include "framework/Dialog.h"
#include "skin/SkinImage.h"

class CLayEredDlg : public Dialog {
public:
    CLayEredDlg() noexcept : Dialog(134) {}
    // The image is the launcher window's; the backdrop only shows it.
    void SetImage(const SkinImage* image) noexcept { image_ = image; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    const SkinImage* image_ = nullptr;
};
