// What the program does when its own code fails inside a call from the platform: a window handler,
// an automation method or a browser event that throws is answered at that boundary and the process
// goes on; a page's window.close() is refused; failures dropped on purpose leave a trace line; the
// launcher finishes starting when one of its steps runs out of memory.
#include <exdispid.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Dispatch.h"
#include "framework/Handles.h"
#include "framework/HtmlDialog.h"
#include "framework/Trace.h"
#include "framework/Window.h"
#include "launcher_fixture.h"
#include "resource.h"
#include "support.h"

using Microsoft::WRL::ComPtr;

namespace {

// Allocations of at least this many bytes by this thread fail while a LargeAllocationsFail lives.
thread_local std::size_t t_failingSize = SIZE_MAX;

} // namespace

// Every allocation of the test program comes here, so that a test can make some of them fail.
void* operator new(std::size_t size)
{
    if (size >= t_failingSize)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

namespace {

class LargeAllocationsFail {
public:
    explicit LargeAllocationsFail(std::size_t bytes) noexcept { t_failingSize = bytes; }
    ~LargeAllocationsFail() { t_failingSize = SIZE_MAX; }
    LargeAllocationsFail(const LargeAllocationsFail&) = delete;
    LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};

constexpr UINT kThrowOutOfMemory = WM_APP + 1;
constexpr UINT kThrowOther = WM_APP + 2;

// A window whose handler fails on two messages of its own.
class FailingWindow : public Window {
protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kThrowOutOfMemory)
            throw std::bad_alloc();
        if (message == kThrowOther)
            throw std::runtime_error("handler failed");
        return Window::HandleMessage(message, wParam, lParam);
    }
};

