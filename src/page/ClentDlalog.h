#pragma once
// The page host: the platform's web pages in the embedded browser, with the script bridge on the
// page's window.external and the server title taken from every completed document.
#include "framework/HtmlDialog.h"

// What the page asks of the window that hosts the page host; that window connects it at construction.
class PageHostEvents {
public:
    virtual void OnEnterGame() = 0;
    virtual void OnGotoLogin() = 0;
    // A completed document named a server: the title the launcher is to show.
    virtual void OnServerTitle(const wchar_t* title) = 0;

protected:
    ~PageHostEvents() = default;
};

class CClentDlalog : public HtmlDialog {
public:
    explicit CClentDlalog(PageHostEvents& events) noexcept;

    // Leaves Enter and Escape to the page.
    bool PreTranslateMessage(MSG* message) noexcept override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    bool CanAccessExternal() noexcept override { return true; }
    void OnDocumentComplete(IDispatch* browser, const wchar_t* url) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static PageHostEvents* EventsOf(HWND pageHost) noexcept;

    PageHostEvents& events_;
};

// The start URL, opened at start and on Refresh.
inline constexpr wchar_t kStartUrl[] = L"" LUMVANE_START_URL;
