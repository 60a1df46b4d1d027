#pragma once
// A dialog whose client area is the WebBrowser control: the control is hosted with the dialog's own
// site object, its navigation events come back as virtual calls, and a page may reach an
// automation object of the dialog's choosing as window.external.
#include <exdisp.h>
#include <oleidl.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <span>

#include "framework/Dialog.h"

class HtmlDialog : public Dialog {
public:
    // lockdown: internet feature controls switched on for the whole process before the browser is made;
    // the dialog keeps the view, so the list lives as long (a constant array).
    explicit HtmlDialog(UINT templateId, std::span<const INTERNETFEATURELIST> lockdown = {}) noexcept;
    ~HtmlDialog() override;

    // Opens url in the browser: no flags, no target frame, no headers, no post data.
    void Navigate(const wchar_t* url) noexcept;
    IWebBrowser2* Browser() const noexcept { return browser_.Get(); }

    // Hands keys to the browser first (Tab, Enter, Escape and the page's own accelerators).
    bool PreTranslateMessage(MSG* message) noexcept override;

protected:
    // Creates the browser over the client area; without a browser the dialog destroys itself.
    BOOL OnInitDialog() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The object a page sees as window.external, handed out only while CanAccessExternal agrees.
    void SetExternalDispatch(IDispatch* external) noexcept { external_ = external; }
    virtual bool CanAccessExternal() noexcept { return false; }

    // The browser's navigation events for the top-level page and every frame, with the URL as the
    // browser gives it.
    virtual void OnBeforeNavigate(IDispatch*, const wchar_t*) {}
    virtual void OnNavigateComplete(IDispatch*, const wchar_t*) {}
    virtual void OnDocumentComplete(IDispatch*, const wchar_t*) {}

private:
    class Site;

    void LockDownBrowserFeatures() const noexcept;
    HRESULT CreateBrowser() noexcept;
    void DestroyBrowser() noexcept;
    void FitBrowser() noexcept;

    std::span<const INTERNETFEATURELIST> lockdown_;
    Microsoft::WRL::ComPtr<Site> site_;
    Microsoft::WRL::ComPtr<IOleObject> control_;
    Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
    Microsoft::WRL::ComPtr<IDispatch> external_;
    DWORD eventCookie_ = 0;
};
