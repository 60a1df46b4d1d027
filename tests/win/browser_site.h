#pragma once
// What the tests do in the browser's place: reach the page host's site as the browser holds it, and
// fire DocumentComplete as the control fires it. Header only: Lumvane_e2e.exe's remote shim uses
// it too.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <string>

#include "framework/HtmlDialog.h"

// The site the page host gave its browser, or null.
inline Microsoft::WRL::ComPtr<IOleClientSite> SiteOf(const HtmlDialog& host)
{
    Microsoft::WRL::ComPtr<IOleObject> control;
    Microsoft::WRL::ComPtr<IOleClientSite> site;
    if (host.Browser() && SUCCEEDED(host.Browser()->QueryInterface(IID_PPV_ARGS(&control))))
        control->GetClientSite(&site);
    return site;
}

// One of the site's interfaces, asked for as the browser asks, or null.
template <typename Interface>
Microsoft::WRL::ComPtr<Interface> SiteAs(const HtmlDialog& host)
{
    Microsoft::WRL::ComPtr<Interface> answer;
    if (const Microsoft::WRL::ComPtr<IOleClientSite> site = SiteOf(host))
        site.As(&answer);
    return answer;
}

// DocumentComplete(pDisp, URL) on one DWebBrowserEvents2 sink: the arguments in reverse order, the
// frame's browser object, then the URL as a BSTR by reference.
inline HRESULT FireDocumentComplete(IDispatch* sink, IDispatch* browser, const std::wstring& url)
{
    VARIANT address;
    ::VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    VARIANT arguments[2];
    arguments[0].vt = VT_VARIANT | VT_BYREF;
    arguments[0].pvarVal = &address;
    arguments[1].vt = VT_DISPATCH;
    arguments[1].pdispVal = browser;
    DISPPARAMS parameters{arguments, nullptr, 2, 0};
    const HRESULT invoked = sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                         &parameters, nullptr, nullptr, nullptr);
    ::VariantClear(&address);
    return invoked;
}
