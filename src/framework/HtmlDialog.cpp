#include "framework/HtmlDialog.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>

#include <new>

#include "framework/Handles.h"
#include "framework/Trace.h"

using Microsoft::WRL::ComPtr;

namespace {

using UniqueBstr = UniqueHandle<BSTR, ::SysFreeString>;

constexpr DWORD kHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;

// An event's URL argument: a BSTR, directly or behind a VARIANT reference; empty text when it is neither.
const wchar_t* UrlArgument(const VARIANT& argument) noexcept
{
    const VARIANT& value = argument.vt == (VT_VARIANT | VT_BYREF) && argument.pvarVal ? *argument.pvarVal : argument;
    return value.vt == VT_BSTR && value.bstrVal ? value.bstrVal : L"";
}

IDispatch* BrowserArgument(const VARIANT& argument) noexcept
{
    return argument.vt == VT_DISPATCH ? argument.pdispVal : nullptr;
}

} // namespace

// The browser's one container object: client site, in-place site and frame, host UI handler and the
// sink of its navigation events. The browser holds it by reference count, so it may outlive the
// dialog; Detach cuts it off from the dialog when the browser is torn down. It is made without a
// reference: the first ComPtr takes one (mingw-w64's ComPtr::Attach adds a reference of its own).
class HtmlDialog::Site final : public IOleClientSite,
                               public IOleInPlaceSite,
                               public IOleInPlaceFrame,
                               public IDocHostUIHandler,
                               public DWebBrowserEvents2 {
public:
    explicit Site(HtmlDialog& host) noexcept : host_(&host) {}
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    void Detach() noexcept { host_ = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *object = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDocHostUIHandler)
            *object = static_cast<IDocHostUIHandler*>(this);
        else if (iid == DIID_DWebBrowserEvents2 || iid == IID_IDispatch)
            *object = static_cast<DWebBrowserEvents2*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ::InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const ULONG left = ::InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override
    {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) noexcept override
    {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() noexcept override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

    // IOleWindow, for the in-place site and the frame alike
    STDMETHODIMP GetWindow(HWND* window) noexcept override
    {
        *window = host_ ? host_->hwnd() : nullptr;
        return *window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() noexcept override { return host_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() noexcept override { return S_OK; }
    STDMETHODIMP OnUIActivate() noexcept override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                  RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) noexcept override
    {
        *frame = nullptr;
        *document = nullptr;
        if (!host_)
            return E_FAIL;
        *frame = this;
        AddRef();
        ::GetClientRect(host_->hwnd(), position);
        *clip = *position;
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = host_->hwnd();
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() noexcept override { return S_OK; }
    STDMETHODIMP DiscardUndoState() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(const RECT*) noexcept override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status bar to share
    STDMETHODIMP GetBorder(RECT*) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(const BORDERWIDTHS*) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(const BORDERWIDTHS*) noexcept override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) noexcept override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) noexcept override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(MSG*, WORD) noexcept override { return S_FALSE; }

    // IDocHostUIHandler: the browser keeps its own context menu and accelerators
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept override { return S_FALSE; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) noexcept override
    {
        if (!info)
            return E_POINTER;
        info->dwFlags = kHostFlags;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) noexcept override
    {
        return S_FALSE;
    }
    STDMETHODIMP HideUI() noexcept override { return S_OK; }
    STDMETHODIMP UpdateUI() noexcept override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(MSG*, const GUID*, DWORD) noexcept override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept override
    {
        *key = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) noexcept override
    {
        *target = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** external) noexcept override
    {
        if (!external)
            return E_POINTER;
        *external = nullptr;
        if (!host_ || !host_->external_ || !host_->CanAccessExternal())
            return S_FALSE;
        return host_->external_.CopyTo(external);
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) noexcept override
    {
        *translated = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** filtered) noexcept override
    {
        *filtered = nullptr;
        return S_FALSE;
    }

    // IDispatch, as DWebBrowserEvents2
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override
    {
        *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                        UINT*) noexcept override;

private:
    ~Site() = default;
    static HRESULT RefuseToClose(DISPPARAMS* parameters) noexcept;

    LONG references_ = 0;
    HtmlDialog* host_;
};

STDMETHODIMP HtmlDialog::Site::Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                      EXCEPINFO*, UINT*) noexcept
{
    if (event == DISPID_WINDOWCLOSING)
        return RefuseToClose(parameters);
    if (event != DISPID_BEFORENAVIGATE2 && event != DISPID_NAVIGATECOMPLETE2 && event != DISPID_DOCUMENTCOMPLETE)
        return DISP_E_MEMBERNOTFOUND;
    if (!parameters || parameters->cArgs < 2 || !host_)
        return S_OK;
    try {
        // Arguments arrive last first: the frame's browser object has the highest index, its URL the next.
        IDispatch* browser = BrowserArgument(parameters->rgvarg[parameters->cArgs - 1]);
        const wchar_t* url = UrlArgument(parameters->rgvarg[parameters->cArgs - 2]);
        if (event == DISPID_BEFORENAVIGATE2)
            host_->OnBeforeNavigate(browser, url);
        else if (event == DISPID_NAVIGATECOMPLETE2)
            host_->OnNavigateComplete(browser, url);
        else
            host_->OnDocumentComplete(browser, url);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    return S_OK;
}

// A page's window.close() would leave the dialog without its page: the browser is told to stay.
// The arguments, last first: the cancel flag by reference, then whether a child window closes.
HRESULT HtmlDialog::Site::RefuseToClose(DISPPARAMS* parameters) noexcept
{
    if (!parameters || parameters->cArgs < 1)
        return E_INVALIDARG;
    VARIANT& cancel = parameters->rgvarg[0];
    if (cancel.vt != (VT_BOOL | VT_BYREF) || !cancel.pboolVal)
        return E_INVALIDARG;
    *cancel.pboolVal = VARIANT_TRUE;
    return S_OK;
}

HtmlDialog::HtmlDialog(UINT templateId, std::span<const INTERNETFEATURELIST> lockdown) noexcept
    : Dialog(templateId), lockdown_(lockdown)
{
}

HtmlDialog::~HtmlDialog()
{
    DestroyBrowser();
}

void HtmlDialog::Navigate(const wchar_t* url) noexcept
{
    if (!browser_ || !url)
        return;
    const UniqueBstr address(::SysAllocString(url));
    if (!address)
        return;
    VARIANT none;
    ::VariantInit(&none);
    if (const HRESULT result = browser_->Navigate(address.get(), &none, &none, &none, &none); FAILED(result))
        TraceFailure(L"navigating the browser", static_cast<DWORD>(result));
}

bool HtmlDialog::PreTranslateMessage(MSG* message) noexcept
{
    if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST && browser_) {
        ComPtr<IOleInPlaceActiveObject> active;
        if (SUCCEEDED(browser_.As(&active)) && active->TranslateAccelerator(message) == S_OK)
            return true;
    }
    return Dialog::PreTranslateMessage(message);
}

