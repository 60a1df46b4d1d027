#include <gtest/gtest.h>

#include <set>

#include "framework/Handles.h"
#include "render.h"
#include "resource.h"
#include "skin/SkinButton.h"
#include "support.h"

namespace {

constexpr int kFrameSize = 19; // the shipped strips are 95 x 19: five 19 x 19 frames
constexpr Rgb kUntouched = 0x00FF00FF;
constexpr WORD kNoSuchStrip = 9999;
constexpr int kButtonId = 77;

// A visible top-level window holding the button controls the tests bind.
class Host {
public:
    Host()
        : window_(::CreateWindowExA(0, "STATIC", "skin button host", WS_POPUP | WS_VISIBLE, 20, 20, 300, 200, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~Host() { ::DestroyWindow(window_); }
    HWND get() const noexcept { return window_; }

    // A push-button control of the given type, as a dialog template would make it.
    HWND AddButton(DWORD type, int width = 40, int height = 30) const
    {
        return ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | type, 30, 40, width, height, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    }

private:
    HWND window_;
};

SIZE ClientSize(HWND window)
{
    RECT client;
    ::GetClientRect(window, &client);
    return {client.right, client.bottom};
}

POINT PlaceInParent(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    POINT origin{rect.left, rect.top};
    ::ScreenToClient(::GetParent(window), &origin);
    return origin;
}

void Draw(CSkinButton& button, Canvas& canvas, UINT state)
{
    canvas.Fill(kUntouched);
    DRAWITEMSTRUCT item{ODT_BUTTON, kButtonId, 0, ODA_DRAWENTIRE, state, button.hwnd(), canvas.dc(), {}, 0};
    ::GetClientRect(button.hwnd(), &item.rcItem);
    button.DrawItem(&item);
}

// The canvas shows exactly the given frame of the strip in the button's 19 x 19 corner, nothing around it.
::testing::AssertionResult ShowsFrame(const Canvas& canvas, const PngPixels& strip, int frame)
{
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const bool inside = x < kFrameSize && y < kFrameSize;
            const Rgb expected = inside ? strip.Colour(frame * kFrameSize + x, y) : kUntouched;
            if (canvas.At(x, y) != expected) {
                return ::testing::AssertionFailure() << "frame " << frame << ": pixel " << x << "," << y << " is "
                                                     << std::hex << canvas.At(x, y) << ", expected " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

bool FramesDiffer(const PngPixels& strip, int a, int b)
{
    for (int y = 0; y < kFrameSize; ++y) {
        for (int x = 0; x < kFrameSize; ++x) {
            if (strip.Colour(a * kFrameSize + x, y) != strip.Colour(b * kFrameSize + x, y))
                return true;
        }
    }
    return false;
}

bool NeedsRepaint(HWND window)
{
    return ::GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

TEST(SkinButton, BoundControlTakesOneFrameSizeAtLoadStripAndKeepsItsPlace)
{
    Host host;
    CSkinButton button;
    HWND control = host.AddButton(BS_OWNERDRAW);
    ASSERT_TRUE(button.SubclassWindow(control));
    EXPECT_EQ(ClientSize(control).cx, 40) << "no strip yet: the template's size stays";
    const POINT place = PlaceInParent(control);

    button.LoadStrip(IDB_CLOSE_STRIP, OnTheSpotSkins());
    EXPECT_EQ(ClientSize(control).cx, kFrameSize);
    EXPECT_EQ(ClientSize(control).cy, kFrameSize);
    EXPECT_EQ(PlaceInParent(control).x, place.x);
    EXPECT_EQ(PlaceInParent(control).y, place.y);

    // A second strip replaces the first, sizes the button again and is the one drawn.
    ::SetWindowPos(control, nullptr, 0, 0, 50, 44, SWP_NOMOVE | SWP_NOZORDER);
    button.LoadStrip(IDB_MAXIMIZE_STRIP, OnTheSpotSkins());
    EXPECT_EQ(ClientSize(control).cx, kFrameSize);
    EXPECT_EQ(ClientSize(control).cy, kFrameSize);
    Canvas canvas(23, 23, kUntouched);
    Draw(button, canvas, 0);
    EXPECT_TRUE(ShowsFrame(canvas, PngPixels(IDB_MAXIMIZE_STRIP), kFrameNormal));
}

TEST(SkinButton, StripLoadedBeforeBindingSizesTheControlWhenBound)
{
    Host host;
    CSkinButton button;
    button.LoadStrip(IDB_MENU_STRIP, OnTheSpotSkins()); // no window yet: it only loads
    HWND control = host.AddButton(BS_OWNERDRAW, 60, 50);
    ASSERT_TRUE(button.SubclassWindow(control));
    EXPECT_EQ(ClientSize(control).cx, kFrameSize);
    EXPECT_EQ(ClientSize(control).cy, kFrameSize);
}

TEST(SkinButton, OwnWindowIsOwnerDrawAndOneFrameInSize)
{
    Host host;
    CSkinButton button;
    button.LoadStrip(IDB_HIDE_STRIP, OnTheSpotSkins());
    ASSERT_TRUE(button.CreateEx(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 5, 5, 60, 40, host.get(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId))));
    EXPECT_EQ(::GetWindowLongW(button.hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(ClientSize(button.hwnd()).cx, kFrameSize);
    EXPECT_EQ(ClientSize(button.hwnd()).cy, kFrameSize);
}

TEST(SkinButton, BindingMakesAnyButtonTypeOwnerDraw)
{
    Host host;
    for (DWORD type : {BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_OWNERDRAW, BS_CHECKBOX, BS_RADIOBUTTON, BS_3STATE,
                       BS_AUTO3STATE, BS_GROUPBOX, BS_PUSHBOX}) {
        CSkinButton button;
        HWND control = host.AddButton(type);
        ASSERT_TRUE(button.SubclassWindow(control));
        const LONG style = ::GetWindowLongW(control, GWL_STYLE);
        EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW) << "from type " << type;
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
        ::DestroyWindow(control);
    }
}

TEST(SkinButton, DrawsTheStripFrameOfEachState)
{
    const PngPixels strip(IDB_CLOSE_STRIP);
    ASSERT_EQ(strip.Width(), 5 * kFrameSize);
    for (int a : {kFrameNormal, kFramePressed, kFrameHover, kFrameDisabled}) {
        for (int b : {kFrameNormal, kFramePressed, kFrameHover, kFrameDisabled})
            ASSERT_TRUE(a == b || FramesDiffer(strip, a, b)) << "frames " << a << " and " << b << " look alike";
    }

    Host host;
    CSkinButton button;
    ASSERT_TRUE(button.SubclassWindow(host.AddButton(BS_OWNERDRAW)));
    button.LoadStrip(IDB_CLOSE_STRIP, OnTheSpotSkins());
    Canvas canvas(23, 23, kUntouched);
    const auto expect = [&](UINT state, int frame, const char* what) {
        Draw(button, canvas, state);
        EXPECT_TRUE(ShowsFrame(canvas, strip, frame)) << what;
    };

    expect(0, kFrameNormal, "normal");
    expect(ODS_FOCUS | ODS_DEFAULT, kFrameNormal, "focus and default are not shown");
    ::SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    expect(0, kFrameHover, "the pointer entered");
    ::SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
    expect(ODS_FOCUS, kFrameHover, "moving inside");
    expect(ODS_DISABLED, kFrameDisabled, "disabled and hovered");
    ::SendMessageW(button.hwnd(), WM_MOUSELEAVE, 0, 0);
    expect(0, kFrameNormal, "the pointer left");

    ::SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    expect(ODS_SELECTED, kFramePressed, "pressed");
    expect(0, kFramePressed, "released inside: the press stays");
    ::SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(7, 7));
    expect(0, kFramePressed, "no hover frame while the press is latched");
    ::SendMessageW(button.hwnd(), WM_MOUSELEAVE, 0, 0);
    expect(0, kFrameNormal, "leaving ends the press");

    expect(ODS_DISABLED, kFrameDisabled, "disabled");
    expect(ODS_DISABLED | ODS_SELECTED, kFrameDisabled, "disabled wins over selected");
    ::SendMessageW(button.hwnd(), WM_MOUSELEAVE, 0, 0);
    PumpMessages(); // a leave the tracking may have posted
}

TEST(SkinButton, EveryStripDrawsItsOwnNormalFrame)
{
    Host host;
    Canvas canvas(23, 23, kUntouched);
    for (WORD id : {IDB_MINIMIZE_STRIP, IDB_CLOSE_STRIP, IDB_MAXIMIZE_STRIP, IDB_HIDE_STRIP, IDB_MENU_STRIP}) {
        CSkinButton button;
        HWND control = host.AddButton(BS_OWNERDRAW);
        ASSERT_TRUE(button.SubclassWindow(control));
        button.LoadStrip(id, OnTheSpotSkins());
        Draw(button, canvas, 0);
        EXPECT_TRUE(ShowsFrame(canvas, PngPixels(id), kFrameNormal)) << "strip " << id;
        ::DestroyWindow(control);
    }
}

TEST(SkinButton, FrameIsStretchedOverALargerClient)
{
    const PngPixels strip(IDB_MINIMIZE_STRIP);
    Host host;
    CSkinButton button;
    ASSERT_TRUE(button.SubclassWindow(host.AddButton(BS_OWNERDRAW)));
    button.LoadStrip(IDB_MINIMIZE_STRIP, OnTheSpotSkins());
    ::SetWindowPos(button.hwnd(), nullptr, 0, 0, 2 * kFrameSize, 2 * kFrameSize, SWP_NOMOVE | SWP_NOZORDER);
    Canvas canvas(2 * kFrameSize, 2 * kFrameSize, kUntouched);
    Draw(button, canvas, ODS_DISABLED);
    for (int y = 0; y < kFrameSize; ++y) {
        for (int x = 0; x < kFrameSize; ++x) {
            const Rgb expected = strip.Colour(kFrameDisabled * kFrameSize + x, y);
            ASSERT_EQ(canvas.At(2 * x, 2 * y), expected) << x << "," << y;
            ASSERT_EQ(canvas.At(2 * x + 1, 2 * y + 1), expected) << x << "," << y;
        }
    }
}

TEST(SkinButton, EraseBackgroundPaintsNothing)
{
    Host host;
    CSkinButton button;
    ASSERT_TRUE(button.SubclassWindow(host.AddButton(BS_OWNERDRAW)));
    button.LoadStrip(IDB_CLOSE_STRIP, OnTheSpotSkins());
    Canvas canvas(40, 30, kUntouched);
    EXPECT_NE(::SendMessageW(button.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 0);
    EXPECT_EQ(canvas.CountOf(kUntouched, 0, 0, 40, 30), 40 * 30);
}

TEST(SkinButton, MissingStripPaintsNothingAndSizesNothing)
{
    Host host;
    CSkinButton button;
    HWND control = host.AddButton(BS_OWNERDRAW);
    ASSERT_TRUE(button.SubclassWindow(control));
    Canvas canvas(40, 30, kUntouched);

    button.LoadStrip(kNoSuchStrip, OnTheSpotSkins());
    EXPECT_EQ(ClientSize(control).cx, 40);
    EXPECT_EQ(ClientSize(control).cy, 30);
    ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED), static_cast<UINT>(ODS_DISABLED)}) {
        Draw(button, canvas, state);
        EXPECT_EQ(canvas.CountOf(kUntouched, 0, 0, 40, 30), 40 * 30) << "state " << state;
    }

    // A good strip followed by a missing one: the old strip is gone, the size stays.
    button.LoadStrip(IDB_CLOSE_STRIP, OnTheSpotSkins());
    button.LoadStrip(kNoSuchStrip, OnTheSpotSkins());
    EXPECT_EQ(ClientSize(control).cx, kFrameSize);
    Draw(button, canvas, 0);
    EXPECT_EQ(canvas.CountOf(kUntouched, 0, 0, 40, 30), 40 * 30);
    ::SendMessageW(control, WM_MOUSELEAVE, 0, 0);
    PumpMessages();
}

TEST(SkinButton, PointerEntryAndLeaveRepaintWithoutEachMove)
{
    Host host;
    CSkinButton button;
    HWND control = host.AddButton(BS_OWNERDRAW);
    ASSERT_TRUE(button.SubclassWindow(control));
    button.LoadStrip(IDB_CLOSE_STRIP, OnTheSpotSkins());
    Canvas canvas(23, 23, kUntouched);
    ::ValidateRect(control, nullptr);

    ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(NeedsRepaint(control)) << "entering repaints";
    ::ValidateRect(control, nullptr);
    ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
    EXPECT_FALSE(NeedsRepaint(control)) << "moving inside repaints nothing more";
    ::SendMessageW(control, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(NeedsRepaint(control)) << "leaving repaints";
    ::ValidateRect(control, nullptr);

    // While the press is latched, every drawing clears the hover flag, so every move repaints.
    ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Draw(button, canvas, ODS_SELECTED);
    for (int move = 0; move < 2; ++move) {
        ::ValidateRect(control, nullptr);
        ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(7 + move, 5));
        EXPECT_TRUE(NeedsRepaint(control)) << "move " << move;
        Draw(button, canvas, 0);
    }
    ::SendMessageW(control, WM_MOUSELEAVE, 0, 0);
    PumpMessages();
}

// The button's frame columns through the same blit with a strip made here: a strip 97 pixels wide
// (not a multiple of five) whose every column has its own colour. The button loads strips only from
// the program's resources, where every strip is 95 pixels wide, so its frame maths (FrameColumns)
// is exercised here on the synthetic strip.
TEST(SkinButton, LeftoverStripColumnsAreNeverShown)
{
    constexpr int kStripWidth = 97;
    const auto columnColour = [](int x) -> Rgb { return 0x102030u + static_cast<Rgb>(x) * 0x010101u; };
    SkinImage strip;
    ASSERT_TRUE(strip.Create(kStripWidth, kFrameSize, 24, 0));
    for (int y = 0; y < kFrameSize; ++y) {
        for (int x = 0; x < kStripWidth; ++x) {
            std::uint8_t* at = strip.Pixels().At(x, y);
            const Rgb colour = columnColour(x);
            at[0] = colour & 0xFF;
            at[1] = (colour >> 8) & 0xFF;
            at[2] = (colour >> 16) & 0xFF;
        }
    }

    std::set<Rgb> shown;
    Canvas canvas(kFrameSize, kFrameSize, kUntouched);
    for (SkinFrame frame : {kFrameNormal, kFramePressed, kFrameHover, kFrameDisabled}) {
        const StripColumns columns = FrameColumns(frame, strip.Width());
        ASSERT_EQ(columns.width, kFrameSize);
        canvas.Fill(kUntouched);
        strip.Draw(canvas.dc(), 0, 0, kFrameSize, kFrameSize, columns.x, 0, columns.width, strip.Height());
        for (int x = 0; x < kFrameSize; ++x) {
            EXPECT_EQ(canvas.At(x, kFrameSize - 1), columnColour(frame * kFrameSize + x)) << "frame " << frame;
            shown.insert(canvas.At(x, 0));
        }
    }
    EXPECT_EQ(shown.count(columnColour(95)), 0u);
    EXPECT_EQ(shown.count(columnColour(96)), 0u);
    EXPECT_EQ(shown.count(columnColour(94)), 1u) << "the last column of frame 4 is shown";
}

} // namespace
