// The framework layer with real windows: dialogs from templates, the modal loop and its
// PreTranslateMessage walk, OK and Cancel, Default(), detaching, owner-drawn buttons, centring,
// the application object and the handle owners.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "framework/App.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/Window.h"
#include "resource.h"
#include "support.h"

namespace {

constexpr UINT kEndModal = WM_APP + 7;
constexpr UINT_PTR kSafetyTimer = 77;
constexpr INT_PTR kTimedOut = -2;

// A plain window of an existing class with an object attached; it logs the key messages that
// reach its PreTranslateMessage.
class LoggingWindow : public Window {
public:
    LoggingWindow(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
    bool PreTranslateMessage(MSG* message) noexcept override
    {
        if (message->message == WM_KEYDOWN)
            log_.push_back(name_);
        return false;
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

// A dialog on the launcher's template (a visible popup with no controls) that records what the
// framework calls; its initialisation can be given extra work.
class TestDialog : public Dialog {
public:
    explicit TestDialog(UINT templateId = IDD_LUMVANE_DIALOG) : Dialog(templateId) {}

    std::vector<std::string> log;
    HWND handleDuringInit = nullptr;
    bool boundBeforeInit = false;
    void (*extraInit)(TestDialog&) = nullptr;

    bool PreTranslateMessage(MSG* message) noexcept override
    {
        if (message->message == WM_KEYDOWN)
            log.push_back("dialog");
        return Dialog::PreTranslateMessage(message);
    }

protected:
    BOOL OnInitDialog() noexcept override
    {
        Dialog::OnInitDialog();
        log.push_back("OnInitDialog");
        handleDuringInit = hwnd();
        boundBeforeInit = FromHandle(hwnd()) == this;
        ::SetTimer(hwnd(), kSafetyTimer, 5000, nullptr);
        if (extraInit)
            extraInit(*this);
        return TRUE;
    }
    void OnOK() noexcept override
    {
        log.push_back("OnOK");
        EndDialog(IDOK);
    }
    void OnCancel() noexcept override
    {
        log.push_back("OnCancel");
        EndDialog(IDCANCEL);
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override
    {
        if (message == kEndModal) {
            EndDialog(static_cast<INT_PTR>(wParam));
            return 0;
        }
        if (message == WM_TIMER && wParam == kSafetyTimer) {
            EndDialog(kTimedOut);
            return 0;
        }
        return Dialog::HandleMessage(message, wParam, lParam);
    }
};

TEST(FrameworkDialog, CreateRunsOnInitDialogBeforeItReturns)
{
    TestDialog dialog(IDD_BACKDROP);
    ASSERT_TRUE(dialog.Create(IDD_BACKDROP, nullptr));
    EXPECT_EQ(dialog.log, std::vector<std::string>{"OnInitDialog"});
    EXPECT_NE(dialog.hwnd(), nullptr);
    EXPECT_EQ(dialog.handleDuringInit, dialog.hwnd());
    EXPECT_TRUE(dialog.boundBeforeInit);
    EXPECT_EQ(Window::FromHandle(dialog.hwnd()), &dialog);
}

TEST(FrameworkDialog, ChildDialogBelongsToItsParent)
{
    TestDialog parent;
    ASSERT_TRUE(parent.Create(IDD_LUMVANE_DIALOG, nullptr));
    TestDialog bar(IDD_SIDE_BAR);
    ASSERT_TRUE(bar.Create(IDD_SIDE_BAR, parent.hwnd()));
    EXPECT_EQ(::GetParent(bar.hwnd()), parent.hwnd());
    TestDialog backdrop(IDD_BACKDROP);
    ASSERT_TRUE(backdrop.Create(IDD_BACKDROP, parent.hwnd()));
    EXPECT_EQ(::GetWindow(backdrop.hwnd(), GW_OWNER), parent.hwnd());
}

TEST(FrameworkDialog, MissingTemplateFailsAndModalRunReturnsAtOnce)
{
    TestDialog dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(dialog.log.empty());
    EXPECT_EQ(dialog.hwnd(), nullptr);
}

// A key for a control two levels down is offered to each window from the control up to the dialog.
TEST(FrameworkDialog, ModalLoopWalksPreTranslateMessageUpToTheDialog)
{
    static LoggingWindow* panel;
    static LoggingWindow* button;
    TestDialog dialog;
    LoggingWindow panelObject(dialog.log, "panel"), buttonObject(dialog.log, "button");
    panel = &panelObject;
    button = &buttonObject;
    dialog.extraInit = [](TestDialog& self) {
        panel->CreateEx(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 100, self.hwnd(), nullptr);
        button->CreateEx(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, panel->hwnd(), nullptr);
        ::PostMessageW(button->hwnd(), WM_KEYDOWN, 'A', 0);
        ::PostMessageW(self.hwnd(), kEndModal, 42, 0);
    };

    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"OnInitDialog", "button", "panel", "dialog"}));
    EXPECT_EQ(dialog.hwnd(), nullptr) << "the modal run destroys its window";
    EXPECT_EQ(panelObject.hwnd(), nullptr);
    EXPECT_EQ(buttonObject.hwnd(), nullptr);
}

TEST(FrameworkDialog, EnterAndEscapeReachOnOkAndOnCancel)
{
    TestDialog enter;
    enter.extraInit = [](TestDialog& self) { ::PostMessageW(self.hwnd(), WM_KEYDOWN, VK_RETURN, 0); };
    EXPECT_EQ(enter.DoModal(), IDOK);
    EXPECT_EQ(enter.log, (std::vector<std::string>{"OnInitDialog", "dialog", "OnOK"}));

    TestDialog escape;
    escape.extraInit = [](TestDialog& self) { ::PostMessageW(self.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0); };
    EXPECT_EQ(escape.DoModal(), IDCANCEL);
    EXPECT_EQ(escape.log, (std::vector<std::string>{"OnInitDialog", "dialog", "OnCancel"}));
}

TEST(FrameworkDialog, OkAndCancelButtonsReachTheirHandlers)
{
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_LUMVANE_DIALOG, nullptr));
    ::SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"OnInitDialog", "OnCancel", "OnOK"}));
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd())) << "a modeless dialog hides on EndDialog";
}