BOOL HtmlDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    if (const HRESULT result = CreateBrowser(); FAILED(result)) {
        TraceFailure(L"creating the browser control", static_cast<DWORD>(result));
        DestroyBrowser();
        ::DestroyWindow(hwnd());
        return FALSE;
    }
    return TRUE;
}

LRESULT HtmlDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Default();
        FitBrowser();
        return 0;
    case WM_DESTROY:
        DestroyBrowser();
        break;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}

// Feature controls belong to the process and hold for each of its browsers. A browser works without
// them, so a refusal is traced and the browser made all the same.
void HtmlDialog::LockDownBrowserFeatures() const noexcept
{
    for (const INTERNETFEATURELIST feature : lockdown_) {
        if (const HRESULT result = ::CoInternetSetFeatureEnabled(feature, SET_FEATURE_ON_PROCESS, TRUE); FAILED(result))
            TraceFailure(L"switching on a browser feature control", static_cast<DWORD>(result));
    }
}

HRESULT HtmlDialog::CreateBrowser() noexcept
{
    LockDownBrowserFeatures();
    site_ = new (std::nothrow) Site(*this);
    if (!site_)
        return E_OUTOFMEMORY;
    HRESULT result = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control_));
    if (SUCCEEDED(result))
        result = control_->SetClientSite(site_.Get());
    RECT client;
    ::GetClientRect(hwnd(), &client);
    if (SUCCEEDED(result))
        result = control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, hwnd(), &client);
    if (SUCCEEDED(result))
        result = control_.As(&browser_);
    if (FAILED(result))
        return result;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> events;
    if (SUCCEEDED(control_.As(&container)) && SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &events)))
        events->Advise(static_cast<DWebBrowserEvents2*>(site_.Get()), &eventCookie_);
    return S_OK;
}

// Gives the browser back its references to the site, then cuts the site off from this dialog.
void HtmlDialog::DestroyBrowser() noexcept
{
    if (control_) {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> events;
        if (eventCookie_ && SUCCEEDED(control_.As(&container)) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &events)))
            events->Unadvise(eventCookie_);
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
    }
    eventCookie_ = 0;
    browser_.Reset();
    control_.Reset();
    external_.Reset();
    if (site_) {
        site_->Detach();
        site_.Reset();
    }
}

void HtmlDialog::FitBrowser() noexcept
{
    ComPtr<IOleInPlaceObject> inPlace;
    if (!control_ || FAILED(control_.As(&inPlace)))
        return;
    RECT client;
    ::GetClientRect(hwnd(), &client);
    inPlace->SetObjectRects(&client, &client);
}
