// The page host on its own: the real WebBrowser control hosted in it, the host's answers to the
// browser, the reference counts of what it hands out, and navigation against a local server.
#include "page_server.h"

#include "browser_site.h"

#include <mshtmhst.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/HtmlDialog.h"
#include "page/ClentDlalog.h"
#include "resource.h"
#include "page_events.h"
#include "support.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr RECT kLoginPage{319, 180, 319 + 527, 180 + 349};

// A plain top-level window standing in for the launcher as the page host's parent.
class ParentWindow {
public:
    ParentWindow()
        : hwnd_(::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 888, 591, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~ParentWindow() { ::DestroyWindow(hwnd_); }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    HWND hwnd() const noexcept { return hwnd_; }

private:
    HWND hwnd_;
};

// The page host placed as the launcher places it.
bool CreatePageHost(HtmlDialog& host, HWND parent)
{
    if (!host.Create(IDD_PAGE_HOST, parent))
        return false;
    ::ShowWindow(host.hwnd(), SW_SHOW);
    ::MoveWindow(host.hwnd(), kLoginPage.left, kLoginPage.top, kLoginPage.right - kLoginPage.left,
                 kLoginPage.bottom - kLoginPage.top, TRUE);
    return true;
}

HWND BrowserWindow(const HtmlDialog& host)
{
    ComPtr<IOleInPlaceObject> inPlace;
    HWND window = nullptr;
    if (host.Browser() && SUCCEEDED(host.Browser()->QueryInterface(IID_PPV_ARGS(&inPlace))))
        inPlace->GetWindow(&window);
    return window;
}

// A page host that lets no page reach its external object, and that records the navigations it is told of.
class ClosedHost : public HtmlDialog {
public:
    ClosedHost() noexcept : HtmlDialog(IDD_PAGE_HOST) {}
    std::vector<std::wstring> beforeNavigate;

    void GiveExternal(IDispatch* external) noexcept { SetExternalDispatch(external); }

protected:
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
    void OnBeforeNavigate(IDispatch*, const wchar_t* url) noexcept override { beforeNavigate.push_back(url); }
};

// The reference count an object holds, read by one AddRef and Release pair.
ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

TEST(PageHostBrowser, CoversTheClientAreaAndFollowsEverySize)
{
    ParentWindow parent;
    RecordedPageEvents events;
    CClentDlalog host(events);
    ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
    ASSERT_NE(host.Browser(), nullptr);
    const HWND browser = BrowserWindow(host);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(::GetParent(browser), host.hwnd());
    EXPECT_TRUE(::IsWindowVisible(browser));

    for (const SIZE size : {SIZE{527, 349}, SIZE{1190, 745}, SIZE{300, 200}}) {
        ::MoveWindow(host.hwnd(), 5, 25, size.cx, size.cy, TRUE);
        RECT client, covered;
        ::GetClientRect(host.hwnd(), &client);
        ::GetWindowRect(browser, &covered);
        ::MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&covered), 2);
        EXPECT_TRUE(::EqualRect(&client, &covered))
            << size.cx << "x" << size.cy << ": browser at " << covered.left << "," << covered.top << " "
            << covered.right << "," << covered.bottom;
    }

    VARIANT_BOOL silent = VARIANT_FALSE;
    ASSERT_EQ(host.Browser()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, VARIANT_TRUE);
}

// Every internet feature control as the process answers it, indexed by INTERNETFEATURELIST.
std::array<HRESULT, FEATURE_ENTRY_COUNT> FeatureAnswers()
{
    std::array<HRESULT, FEATURE_ENTRY_COUNT> answers{};
    for (int feature = 0; feature < FEATURE_ENTRY_COUNT; ++feature)
        answers[feature] = ::CoInternetIsFeatureEnabled(static_cast<INTERNETFEATURELIST>(feature), GET_FEATURE_FROM_PROCESS);
    return answers;
}