TEST(Boundaries, AFailingWindowHandlerGetsTheDefaultAnswerAndTheWindowLivesOn)
{
    FailingWindow window;
    ASSERT_TRUE(window.CreateEx(0, L"STATIC", L"before", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(::SendMessageW(window.hwnd(), kThrowOutOfMemory, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(window.hwnd(), kThrowOther, 0, 0), 0);
    ::SetWindowTextW(window.hwnd(), L"after");
    EXPECT_EQ(WindowTitle(window.hwnd()), L"after") << "the window still handles its messages";
    EXPECT_EQ(Window::FromHandle(window.hwnd()), &window);
}

HRESULT Call(IDispatch* object, DISPID id, VARIANT* result = nullptr)
{
    DISPPARAMS none{};
    return object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, result, nullptr, nullptr);
}

TEST(Boundaries, AFailingScriptMethodIsAnErrorForThePageOnly)
{
    const ComPtr<IDispatch> external = MakeDispatch({
        {L"NoMemory", 1, VT_EMPTY, []() -> int { throw std::bad_alloc(); }},
        {L"Broken", 2, VT_EMPTY, []() -> int { throw std::runtime_error("broken"); }},
        {L"Fine", 3, VT_I4, [] { return 3; }},
    });
    ASSERT_TRUE(external);
    EXPECT_EQ(Call(external.Get(), 1), E_OUTOFMEMORY);
    EXPECT_EQ(Call(external.Get(), 2), DISP_E_EXCEPTION);
    VARIANT result;
    ::VariantInit(&result);
    EXPECT_EQ(Call(external.Get(), 3, &result), S_OK);
    EXPECT_EQ(result.lVal, 3);
}

// A page host whose document handling runs out of memory, standing in a plain parent window.
class FailingHost : public HtmlDialog {
public:
    FailingHost() : HtmlDialog(IDD_PAGE_HOST) {}
    ComPtr<IDispatch> Events() const
    {
        ComPtr<IOleObject> control;
        ComPtr<IOleClientSite> site;
        ComPtr<IDispatch> events;
        if (Browser() && SUCCEEDED(Browser()->QueryInterface(IID_PPV_ARGS(&control))) &&
            SUCCEEDED(control->GetClientSite(&site)))
            site->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(events.GetAddressOf()));
        return events;
    }

protected:
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    void OnDocumentComplete(IDispatch*, const wchar_t*) override { throw std::bad_alloc(); }
};

class BrowserEvents : public testing::Test {
protected:
    void SetUp() override
    {
        parent_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(host_.Create(IDD_PAGE_HOST, parent_));
        events_ = host_.Events();
        ASSERT_TRUE(events_);
    }
    void TearDown() override
    {
        events_.Reset();
        ::DestroyWindow(host_.hwnd());
        ::DestroyWindow(parent_);
    }
    // Raises an event as the control does: arguments last first.
    HRESULT Raise(DISPID event, std::vector<VARIANT> lastFirst)
    {
        DISPPARAMS parameters{lastFirst.data(), nullptr, static_cast<UINT>(lastFirst.size()), 0};
        return events_->Invoke(event, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
    }

    HWND parent_ = nullptr;
    FailingHost host_;
    ComPtr<IDispatch> events_;
};

TEST_F(BrowserEvents, ADocumentHandlerOutOfMemoryIsAnsweredAsSuch)
{
    VARIANT url;
    url.vt = VT_BSTR;
    url.bstrVal = ::SysAllocString(L"http://game.example/ct");
    VARIANT browser;
    browser.vt = VT_DISPATCH;
    browser.pdispVal = nullptr;
    EXPECT_EQ(Raise(DISPID_DOCUMENTCOMPLETE, {url, browser}), E_OUTOFMEMORY);
    ::SysFreeString(url.bstrVal);
    EXPECT_NE(host_.Browser(), nullptr);
}

TEST_F(BrowserEvents, WindowCloseFromThePageIsCancelled)
{
    for (const VARIANT_BOOL child : {VARIANT_FALSE, VARIANT_TRUE}) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT cancelArgument;
        cancelArgument.vt = VT_BOOL | VT_BYREF;
        cancelArgument.pboolVal = &cancel;
        VARIANT isChild;
        isChild.vt = VT_BOOL;
        isChild.boolVal = child;
        EXPECT_EQ(Raise(DISPID_WINDOWCLOSING, {cancelArgument, isChild}), S_OK);
        EXPECT_EQ(cancel, VARIANT_TRUE) << "child window " << (child ? "yes" : "no");
    }
    EXPECT_TRUE(::IsWindow(host_.hwnd()));
    EXPECT_NE(host_.Browser(), nullptr) << "the page stays";
    EXPECT_EQ(Raise(DISPID_WINDOWCLOSING, {}), E_INVALIDARG);
}

TEST(Boundaries, ATraceLineNamesTheFailureAndItsCode)
{
    DebugOutput output;
    TraceFailure(L"adding the tray icon", 0x80004005);
    FailingWindow window;
    window.CreateEx(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    ::SendMessageW(window.hwnd(), kThrowOutOfMemory, 0, 0);

    char handlerLine[64];
    std::snprintf(handlerLine, sizeof(handlerLine), "Lumvane: handling a window message failed (0x%08X)\n",
                  kThrowOutOfMemory);
    const std::vector<std::string>& lines = output.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_STREQ(lines[0].c_str(), "Lumvane: adding the tray icon failed (0x80004005)\n");
    EXPECT_STREQ(lines[1].c_str(), handlerLine);
}

// No memory for the runs of the login shape (one row of its canvas is the first large block the
// launcher asks for while it starts): the window stays uncut, and every other step of its start
// still runs, those that follow the first frame too.
TEST(Boundaries, ALauncherWhoseShapeCannotBeCutStillFinishesStarting)
{
    constexpr std::size_t kShapeRowBytes = 888 * 4;
    DebugOutput output;
    std::optional<LauncherFixture> made;
    {
        LargeAllocationsFail failing(kShapeRowBytes);
        made.emplace(LauncherFixture::kNoMessageHandled);
    }
    LauncherFixture& launcher = *made;
    ASSERT_TRUE(launcher.Created());
    PumpMessages();

    EXPECT_EQ(output.CountOf("Lumvane: cutting the login shape failed (0x00000008)"), 1);
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(::GetWindowRgn(launcher.hwnd(), region.get()), ERROR) << "no shape";
    EXPECT_TRUE(::IsWindowVisible(launcher.hwnd()));
    EXPECT_TRUE(SameRect(WindowRect(launcher.hwnd()), CentredInWorkArea(888, 591)));
    EXPECT_TRUE(::IsWindowVisible(launcher.Backdrop()));
    EXPECT_TRUE(SameRect(WindowRect(launcher.Backdrop()), WindowRect(launcher.hwnd())));
    EXPECT_EQ(WindowTitle(launcher.hwnd()), L"Quarnis-->Brevik");
    EXPECT_TRUE(launcher.HasTrayIcon());
    EXPECT_NE(launcher.CaptionBar(), nullptr) << "the game-mode bars are made";
}

} // namespace
