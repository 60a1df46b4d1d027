#pragma once
// The page host: the platform's web pages in the embedded browser, with the script bridge on the
// page's window.external and the server title taken from every completed document.
#include "framework/HtmlDialog.h"

class CClentDlalog : public HtmlDialog {
public:
    CClentDlalog() noexcept;

    // Leaves Enter and Escape to the page.
    bool PreTranslateMessage(MSG* message) noexcept override;

protected:
    BOOL OnInitDialog() noexcept override;
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    bool CanAccessExternal() noexcept override { return true; }
    void OnDocumentComplete(IDispatch* browser, const char* url) noexcept override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
};

// The start URL, opened at start and on Refresh.
inline constexpr char kStartUrl[] = LUMVANE_START_URL;