// The controls the page host switches on, by value and name; new windows, downloads, add-ons and
// what the player sees and hears are left as the control has them.
#define LOCKED_DOWN(feature) {feature, #feature}
const std::map<int, std::string> kLockedDown{
    LOCKED_DOWN(FEATURE_OBJECT_CACHING),        LOCKED_DOWN(FEATURE_ZONE_ELEVATION),
    LOCKED_DOWN(FEATURE_MIME_HANDLING),         LOCKED_DOWN(FEATURE_MIME_SNIFFING),
    LOCKED_DOWN(FEATURE_BEHAVIORS),             LOCKED_DOWN(FEATURE_DISABLE_MK_PROTOCOL),
    LOCKED_DOWN(FEATURE_LOCALMACHINE_LOCKDOWN), LOCKED_DOWN(FEATURE_VALIDATE_NAVIGATE_URL),
    LOCKED_DOWN(FEATURE_PROTOCOL_LOCKDOWN),     LOCKED_DOWN(FEATURE_HTTP_USERNAME_PASSWORD_DISABLE),
    LOCKED_DOWN(FEATURE_SAFE_BINDTOOBJECT),     LOCKED_DOWN(FEATURE_UNC_SAVEDFILECHECK),
    LOCKED_DOWN(FEATURE_DISABLE_TELNET_PROTOCOL),
};
#undef LOCKED_DOWN

// The feature controls the README's table says the launcher switches on.
std::set<std::string> ReadmeLockdown()
{
    std::ifstream readme(LUMVANE_README);
    const std::regex onRow(R"(^\| `(FEATURE_\w+)` \| on \|)");
    std::set<std::string> names;
    std::smatch row;
    for (std::string line; std::getline(readme, line);)
        if (std::regex_search(line, row, onRow))
            names.insert(row[1]);
    return names;
}

// The page host's list, this test's and the README's table are one list: a control added to or
// taken from one of them fails here.
TEST(PageHostBrowser, ItsFeatureControlsAreTheReadmesTable)
{
    std::set<int> program(std::begin(CClentDlalog::kBrowserLockdown), std::end(CClentDlalog::kBrowserLockdown));
    std::set<int> expected;
    std::set<std::string> names;
    for (const auto& [feature, name] : kLockedDown) {
        expected.insert(feature);
        names.insert(name);
    }
    EXPECT_EQ(program, expected);
    EXPECT_EQ(program.size(), std::size(CClentDlalog::kBrowserLockdown)) << "a control listed twice";
    EXPECT_EQ(ReadmeLockdown(), names) << LUMVANE_README;
}

// A browser host of the framework's own changes no control; the page host switches its choice on
// for the process, and only those.
TEST(PageHostBrowser, SwitchesOnItsFeatureControlsForTheProcess)
{
    const auto before = FeatureAnswers();
    ParentWindow parent;
    ClosedHost plain;
    ASSERT_TRUE(CreatePageHost(plain, parent.hwnd()));
    ASSERT_NE(plain.Browser(), nullptr);
    EXPECT_EQ(FeatureAnswers(), before);

    RecordedPageEvents events;
    CClentDlalog host(events);
    ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
    const auto after = FeatureAnswers();
    for (int feature = 0; feature < FEATURE_ENTRY_COUNT; ++feature) {
        const HRESULT expected = kLockedDown.count(feature) ? S_OK : before[feature];
        EXPECT_EQ(after[feature], expected) << "feature control " << feature;
    }
}

TEST(PageHostBrowser, HostInfoAsksForNoBorderAndNoScrollBars)
{
    ParentWindow parent;
    RecordedPageEvents events;
    CClentDlalog host(events);
    ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
    const ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(host);
    ASSERT_TRUE(handler);

    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    info.dwFlags = DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_SCROLL_NO;
    ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO));

    // The browser keeps its own context menu and its own accelerators.
    POINT point{10, 10};
    EXPECT_EQ(handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &point, nullptr, nullptr), S_FALSE);
    MSG key{BrowserWindow(host), WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_EQ(handler->TranslateAccelerator(&key, nullptr, 0), S_FALSE);
}

TEST(PageHostExternal, HandedOutOnlyWhenTheHostAgrees)
{
    ParentWindow parent;
    RecordedPageEvents events;
    CClentDlalog open(events);
    ASSERT_TRUE(CreatePageHost(open, parent.hwnd()));
    const ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(open);
    ASSERT_TRUE(handler);
    ComPtr<IDispatch> external;
    ASSERT_EQ(handler->GetExternal(&external), S_OK);
    ASSERT_TRUE(external);
    ComPtr<IDispatch> again;
    ASSERT_EQ(handler->GetExternal(&again), S_OK);
    EXPECT_EQ(external.Get(), again.Get()) << "one external object for every page";

    ClosedHost closed;
    ASSERT_TRUE(CreatePageHost(closed, parent.hwnd()));
    closed.GiveExternal(external.Get());
    const ComPtr<IDocHostUIHandler> closedHandler = SiteAs<IDocHostUIHandler>(closed);
    ASSERT_TRUE(closedHandler);
    IDispatch* refused = external.Get();
    EXPECT_NE(closedHandler->GetExternal(&refused), S_OK);
    EXPECT_EQ(refused, nullptr);
}