// A static control whose object asks its own window something before passing WM_SETTEXT on.
class NestingStatic : public Window {
public:
    bool swallow = false;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override
    {
        if (message == WM_SETTEXT) {
            if (swallow)
                return TRUE;
            ::SendMessageW(hwnd(), WM_GETTEXTLENGTH, 0, 0);
            return Default();
        }
        return Window::HandleMessage(message, wParam, lParam);
    }
};

TEST(FrameworkWindow, DefaultPassesTheCurrentMessageToTheOriginalProcedure)
{
    NestingStatic label;
    ASSERT_TRUE(label.CreateEx(0, L"STATIC", L"before", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
    ASSERT_TRUE(::SetWindowTextW(label.hwnd(), L"after"));
    EXPECT_EQ(WindowTitle(label.hwnd()), L"after");
    label.swallow = true;
    ::SetWindowTextW(label.hwnd(), L"ignored");
    EXPECT_EQ(WindowTitle(label.hwnd()), L"after");
}

TEST(FrameworkWindow, NcDestroyDetachesTheObject)
{
    NestingStatic label;
    ASSERT_TRUE(label.CreateEx(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
    const HWND window = label.hwnd();
    EXPECT_EQ(Window::FromHandle(window), &label);
    ::DestroyWindow(window);
    EXPECT_EQ(label.hwnd(), nullptr);
    EXPECT_EQ(Window::FromHandle(window), nullptr);
    // The object can take another window afterwards.
    EXPECT_TRUE(label.CreateEx(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
}

TEST(FrameworkWindow, ObjectDestroysItsWindow)
{
    HWND window = nullptr;
    {
        NestingStatic label;
        ASSERT_TRUE(label.CreateEx(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
        window = label.hwnd();
    }
    EXPECT_FALSE(::IsWindow(window));
}

TEST(FrameworkWindow, SubclassingBindsAnExistingWindowOnce)
{
    HWND raw = ::CreateWindowExA(0, "STATIC", "raw", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(raw, nullptr);
    NestingStatic first, second;
    EXPECT_TRUE(first.SubclassWindow(raw));
    EXPECT_FALSE(second.SubclassWindow(raw)) << "one object per window";
    EXPECT_FALSE(second.SubclassWindow(nullptr));
    EXPECT_EQ(Window::FromHandle(raw), &first);
    first.swallow = true;
    ::SetWindowTextW(raw, L"ignored");
    EXPECT_EQ(WindowTitle(raw), L"raw") << "messages reach the object";
}

// An owner-drawn button that logs its framework calls.
class LoggingButton : public OwnerDrawButton {
public:
    int preSubclassed = 0;
    std::vector<UINT> drawnIds;
    void DrawItem(DRAWITEMSTRUCT* item) noexcept override
    {
        if (item->hwndItem == hwnd())
            drawnIds.push_back(item->CtlID);
    }

protected:
    void PreSubclassWindow() noexcept override { ++preSubclassed; }
};

// The caption bar's template with its five buttons bound in the data exchange.
class ButtonBar : public Dialog {
public:
    ButtonBar() : Dialog(IDD_CAPTION_BAR) {}
    std::array<LoggingButton, 5> buttons;
    bool boundInInit = false;

protected:
    void DoDataExchange() noexcept override
    {
        for (int i = 0; i < 5; ++i)
            buttons[i].SubclassDlgItem(IDC_CLOSE_BUTTON + i, *this);
    }
    BOOL OnInitDialog() noexcept override
    {
        Dialog::OnInitDialog();
        boundInInit = std::all_of(buttons.begin(), buttons.end(), [](const LoggingButton& b) { return b.hwnd(); });
        return TRUE;
    }
    void OnOK() noexcept override {}
    void OnCancel() noexcept override {}
};

TEST(FrameworkDialog, DataExchangeBindsOwnerDrawnButtonsThatDrawThemselves)
{
    TestDialog parent;
    ASSERT_TRUE(parent.Create(IDD_LUMVANE_DIALOG, nullptr));
    ::MoveWindow(parent.hwnd(), 0, 0, 1200, 200, TRUE); // room for the whole bar
    ButtonBar bar;
    ASSERT_TRUE(bar.Create(IDD_CAPTION_BAR, parent.hwnd()));
    EXPECT_TRUE(bar.boundInInit);
    ::ShowWindow(bar.hwnd(), SW_SHOW);
    ::RedrawWindow(bar.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    for (int i = 0; i < 5; ++i) {
        const LoggingButton& button = bar.buttons[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(::GetDlgCtrlID(button.hwnd()), IDC_CLOSE_BUTTON + i);
        EXPECT_EQ(Window::FromHandle(button.hwnd()), &button);
        EXPECT_EQ(button.preSubclassed, 1);
        ASSERT_FALSE(button.drawnIds.empty()) << "WM_DRAWITEM came back to the button";
        EXPECT_EQ(button.drawnIds.front(), static_cast<UINT>(IDC_CLOSE_BUTTON + i));
    }
}

TEST(FrameworkWindow, CenterWindowUsesWorkAreaOwnerOrParent)
{
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    NestingStatic lone;
    ASSERT_TRUE(lone.CreateEx(0, L"STATIC", L"", WS_POPUP, 3, 4, 301, 201, nullptr, nullptr));
    CenterWindow(lone.hwnd());
    RECT rect = WindowRect(lone.hwnd());
    EXPECT_EQ(rect.left, (work.left + work.right) / 2 - 301 / 2);
    EXPECT_EQ(rect.top, (work.top + work.bottom) / 2 - 201 / 2);
    EXPECT_EQ(rect.right - rect.left, 301);

    NestingStatic owner, owned;
    ASSERT_TRUE(owner.CreateEx(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 50, 400, 300, nullptr, nullptr));
    ASSERT_TRUE(owned.CreateEx(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 80, owner.hwnd(), nullptr));
    CenterWindow(owned.hwnd());
    rect = WindowRect(owned.hwnd());
    EXPECT_EQ(rect.left, 250);
    EXPECT_EQ(rect.top, 160);

    // Kept inside the work area: an owner at the very left pulls a wider window no further left.
    ::MoveWindow(owner.hwnd(), work.left, work.top, 100, 100, FALSE);
    ::MoveWindow(owned.hwnd(), 0, 0, 300, 300, FALSE);
    CenterWindow(owned.hwnd());
    rect = WindowRect(owned.hwnd());
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.top, work.top);

    NestingStatic child;
    ASSERT_TRUE(child.CreateEx(0, L"STATIC", L"", WS_CHILD, 0, 0, 40, 20, owner.hwnd(), nullptr));
    ::MoveWindow(owner.hwnd(), 100, 50, 400, 300, FALSE);
    CenterWindow(child.hwnd());
    rect = WindowRect(child.hwnd());
    ::MapWindowPoints(nullptr, owner.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 180);
    EXPECT_EQ(rect.top, 140);
}

TEST(FrameworkApp, MainWindowAndMessageBoxCaption)
{
    App* app = App::Current();
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->Name(), L"win_tests");

    TestDialog main;
    ASSERT_TRUE(main.Create(IDD_LUMVANE_DIALOG, nullptr));
    Window* previous = std::exchange(app->mainWindow, &main);
    EXPECT_EQ(MainWindow(), &main);
    EXPECT_EQ(MainWindowHandle(), main.hwnd());

    static HWND s_owner;
    s_owner = nullptr;
    WindowAnswerer answerer(L"#32770", L"win_tests", [](HWND box) {
        s_owner = ::GetWindow(box, GW_OWNER);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(AppMessageBox(L"question", MB_OKCANCEL), IDCANCEL);
    EXPECT_TRUE(answerer.Answered()) << "the box is captioned with the application name";
    EXPECT_EQ(s_owner, main.hwnd());
    app->mainWindow = previous;
}

TEST(FrameworkHandles, OwnersFreeWhatTheyHold)
{
    const int before = CountGdiObjects();
    {
        UniqueBitmap bitmap(::CreateBitmap(8, 8, 1, 32, nullptr));
        UniqueRegion region(::CreateRectRgn(0, 0, 5, 5));
        UniqueFont font(::CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
        UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
        ASSERT_TRUE(bitmap && region && font && dc);
        EXPECT_EQ(CountGdiObjects(), before + 4) << "the count sees every live object";
        const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
        {
            SelectedObject selected(dc.get(), bitmap.get());
            EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
            SelectedObject nothing(dc.get(), nullptr);
        }
        EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), original) << "deselected at the end of its scope";

        UniqueBitmap moved(std::move(bitmap));
        EXPECT_FALSE(bitmap);
        EXPECT_TRUE(moved);
        UniqueBitmap assigned(::CreateBitmap(2, 2, 1, 32, nullptr));
        assigned = std::move(moved); // frees the 2 x 2 bitmap
        EXPECT_EQ(CountGdiObjects(), before + 4);
        const HRGN released = region.release();
        EXPECT_FALSE(region);
        ::DeleteObject(released);
        EXPECT_EQ(CountGdiObjects(), before + 3);
    }
    EXPECT_EQ(CountGdiObjects(), before);

    HMENU menuHandle = nullptr;
    HICON iconHandle = nullptr;
    {
        UniqueMenu menu(::CreatePopupMenu());
        menuHandle = menu.get();
        const BYTE bits[32 * 4] = {};
        UniqueIcon icon(::CreateIcon(nullptr, 32, 32, 1, 1, bits, bits));
        iconHandle = icon.get();
        ASSERT_TRUE(::IsMenu(menuHandle));
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(iconHandle, &info));
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    EXPECT_FALSE(::IsMenu(menuHandle));
    ICONINFO info{};
    EXPECT_FALSE(::GetIconInfo(iconHandle, &info));
}

} // namespace
