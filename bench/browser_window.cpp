// Start-up baseline with the embedded browser: the bare window of bare_window.cpp with a
// WebBrowser control created in it, in-place activated and navigated to the launcher's start URL
// before the window shows, as the launcher does with its page.
// Built with LUMVANE_BENCH_BACKDROP it is the floor of the launcher's first frame: the same, plus
// the launcher's backdrop PNG decoded through WIC on a second thread while the browser is made,
// shown in an owned per-pixel-alpha layered window before the main window shows. Nothing else of
// the launcher (no artwork, close spot, shape, dialog template, tray or shortcut).
#include <windows.h>
#include <exdisp.h>
#include <oleidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <thread>

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kWidth = 888;
constexpr int kHeight = 591;
constexpr wchar_t kStartUrl[] = L"" LUMVANE_START_URL;

// The smallest host the control accepts for in-place activation: a client site that is also the
// in-place site, with no frame and no UI window.
class Site : public IOleClientSite, public IOleInPlaceSite {
public:
    explicit Site(HWND window) noexcept : window_(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *object = static_cast<IOleInPlaceSite*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override { return --references_; }

    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override
    {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    STDMETHODIMP GetWindow(HWND* window) override
    {
        *window = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                  RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) override
    {
        *frame = nullptr;
        *document = nullptr;
        ::GetClientRect(window_, position);
        *clip = *position;
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = window_;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(const RECT*) override { return S_OK; }

private:
    HWND window_;
    ULONG references_ = 1;
};

#ifdef LUMVANE_BENCH_BACKDROP
// The PNG resource decoded to premultiplied BGRA in a top-down DIB section.
HBITMAP DecodeBackdrop(HINSTANCE instance, SIZE* size)
{
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HBITMAP bitmap = nullptr;
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(1), L"PNG");
    auto* bytes = static_cast<BYTE*>(::LockResource(::LoadResource(instance, resource)));
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (bytes && SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(bytes, ::SizeofResource(instance, resource))) &&
        SUCCEEDED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) &&
        SUCCEEDED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&width, &height)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                        0, WICBitmapPaletteTypeCustom))) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = static_cast<LONG>(width);
        info.bmiHeader.biHeight = -static_cast<LONG>(height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* pixels = nullptr;
        bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (bitmap)
            converter->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(pixels));
        *size = {static_cast<LONG>(width), static_cast<LONG>(height)};
    }
    ::CoUninitialize();
    return bitmap;
}

void ShowBackdrop(HINSTANCE instance, HWND owner, HBITMAP bitmap, SIZE size)
{
    RECT place;
    ::GetWindowRect(owner, &place);
    HWND backdrop = ::CreateWindowExW(WS_EX_LAYERED, L"BrowserWindow", L"backdrop", WS_POPUP, place.left, place.top,
                                      size.cx, size.cy, owner, nullptr, instance, nullptr);
    HDC source = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(source, bitmap);
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(backdrop, nullptr, nullptr, &size, source, &origin, 0, &blend, ULW_ALPHA);
    ::SelectObject(source, previous);
    ::DeleteDC(source);
    ::ShowWindow(backdrop, SW_SHOWNOACTIVATE);
}
#endif

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    ::OleInitialize(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"BrowserWindow";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"browser window", WS_POPUP | WS_CLIPCHILDREN,
                                    (::GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
                                    (::GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight, nullptr,
                                    nullptr, instance, nullptr);

#ifdef LUMVANE_BENCH_BACKDROP
    SIZE backdropSize{};
    HBITMAP backdrop = nullptr;
    std::thread decoding([&] { backdrop = DecodeBackdrop(instance, &backdropSize); });
#endif
    Site site(window);
    ComPtr<IOleObject> control;
    ComPtr<IWebBrowser2> browser;
    if (SUCCEEDED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)))) {
        control->SetClientSite(&site);
        RECT area;
        ::GetClientRect(window, &area);
        control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &area);
        if (SUCCEEDED(control.As(&browser))) {
            VARIANT empty;
            ::VariantInit(&empty);
            BSTR url = ::SysAllocString(kStartUrl);
            browser->Navigate(url, &empty, &empty, &empty, &empty);
            ::SysFreeString(url);
        }
    }
#ifdef LUMVANE_BENCH_BACKDROP
    decoding.join();
    if (backdrop)
        ShowBackdrop(instance, window, backdrop, backdropSize);
#endif
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    if (control) {
        control->Close(OLECLOSE_NOSAVE);
        control->SetClientSite(nullptr);
    }
    browser.Reset();
    control.Reset();
    ::OleUninitialize();
    return 0;
}