// Everything the host hands out is released when its window goes: the test's reference is the last
// one, and the host's objects answer late calls without reaching the destroyed window.
TEST(PageHostLifetime, SiteAndExternalAreReleasedWithTheWindow)
{
    ParentWindow parent;
    ComPtr<IOleClientSite> site;
    ComPtr<IDispatch> external;
    ComPtr<IDispatch> events;
    RecordedPageEvents pageEvents;
    {
        CClentDlalog host(pageEvents);
        ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
        site = SiteOf(host);
        ASSERT_TRUE(site);
        ASSERT_EQ(SiteAs<IDocHostUIHandler>(host)->GetExternal(&external), S_OK);
        ASSERT_TRUE(SUCCEEDED(site->QueryInterface(DIID_DWebBrowserEvents2, &events)));
        EXPECT_GT(References(site.Get()), 3u) << "the browser holds the site";
        PumpMessages(50);
        ::DestroyWindow(host.hwnd());
        EXPECT_EQ(host.Browser(), nullptr);
        PumpMessages(50);
    }

    ComPtr<IOleInPlaceSite> inPlace;
    ASSERT_EQ(site.As(&inPlace), S_OK);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_FALSE(SUCCEEDED(inPlace->GetWindow(&window)));
    EXPECT_EQ(window, nullptr);
    ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(site.As(&handler), S_OK);
    IDispatch* late = reinterpret_cast<IDispatch*>(1);
    EXPECT_NE(handler->GetExternal(&late), S_OK);
    EXPECT_EQ(late, nullptr);

    EXPECT_EQ(FireDocumentComplete(events.Get(), nullptr, L"http://game.example/ct?auth=c2lkPTEy"), S_OK);
    EXPECT_TRUE(pageEvents.titles.empty()) << "a document completed after the page host is gone named a server";

    handler.Reset();
    inPlace.Reset();
    events.Reset();
    EXPECT_EQ(site.Detach()->Release(), 0u) << "the site outlives its last holder";
    EXPECT_EQ(external.Detach()->Release(), 0u) << "the external object outlives its last holder";
}

TEST(PageHostLifetime, ManyHostsLeaveNoReferenceBehind)
{
    ParentWindow parent;
    for (int round = 0; round < 5; ++round) {
        ComPtr<IOleClientSite> site;
        {
            RecordedPageEvents events;
            CClentDlalog host(events);
            ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
            site = SiteOf(host);
            ASSERT_TRUE(site);
        }
        PumpMessages(20);
        EXPECT_EQ(site.Detach()->Release(), 0u) << "round " << round;
    }
}

TEST(PageHostPaint, EraseLeavesThePixelsAlone)
{
    ParentWindow parent;
    RecordedPageEvents events;
    CClentDlalog host(events);
    ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
    const UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    const UniqueBitmap bitmap(::CreateBitmap(8, 8, 1, 32, nullptr));
    const SelectedObject selected(dc.get(), bitmap.get());
    constexpr COLORREF kMark = RGB(12, 34, 56);
    RECT all{0, 0, 8, 8};
    const UniqueHandle<HBRUSH, DeleteGdiObject> brush(::CreateSolidBrush(kMark));
    ::FillRect(dc.get(), &all, brush.get());

    EXPECT_EQ(::SendMessageW(host.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0), TRUE);
    EXPECT_EQ(::GetPixel(dc.get(), 3, 3), kMark);
}

// Under Wine the control navigates without ever completing a document, which is enough to see the
// request arrive and the control's BeforeNavigate2 come back to the host.
TEST(PageHostNavigation, RequestsTheAddressFromTheServer)
{
    LocalServer server;
    ASSERT_TRUE(server.Listening());
    ParentWindow parent;
    ClosedHost host;
    ASSERT_TRUE(CreatePageHost(host, parent.hwnd()));
    const std::wstring url = server.Url(L"/ct");
    host.Navigate(url.c_str());
    EXPECT_TRUE(server.WaitFor("GET /ct HTTP/1.1", 1, 10000));
    ASSERT_FALSE(host.beforeNavigate.empty());
    EXPECT_EQ(host.beforeNavigate.front(), url);

    host.Navigate(server.Url(L"/second?a=1").c_str());
    EXPECT_TRUE(server.WaitFor("GET /second?a=1 HTTP/1.1", 1, 10000));
}

} // namespace
