// The page host inside a real launcher window: the script bridge driven by Wine's JScript engine,
// the server title from the browser's DocumentComplete, Refresh seen through the control's own
// navigation events, and the Enter and Escape keys.
#include <activscp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Dispatch.h"
#include "framework/Handles.h"
#include "launcher/LumvaneDlg.h"
#include "browser_site.h"
#include "launcher_fixture.h"
#include "resource.h"
#include "page_events.h"
#include "support.h"

using Microsoft::WRL::ComPtr;

namespace {

// The external object, asked for as the browser asks for it.
ComPtr<IDispatch> External(LauncherFixture& launcher)
{
    ComPtr<IDispatch> external;
    if (const ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(launcher->PageHost()))
        handler->GetExternal(&external);
    return external;
}

// What the launcher looks like at one moment.
struct Mode {
    bool game;
    bool zoomed;
    bool backdropVisible;
    bool shaped;
    RECT window;

    bool operator==(const Mode& other) const
    {
        return game == other.game && zoomed == other.zoomed && backdropVisible == other.backdropVisible &&
               shaped == other.shaped && ::EqualRect(&window, &other.window);
    }
};

Mode ModeOf(LauncherFixture& launcher)
{
    Mode mode{launcher->InGameMode(), ::IsZoomed(launcher.hwnd()) != FALSE,
              ::IsWindowVisible(launcher->BackdropWindow()) != FALSE, false, {}};
    const UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    mode.shaped = ::GetWindowRgn(launcher.hwnd(), region.get()) != ERROR;
    ::GetWindowRect(launcher.hwnd(), &mode.window);
    return mode;
}

// A minimal host for Wine's JScript engine: named items are IDispatch objects, errors are counted.
class ScriptSite final : public IActiveScriptSite {
public:
    std::map<std::wstring, IDispatch*> items;
    int errors = 0;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override
    {
        if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) {
            *object = static_cast<IActiveScriptSite*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The site lives on the test's stack and outlives the engine.
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }

    STDMETHODIMP GetLCID(LCID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) noexcept override
    {
        if (mask & SCRIPTINFO_ITYPEINFO)
            *info = nullptr;
        const auto found = items.find(name);
        if (found == items.end())
            return TYPE_E_ELEMENTNOTFOUND;
        if (mask & SCRIPTINFO_IUNKNOWN) {
            *item = found->second;
            (*item)->AddRef();
        }
        return S_OK;
    }
    STDMETHODIMP GetDocVersionString(BSTR*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) noexcept override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) noexcept override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError*) noexcept override
    {
        ++errors;
        return S_OK;
    }
    STDMETHODIMP OnEnterScript() noexcept override { return S_OK; }
    STDMETHODIMP OnLeaveScript() noexcept override { return S_OK; }
};

// A JScript engine with the given objects as global names, as a page sees window.external.
class Script {
public:
    explicit Script(std::map<std::wstring, IDispatch*> items)
    {
        site_.items = std::move(items);
        CLSID jscript;
        if (FAILED(::CLSIDFromProgID(L"JScript", &jscript)) ||
            FAILED(::CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&engine_))) ||
            FAILED(engine_.As(&parser_)) || FAILED(engine_->SetScriptSite(&site_)) || FAILED(parser_->InitNew()))
            return;
        for (const auto& [name, object] : site_.items)
            engine_->AddNamedItem(name.c_str(), SCRIPTITEM_ISVISIBLE);
        ready_ = SUCCEEDED(engine_->SetScriptState(SCRIPTSTATE_CONNECTED));
    }
    ~Script()
    {
        if (engine_)
            engine_->Close();
    }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    bool Ready() const noexcept { return ready_; }
    int Errors() const noexcept { return site_.errors; }

    HRESULT Run(const wchar_t* code) { return Parse(code, 0, nullptr); }

    // The value of an expression; VT_ERROR when the script failed.
    VARIANT Evaluate(const wchar_t* code)
    {
        VARIANT value;
        ::VariantInit(&value);
        if (FAILED(Parse(code, SCRIPTTEXT_ISEXPRESSION, &value)))
            value.vt = VT_ERROR;
        return value;
    }

