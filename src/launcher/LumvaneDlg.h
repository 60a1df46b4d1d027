#pragma once
// The launcher window: login mode (shaped, under the backdrop) and game mode (maximised, with the
// caption bar and the edge bars), its borderless frame, the tray icon and every way of quitting.
#include <windows.h>
#include <shellapi.h>

#include <array>

#include "framework/Dialog.h"
#include "framework/ToolTip.h"
#include "page/ClentDlalog.h"
#include "skin/BottomBarDlg.h"
#include "skin/LayEredDlg.h"
#include "skin/LRBarDlg.h"
#include "skin/SkinImage.h"
#include "skin/SkinPreload.h"
#include "skin/TopBarDlg.h"

class CLumvaneDlg : public Dialog, private PageHostEvents {
public:
    // The launcher menu opens with its top left corner at the pointer from the tray, and with its
    // top right corner there from the caption bar's menu button.
    static constexpr UINT kTrayMenuFlags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON;
    static constexpr UINT kCaptionMenuFlags = TPM_RIGHTALIGN | TPM_RIGHTBUTTON;

    CLumvaneDlg() noexcept;
    ~CLumvaneDlg() override;

    void EnterGameMode() noexcept;
    void ReturnToLoginMode();
    void ToggleMaximize() noexcept;
    void ToggleVisibility() noexcept;
    // Asks before quitting; returns the answer only when the user does not confirm, and 0 without
    // asking while the question is already open.
    int ConfirmExit() noexcept;
    void PopupLauncherMenu(UINT flags) noexcept;

    bool InGameMode() const noexcept { return gameMode_ != 0; }
    HWND CaptionBarWindow() const noexcept { return captionBar_.hwnd(); }
    HWND BackdropWindow() const noexcept { return backdrop_.hwnd(); }
    HWND PageHostWindow() const noexcept { return pageHost_.hwnd(); }
    HWND LeftBarWindow() const noexcept { return leftBar_.hwnd(); }
    HWND RightBarWindow() const noexcept { return rightBar_.hwnd(); }
    HWND BottomBarWindow() const noexcept { return bottomBar_.hwnd(); }
    CClentDlalog& PageHost() noexcept { return pageHost_; }

    bool PreTranslateMessage(MSG* message) noexcept override;

protected:
    // Each step copes with its own failure, so the window always finishes starting.
    BOOL OnInitDialog() noexcept override;
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // What the page asks for.
    void OnEnterGame() override { EnterGameMode(); }
    void OnGotoLogin() override { ReturnToLoginMode(); }
    void OnServerTitle(const wchar_t* title) override;

    static constexpr UINT kFinishStartMessage = WM_APP + 1;

    void FinishStart() noexcept;
    void CreatePageHost() noexcept;
    void ShowBackdrop(SkinImage& backdrop, WORD artworkId) noexcept;
    void ApplyLoginShape() noexcept;
    NOTIFYICONDATAW TrayIconRecord() const noexcept;
    void AddTrayIcon() noexcept;
    [[noreturn]] void Quit() noexcept;

    void OnPaint() noexcept;
    void OnSize(UINT type, int cx, int cy) noexcept;
    void OnWindowPosChanged(const WINDOWPOS& position) noexcept;
    void OnShowWindow(BOOL show) noexcept;
    LRESULT OnNcHitTest(POINT screen) noexcept;
    void OnNcLButtonDown(UINT hitCode, POINT screen) noexcept;
    void OnLButtonDown(POINT client) noexcept;
    void OnMouseMove(POINT client) noexcept;
    void OnNcMouseMove(POINT screen) noexcept;
    void OnMouseLeave() noexcept;
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) noexcept;
    bool OnCommand(UINT id) noexcept;

    SkinPreload skins_;
    CTopBarDlg captionBar_;
    LRBarDlg leftBar_;
    LRBarDlg rightBar_;
    BottomBarDlg bottomBar_;
    HICON icon_;
    CLayEredDlg backdrop_;
    CClentDlalog pageHost_;
    SIZE loginSize_{}; // the backdrop image's, which the layered window holds once it shows
    std::array<SkinImage, 3> closeSpotImages_;
    BYTE closeSpotHover_ = 0;
    RECT closeSpotRect_{};
    ToolTip closeSpotTip_; // in login mode only
    int gameMode_ = 0;
    int verticalFrameOffset_ = 0;
    int horizontalFrameOffset_ = 0;
    bool exitQuestionOpen_ = false;
    const UINT taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    bool startFinished_ = false;
};
