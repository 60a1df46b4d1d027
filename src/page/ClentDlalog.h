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
    // What the browser refuses, for the whole process, once a page host is made: only what a platform
    // page has no business doing. New windows, file downloads and add-ons stay as the control has
    // them, for the platform's payment and download pages; the README's table gives the reason for
    // each control.
    static constexpr INTERNETFEATURELIST kBrowserLockdown[] = {
        FEATURE_OBJECT_CACHING,        FEATURE_ZONE_ELEVATION,
        FEATURE_MIME_HANDLING,         FEATURE_MIME_SNIFFING,
        FEATURE_BEHAVIORS,             FEATURE_DISABLE_MK_PROTOCOL,
        FEATURE_LOCALMACHINE_LOCKDOWN, FEATURE_VALIDATE_NAVIGATE_URL,
        FEATURE_PROTOCOL_LOCKDOWN,     FEATURE_HTTP_USERNAME_PASSWORD_DISABLE,
        FEATURE_SAFE_BINDTOOBJECT,     FEATURE_UNC_SAVEDFILECHECK,
        FEATURE_DISABLE_TELNET_PROTOCOL,
    };

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