private:
    HRESULT Parse(const wchar_t* code, DWORD flags, VARIANT* result)
    {
        EXCEPINFO exception{};
        const HRESULT parsed = parser_->ParseScriptText(code, nullptr, nullptr, nullptr, 0, 0, flags, result, &exception);
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
        return parsed;
    }

    ScriptSite site_;
    ComPtr<IActiveScript> engine_;
    ComPtr<IActiveScriptParse> parser_;
    bool ready_ = false;
};

std::wstring Text(const VARIANT& value)
{
    return value.vt == VT_BSTR ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : L"";
}

TEST(ScriptBridge, AnswersVersionAndLoginClientInAnyLetterCase)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const ComPtr<IDispatch> external = External(launcher);
    ASSERT_TRUE(external);
    Script script({{L"external", external.Get()}});
    ASSERT_TRUE(script.Ready());

    VARIANT version = script.Evaluate(L"external.GetVersion()");
    EXPECT_EQ(version.vt, VT_I4);
    EXPECT_EQ(version.lVal, 3);
    version = script.Evaluate(L"external.getversion() + external.GETVERSION()");
    EXPECT_EQ(version.vt, VT_I4);
    EXPECT_EQ(version.lVal, 6);

    VARIANT answer = script.Evaluate(L"external.IsUserLoginClient() === true");
    EXPECT_EQ(answer.vt, VT_BOOL);
    EXPECT_EQ(answer.boolVal, VARIANT_TRUE);
    answer = script.Evaluate(L"typeof external.isuserloginclient()");
    EXPECT_EQ(Text(answer), L"boolean");
    ::VariantClear(&answer);

    answer = script.Evaluate(L"typeof external.GotoLogin()");
    EXPECT_EQ(Text(answer), L"undefined");
    ::VariantClear(&answer);
    EXPECT_EQ(script.Errors(), 0);
    EXPECT_FALSE(launcher->InGameMode());
}

