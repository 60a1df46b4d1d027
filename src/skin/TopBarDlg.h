#pragma once
// The game-mode caption bar: a three-slice skin with the launcher's title in white, five skin
// buttons at its right end (close, maximise/restore, minimise, hide, menu). It shows its parent's
// title, drags its parent, and hands its button clicks and double-click to its parent as commands.
// Each button carries its name as its window text and as its tooltip; the maximise button's name
// follows its parent's state.
#include <array>

#include "framework/ToolTip.h"
#include "skin/SkinBarDlg.h"
#include "skin/SkinButton.h"
#include "skin/SkinImage.h"

class CTopBarDlg : public SkinBarDlg {
public:
    explicit CTopBarDlg(SkinSource& skins) noexcept : SkinBarDlg(135, skins) {}

protected:
    void DoDataExchange() noexcept override;
    BOOL OnInitDialog() override;
    void Paint(HDC dc) const override;
    bool Initialised() const noexcept override { return ::IsWindow(close_.hwnd()); }
    void LayOut(int cx) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintTitle(HDC dc) const noexcept;
    void NameButtons() noexcept;
    void NameMaximizeButton() noexcept;
    // Close, maximise/restore, minimise, hide and menu: their order from the right end.
    std::array<const CSkinButton*, 5> Buttons() const noexcept
    {
        return {&close_, &maximize_, &minimize_, &hide_, &menu_};
    }

    SkinImage leftCap_;
    SkinImage tile_;
    SkinImage rightCap_;
    CSkinButton close_;
    CSkinButton maximize_;
    CSkinButton minimize_;
    CSkinButton hide_;
    CSkinButton menu_;
    ToolTip toolTip_;
    const wchar_t* maximizeName_ = nullptr;
};
