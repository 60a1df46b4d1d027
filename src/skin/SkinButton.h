#pragma once
// An owner-drawn push button painted from a five-frame strip: normal, pressed, (unused), hover,
// disabled. It sizes itself to one frame and never paints a background.
#include "framework/Button.h"
#include "skin/SkinImage.h"
#include "skin/SkinLook.h"

class CSkinButton : public OwnerDrawButton {
public:
    CSkinButton() noexcept = default;

    void LoadStrip(WORD resourceId, SkinSource& skins) noexcept;
    void DrawItem(DRAWITEMSTRUCT* item) noexcept override;

protected:
    void PreSubclassWindow() noexcept override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetUpOwnerDraw() noexcept;
    void SizeToFrame() noexcept;
    StripColumns Frame(SkinFrame frame) const noexcept { return FrameColumns(frame, strip_.Width()); }

    SkinButtonState state_;
    SkinImage strip_;
};