TEST(ScriptBridge, UnknownNamesAndArgumentsAreScriptErrors)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const ComPtr<IDispatch> external = External(launcher);
    ASSERT_TRUE(external);
    Script script({{L"external", external.Get()}});
    ASSERT_TRUE(script.Ready());

    int errors = 0;
    for (const wchar_t* code : {L"external.EnterGames()", L"external.Enter_Game()", L"external.Navigate()",
                                L"external.EnterGame(1)", L"external.GetVersion('x', 2)"}) {
        EXPECT_TRUE(FAILED(script.Run(code))) << code;
        EXPECT_EQ(script.Errors(), ++errors) << code;
    }
    EXPECT_FALSE(launcher->InGameMode()) << "EnterGame with an argument is refused, not run";
    script.Run(L"var probe = external.EnterGame; var kind = typeof external.entergame;");
    EXPECT_FALSE(launcher->InGameMode()) << "reading EnterGame without calling it does nothing";

    // The names and their ids as any automation client sees them.
    const wchar_t* names[] = {L"ENTERGAME", L"gotologin", L"GetVersion", L"IsUserLoginClient", L"Missing"};
    for (int index = 0; index < 4; ++index) {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(names[index]);
        EXPECT_EQ(external->GetIDsOfNames(IID_NULL, &name, 1, 0x0409, &id), S_OK);
        EXPECT_EQ(id, index + 1) << "member id of " << testing::PrintToString(std::wstring(names[index]));
    }
    DISPID ids[2] = {0, 0};
    LPOLESTR missing[] = {const_cast<LPOLESTR>(names[4]), const_cast<LPOLESTR>(names[2])};
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, missing, 2, 0x0409, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    DISPPARAMS none{};
    EXPECT_EQ(external->Invoke(5, IID_NULL, 0x0409, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(external->Invoke(0, IID_NULL, 0x0409, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

// A second named item lets the script ask the launcher's state between its own calls.
TEST(ScriptBridge, ModeSwitchesAreCompleteBeforeTheCallReturns)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const ComPtr<IDispatch> external = External(launcher);
    ASSERT_TRUE(external);
    std::vector<Mode> seen;
    const ComPtr<IDispatch> probe = MakeDispatch({{L"Look", 1, VT_EMPTY, [&] {
                                                       seen.push_back(ModeOf(launcher));
                                                       return 0;
                                                   }}});
    Script script({{L"external", external.Get()}, {L"probe", probe.Get()}});
    ASSERT_TRUE(script.Ready());
    const Mode login = ModeOf(launcher);
    ASSERT_FALSE(login.game);
    ASSERT_TRUE(login.shaped);

    VARIANT result = script.Evaluate(L"probe.Look(), external.entergame()");
    EXPECT_EQ(result.vt, VT_EMPTY);
    ASSERT_EQ(script.Run(L"probe.Look()"), S_OK);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0] == login);
    const Mode game = seen[1];
    EXPECT_TRUE(game.game);
    EXPECT_TRUE(game.zoomed);
    EXPECT_FALSE(game.backdropVisible);
    EXPECT_FALSE(game.shaped);

    PumpMessages(50);
    const Mode settled = ModeOf(launcher);
    ASSERT_EQ(script.Run(L"external.EnterGame(); probe.Look()"), S_OK);
    EXPECT_TRUE(seen.back() == settled) << "a second EnterGame changes nothing";

    ASSERT_EQ(script.Run(L"external.GotoLogin(); probe.Look()"), S_OK);
    const Mode back = seen.back();
    EXPECT_FALSE(back.game);
    EXPECT_TRUE(back.backdropVisible);
    EXPECT_EQ(back.window.right - back.window.left, login.window.right - login.window.left);
    EXPECT_EQ(back.window.bottom - back.window.top, login.window.bottom - login.window.top);
    EXPECT_EQ(script.Errors(), 0);
}

TEST(ScriptBridge, PageHostReportsToItsEventsAndLeavesItsParentAlone)
{
    const HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    {
        RecordedPageEvents events;
        CClentDlalog host(events);
        ASSERT_TRUE(host.Create(IDD_PAGE_HOST, parent));
        ComPtr<IOleObject> control;
        ComPtr<IOleClientSite> site;
        ComPtr<IDocHostUIHandler> handler;
        ASSERT_EQ(host.Browser()->QueryInterface(IID_PPV_ARGS(&control)), S_OK);
        ASSERT_EQ(control->GetClientSite(&site), S_OK);
        ASSERT_EQ(site.As(&handler), S_OK);
        ComPtr<IDispatch> external;
        ASSERT_EQ(handler->GetExternal(&external), S_OK);
        Script script({{L"external", external.Get()}});
        ASSERT_TRUE(script.Ready());
        EXPECT_EQ(script.Run(L"external.EnterGame(); external.GotoLogin()"), S_OK);
        EXPECT_EQ(script.Errors(), 0);
        EXPECT_EQ(events.enterGame, 1);
        EXPECT_EQ(events.gotoLogin, 1);
        EXPECT_EQ(::GetWindowLongW(parent, GWL_STYLE) & WS_VISIBLE, 0);
    }
    ::DestroyWindow(parent);
}

// DocumentComplete as the control raises it: the frame's browser object, then the URL by reference.
HRESULT CompleteDocument(LauncherFixture& launcher, IDispatch* browser, const std::wstring& url)
{
    const ComPtr<IDispatch> events = SiteAs<DWebBrowserEvents2>(launcher->PageHost());
    if (!events)
        return E_NOINTERFACE;
    return FireDocumentComplete(events.Get(), browser, url);
}

// "sid=12&uid=9", "uid=9&sid=7&t=1", "sid=3" NUL "4", "sid=一区" in code page 936, written out in Base64.
constexpr wchar_t kSid12[] = L"c2lkPTEyJnVpZD05";
constexpr wchar_t kSid7[] = L"dWlkPTkmc2lkPTcmdD0x";
constexpr wchar_t kSidWithNul[] = L"c2lkPTMANA==";
constexpr wchar_t kSidChinese[] = L"c2lkPdK7x/g=";
const std::wstring kServer12 = L"Quarnis-->Brevik-->12服";

TEST(ServerTitleUpdate, EveryCompletedDocumentWithAuthRetitlesTheLauncher)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const std::wstring bare = WindowTitle(launcher.hwnd());
    ASSERT_EQ(bare, L"Quarnis-->Brevik");
    IDispatch* topLevel = launcher->PageHost().Browser();

    ASSERT_EQ(CompleteDocument(launcher, topLevel, L"http://game.example/ct"), S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), bare);

    ASSERT_EQ(CompleteDocument(launcher, topLevel, std::wstring(L"http://game.example/ct?auth=") + kSid12 + L"&sign=9f"),
              S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), kServer12);

    ASSERT_EQ(CompleteDocument(launcher, topLevel, L"http://game.example/news"), S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), kServer12) << "an address without auth leaves the title";

    const ComPtr<IDispatch> frame = MakeDispatch({});
    ASSERT_EQ(CompleteDocument(launcher, frame.Get(), std::wstring(L"http://frame.example/f?x=1&auth=") + kSid7),
              S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), L"Quarnis-->Brevik-->7服") << "a frame's document counts too";

    ASSERT_EQ(CompleteDocument(launcher, topLevel, std::wstring(L"http://game.example/ct?auth=") + kSidWithNul),
              S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), L"Quarnis-->Brevik-->3") << "the title ends at the NUL of the sid";

    ASSERT_EQ(CompleteDocument(launcher, topLevel, L"http://game.example/ct?auth=&sign="), S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), L"Quarnis-->Brevik-->服");

    // An address with text outside ASCII is taken as the browser gives it, without disturbing the payload.
    ASSERT_EQ(CompleteDocument(launcher, topLevel, std::wstring(L"http://game.example/\u6E38\u620F?auth=") + kSid12),
              S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), kServer12);

    // The sid is Simplified Chinese text whatever code page the system runs in.
    ASSERT_EQ(CompleteDocument(launcher, topLevel, std::wstring(L"http://game.example/ct?auth=") + kSidChinese), S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), L"Quarnis-->Brevik-->一区服");
}

