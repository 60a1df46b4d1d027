// What the launcher's first frame does not show comes right after it: the login window and its
// backdrop show, with the page host, before the tray icon and the game-mode bars exist; those
// follow on the message the launcher posts itself, and entering game mode before that message
// still finds every bar skinned. Each launcher has its skin worker to itself, and quitting stops it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "launcher_fixture.h"
#include "render.h"
#include "support.h"

namespace {

constexpr Rgb kUntouched = 0x00FF00FF;
constexpr DWORD kHangBound = 30000;

// The share of the bar's client area that its skin painted, drawn through WM_ERASEBKGND.
double PaintedShare(HWND bar)
{
    RECT client;
    ::GetClientRect(bar, &client);
    Canvas canvas(client.right, client.bottom, kUntouched);
    ::SendMessageW(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
    const int area = client.right * client.bottom;
    return area ? 1.0 - static_cast<double>(canvas.CountOf(kUntouched, 0, 0, client.right, client.bottom)) / area
                : 0.0;
}

// The launcher created as the program creates it, with no message handled yet.
class DeferredStart : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixture_.Created()); }

    HWND Bars(std::size_t k) const
    {
        const HWND bars[] = {launcher_.CaptionBarWindow(), launcher_.LeftBarWindow(), launcher_.RightBarWindow(),
                             launcher_.BottomBarWindow()};
        return bars[k];
    }

    LauncherFixture fixture_{LauncherFixture::kNoMessageHandled};
    CLumvaneDlg& launcher_ = *fixture_;
};

TEST_F(DeferredStart, TrayIconAndBarsFollowTheShownLoginWindow)
{
    EXPECT_TRUE(::IsWindowVisible(launcher_.hwnd()));
    EXPECT_TRUE(::IsWindowVisible(launcher_.BackdropWindow()));
    EXPECT_TRUE(::IsWindowVisible(launcher_.PageHostWindow()));
    EXPECT_FALSE(fixture_.HasTrayIcon());
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(Bars(k), nullptr) << "bar " << k;

    PumpMessages();
    EXPECT_TRUE(fixture_.HasTrayIcon());
    for (std::size_t k = 0; k < 4; ++k) {
        ASSERT_NE(Bars(k), nullptr) << "bar " << k;
        EXPECT_FALSE(::IsWindowVisible(Bars(k))) << "bars stay hidden in login mode";
    }
}

TEST_F(DeferredStart, EnteringGameModeAtOnceFindsEveryBarSkinned)
{
    launcher_.EnterGameMode();
    const HWND caption = launcher_.CaptionBarWindow();
    PumpMessages();
    EXPECT_EQ(launcher_.CaptionBarWindow(), caption) << "the posted message makes no second set of bars";
    EXPECT_TRUE(fixture_.HasTrayIcon());
    for (std::size_t k = 0; k < 4; ++k) {
        ASSERT_NE(Bars(k), nullptr) << "bar " << k;
        EXPECT_TRUE(::IsWindowVisible(Bars(k))) << "bar " << k;
        EXPECT_GT(PaintedShare(Bars(k)), 0.5) << "bar " << k << " paints its skin";
    }
}

// The first launcher's bars take the game-mode skins of its own worker, not of the one constructed
// after it, whose start then still finds every image it asks for.
TEST(DeferredStartOfTwo, TheSecondLauncherStartsAfterTheFirstOneEnteredGameMode)
{
    struct Outcome {
        double firstCaptionPainted = 0;
        bool secondCreated = false;
        bool secondBackdropShown = false;
    };
    const auto outcome = std::make_shared<Outcome>();
    EXPECT_TRUE(EndsWithin(kHangBound, [outcome] {
        LauncherFixture first(LauncherFixture::kNotCreated);
        LauncherFixture second(LauncherFixture::kNotCreated);
        first.Create(LauncherFixture::kGameMode);
        outcome->firstCaptionPainted = PaintedShare(first.CaptionBar());
        second.Create(LauncherFixture::kLoginMode);
        outcome->secondCreated = second.Created();
        outcome->secondBackdropShown = ::IsWindowVisible(second.Backdrop());
    })) << "the second launcher's start did not end";
    EXPECT_GT(outcome->firstCaptionPainted, 0.5);
    EXPECT_TRUE(outcome->secondCreated);
    EXPECT_TRUE(outcome->secondBackdropShown);
}

constexpr int kWorkerLeftRunning = 4;
HANDLE g_worker = nullptr;

// Runs first among the handlers of the process's end (registered last): whether the launcher
// stopped its skin worker before it ended the process.
void ExitWithTheWorkersState()
{
    std::_Exit(::WaitForSingleObject(g_worker, 0) == WAIT_OBJECT_0 ? 0 : kWorkerLeftRunning);
}

// The worker waits for leave to decode the game-mode skins, which comes only after the first frame.
void QuitBeforeTheGameModeSkins()
{
    std::optional<LauncherFixture> launcher;
    UniqueKernelHandle worker = ThreadStartedBy([&] { launcher.emplace(LauncherFixture::kNotCreated); });
    ASSERT_TRUE(worker) << "the launcher starts its skin worker when it is constructed";
    g_worker = worker.release();
    launcher->Create(LauncherFixture::kNoMessageHandled);
    std::atexit(&ExitWithTheWorkersState);
    ::SendMessageW(launcher->hwnd(), WM_CLOSE, 0, 0);
}

TEST(DeferredStartDeathTest, QuittingStopsTheSkinWorkerFirst)
{
    EXPECT_EXIT(QuitBeforeTheGameModeSkins(), testing::ExitedWithCode(0), "");
}

} // namespace