TEST(ServerTitleUpdate, RepaintsTheCaptionBarInGameMode)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    ASSERT_TRUE(launcher.Created());
    const HWND caption = launcher->CaptionBarWindow();
    ASSERT_TRUE(::IsWindowVisible(caption));
    ::UpdateWindow(caption);
    ASSERT_FALSE(::GetUpdateRect(caption, nullptr, FALSE));

    ASSERT_EQ(CompleteDocument(launcher, launcher->PageHost().Browser(),
                               std::wstring(L"http://game.example/ct?auth=") + kSid12 + L"&sign=1"),
              S_OK);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), kServer12);
    RECT dirty{};
    EXPECT_TRUE(::GetUpdateRect(caption, &dirty, FALSE));
    RECT client;
    ::GetClientRect(caption, &client);
    EXPECT_TRUE(::EqualRect(&dirty, &client)) << "the whole caption bar is repainted";
    EXPECT_TRUE(launcher->InGameMode());
}

// Listens to the browser's own navigation events beside the page host, as another client of the control.
class NavigationListener final : public DWebBrowserEvents2 {
public:
    explicit NavigationListener(IWebBrowser2* browser)
    {
        ComPtr<IConnectionPointContainer> container;
        if (browser && SUCCEEDED(browser->QueryInterface(IID_PPV_ARGS(&container))) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point_)))
            point_->Advise(this, &cookie_);
    }
    ~NavigationListener()
    {
        if (cookie_)
            point_->Unadvise(cookie_);
    }
    NavigationListener(const NavigationListener&) = delete;
    NavigationListener& operator=(const NavigationListener&) = delete;

    bool Listening() const noexcept { return cookie_ != 0; }
    std::vector<std::wstring> started;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *object = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The listener lives on the test's stack and leaves the control before it goes.
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                        UINT*) noexcept override
    {
        if (event == DISPID_BEFORENAVIGATE2 && parameters->cArgs == 7) {
            const VARIANT& url = parameters->rgvarg[5];
            const VARIANT& text = url.vt == (VT_VARIANT | VT_BYREF) ? *url.pvarVal : url;
            started.push_back(text.vt == VT_BSTR ? text.bstrVal : L"");
        }
        return S_OK;
    }

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

TEST(PageRefresh, OpensTheStartUrlAgainAndStaysInGameMode)
{
    LauncherFixture launcher(LauncherFixture::kGameMode);
    ASSERT_TRUE(launcher.Created());
    const Mode game = ModeOf(launcher);
    ASSERT_TRUE(game.game);
    const std::wstring title = WindowTitle(launcher.hwnd());
    NavigationListener listener(launcher->PageHost().Browser());
    ASSERT_TRUE(listener.Listening());

    ::PostMessageW(launcher.hwnd(), WM_COMMAND, ID_MENU_REFRESH, 0);
    for (int wait = 0; wait < 100 && listener.started.empty(); ++wait)
        PumpMessages(20);
    ASSERT_EQ(listener.started.size(), 1u);
    EXPECT_EQ(listener.started.front(), kStartUrl);
    EXPECT_TRUE(ModeOf(launcher) == game);
    EXPECT_EQ(WindowTitle(launcher.hwnd()), title);

    ::PostMessageW(launcher.hwnd(), WM_COMMAND, ID_MENU_REFRESH, 0);
    for (int wait = 0; wait < 100 && listener.started.size() < 2; ++wait)
        PumpMessages(20);
    EXPECT_EQ(listener.started.size(), 2u) << "every Refresh navigates";
}

// Records the commands sent to one window.
class CommandSpy {
public:
    explicit CommandSpy(HWND window)
        : hook_(::SetWindowsHookExW(WH_CALLWNDPROC, &CommandSpy::Hook, nullptr, ::GetCurrentThreadId()))
    {
        watched_ = window;
        commands_ = 0;
    }
    ~CommandSpy() { ::UnhookWindowsHookEx(hook_); }
    CommandSpy(const CommandSpy&) = delete;
    CommandSpy& operator=(const CommandSpy&) = delete;
    int Commands() const noexcept { return commands_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->hwnd == watched_ && sent->message == WM_COMMAND)
            ++commands_;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND watched_ = nullptr;
    static inline int commands_ = 0;
    HHOOK hook_;
};

TEST(PageKeys, EnterAndEscapeGoOnToThePage)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    const HWND page = launcher->PageHostWindow();
    const HWND browser = ::GetWindow(page, GW_CHILD);
    ASSERT_NE(browser, nullptr);
    const Mode before = ModeOf(launcher);
    const CommandSpy spy(page);

    for (const HWND target : {browser, page}) {
        for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            ::SetFocus(target);
            MSG down{target, WM_KEYDOWN, key, 1, ::GetTickCount(), {}};
            EXPECT_FALSE(WalkPreTranslateTree(launcher.hwnd(), &down)) << "key " << key << " is left to the page";
            ::TranslateMessage(&down);
            ::DispatchMessageW(&down);
            MSG up{target, WM_KEYUP, key, 0xC0000001, ::GetTickCount(), {}};
            if (!WalkPreTranslateTree(launcher.hwnd(), &up))
                ::DispatchMessageW(&up);
            PumpMessages(20);
        }
    }
    EXPECT_EQ(spy.Commands(), 0) << "the keys never become the page host's OK or Cancel";
    EXPECT_TRUE(ModeOf(launcher) == before);
    EXPECT_TRUE(::IsWindowVisible(page));
    EXPECT_TRUE(::IsWindowVisible(browser));
}

} // namespace
