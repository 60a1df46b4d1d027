// The login window's shape and its backdrop on the real launcher window: the window region cut
// from the shape canvas, the layered backdrop window that follows the launcher, and the artwork
// drawn into it once per run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "framework/App.h"
#include "framework/Handles.h"
#include "launcher/Geometry.h"
#include "launcher_fixture.h"
#include "render.h"
#include "resource.h"
#include "launcher/LoginShape.h"
#include "skin/SkinImage.h"
#include "support.h"

namespace {

std::string Text(const RECT& rect)
{
    char text[64];
    std::snprintf(text, sizeof(text), "(%ld, %ld)-(%ld, %ld)", rect.left, rect.top, rect.right, rect.bottom);
    return text;
}

// A window's region in window coordinates, or null when it has none.
UniqueRegion WindowRegion(HWND window)
{
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (::GetWindowRgn(window, region.get()) == ERROR)
        region.reset();
    return region;
}

std::vector<RECT> RegionRects(HRGN region)
{
    std::vector<char> data(::GetRegionData(region, 0, nullptr));
    ::GetRegionData(region, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    const auto* header = reinterpret_cast<const RGNDATA*>(data.data());
    const auto* rects = reinterpret_cast<const RECT*>(header->Buffer);
    return {rects, rects + header->rdh.nCount};
}

// The shape the login window must have, made pixel by pixel from the shipped images: the page
// rectangle and every opaque pixel of the normal close spot at its place.
UniqueRegion ExpectedLoginShape()
{
    UniqueRegion shape(::CreateRectRgn(kLoginPageRect.left, kLoginPageRect.top, kLoginPageRect.right,
                                       kLoginPageRect.bottom));
    const PngPixels spot(IDB_CLOSE_SPOT);
    for (int y = 0; y < spot.Height(); ++y) {
        for (int x = 0; x < spot.Width(); ++x) {
            if ((spot.Argb(x, y) >> 24) == 0)
                continue;
            UniqueRegion pixel(::CreateRectRgn(kCloseSpotLeft + x, kCloseSpotTop + y, kCloseSpotLeft + x + 1,
                                               kCloseSpotTop + y + 1));
            ::CombineRgn(shape.get(), shape.get(), pixel.get(), RGN_OR);
        }
    }
    return shape;
}

// The shape canvas as the launcher window paints it, from the shipped backdrop and close spot.
std::vector<AlphaRun> LoginCanvasRuns()
{
    SkinImage backdrop, closeSpot, canvas;
    OnTheSpotSkins().Load(backdrop, IDB_BACKDROP);
    OnTheSpotSkins().Load(closeSpot, IDB_CLOSE_SPOT);
    if (!canvas.Create(backdrop.Width(), backdrop.Height(), 32, 0))
        return {};
    PaintLoginShape(canvas.Pixels(), closeSpot.Pixels(), kCloseSpotLeft, kCloseSpotTop, kLoginPageRect);
    return AlphaRuns(canvas.Pixels());
}

void ExpectLoginShape(HWND launcher, const char* when)
{
    SCOPED_TRACE(when);
    const UniqueRegion region = WindowRegion(launcher);
    ASSERT_TRUE(region) << "the launcher window has no region";
    const UniqueRegion expected = ExpectedLoginShape();
    EXPECT_TRUE(::EqualRgn(region.get(), expected.get())) << "the region is not the page and the close spot's disc";
    for (const POINT& inside : {POINT{319, 180}, POINT{845, 528}, POINT{859, 169}})
        EXPECT_TRUE(::PtInRegion(region.get(), inside.x, inside.y)) << inside.x << ", " << inside.y;
    for (const POINT& outside : {POINT{846, 180}, POINT{318, 300}, POINT{847, 157}, POINT{319, 529}, POINT{0, 0}})
        EXPECT_FALSE(::PtInRegion(region.get(), outside.x, outside.y)) << outside.x << ", " << outside.y;
}

TEST(LoginShape, CanvasRunsOfTheShippedImages)
{
    const std::vector<AlphaRun> runs = LoginCanvasRuns();
    std::vector<AlphaRun> row180;
    for (const AlphaRun& run : runs) {
        if (run.y == 180)
            row180.push_back(run);
    }
    EXPECT_EQ(row180, (std::vector<AlphaRun>{{180, 319, 846}, {180, 855, 863}}));
    EXPECT_EQ(runs.size(), 373u) << "349 rows of the page rectangle and 24 rows of the close spot's disc";
}

TEST(LoginShape, WindowRegionIsThePageAndTheCloseSpot)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    ExpectLoginShape(launcher.hwnd(), "after start-up");

    // The region's own rectangles, however the platform merges the runs, cover exactly that shape.
    const UniqueRegion region = WindowRegion(launcher.hwnd());
    ASSERT_TRUE(region);
    UniqueRegion rebuilt(::CreateRectRgn(0, 0, 0, 0));
    const std::vector<RECT> rects = RegionRects(region.get());
    for (const RECT& rect : rects) {
        UniqueRegion piece(::CreateRectRgnIndirect(&rect));
        ::CombineRgn(rebuilt.get(), rebuilt.get(), piece.get(), RGN_OR);
    }
    EXPECT_TRUE(::EqualRgn(rebuilt.get(), ExpectedLoginShape().get()));
    std::printf("[ figures  ] the window region holds %zu rectangles (the canvas gives %zu runs)\n", rects.size(),
                LoginCanvasRuns().size());

    for (int round = 1; round <= 2; ++round) {
        launcher->EnterGameMode();
        EXPECT_FALSE(WindowRegion(launcher.hwnd())) << "game mode has no region";
        launcher->ReturnToLoginMode();
        ExpectLoginShape(launcher.hwnd(), round == 1 ? "after the first return" : "after the second return");
    }
}

// The login shape built the way the launcher window builds it, from the shipped images.
struct ShapeBuild {
    std::vector<AlphaRun> runs;
    UniqueRegion region;
};

ShapeBuild BuildLoginShape(const SkinImage& backdrop, const SkinImage& closeSpot)
{
    ShapeBuild build;
    SkinImage canvas;
    if (!canvas.Create(backdrop.Width(), backdrop.Height(), 32, 0))
        return build;
    PaintLoginShape(canvas.Pixels(), closeSpot.Pixels(), kCloseSpotLeft, kCloseSpotTop, kLoginPageRect);
    build.runs = AlphaRuns(canvas.Pixels());
    build.region.reset(::CreateRectRgn(0, 0, 0, 0));
    for (const AlphaRun& run : build.runs) {
        UniqueRegion row(::CreateRectRgn(run.left, run.y, run.right, run.y + 1));
        ::CombineRgn(build.region.get(), build.region.get(), row.get(), RGN_OR);
    }
    return build;
}

double Microseconds(LARGE_INTEGER start, LARGE_INTEGER end)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The processor time the calling thread has used, in microseconds.
double ThreadMicroseconds()
{
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return static_cast<double>(static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10.0;
}

// Prints how long the shape takes to build (canvas, runs and region), as a figure, not a limit.
TEST(LoginShape, BuildTimeFigure)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    SkinImage backdrop, closeSpot;
    OnTheSpotSkins().Load(backdrop, IDB_BACKDROP);
    OnTheSpotSkins().Load(closeSpot, IDB_CLOSE_SPOT);
    constexpr int kBuilds = 50;
    std::vector<double> times;
    ShapeBuild build;
    const double processorStart = ThreadMicroseconds();
    for (int i = 0; i < kBuilds; ++i) {
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        build = BuildLoginShape(backdrop, closeSpot);
        ::QueryPerformanceCounter(&end);
        times.push_back(Microseconds(start, end));
    }
    const double processor = (ThreadMicroseconds() - processorStart) / kBuilds;
    EXPECT_EQ(build.runs.size(), 373u);
    EXPECT_TRUE(::EqualRgn(build.region.get(), WindowRegion(launcher.hwnd()).get()));
    std::sort(times.begin(), times.end());
    std::printf("[ figures  ] login shape (canvas, runs, region) over %d builds: median %.0f us, fastest %.0f us, "
                "slowest %.0f us; processor time %.0f us a build\n",
                kBuilds, times[kBuilds / 2], times.front(), times.back(), processor);
}

// What the screen shows where the backdrop window stands.
std::unique_ptr<Canvas> ScreenUnder(HWND window)
{
    const RECT rect = WindowRect(window);
    auto shot = std::make_unique<Canvas>(rect.right - rect.left, rect.bottom - rect.top, 0);
    WindowDc screen(nullptr);
    ::BitBlt(shot->dc(), 0, 0, shot->Width(), shot->Height(), screen.get(), rect.left, rect.top, SRCCOPY);
    return shot;
}

Rgb ColourAt(const SkinImage& image, int x, int y)
{
    const std::uint8_t* pixel = image.Pixels().At(x, y);
    return static_cast<Rgb>(pixel[2]) << 16 | static_cast<Rgb>(pixel[1]) << 8 | pixel[0];
}

int AlphaAt(const SkinImage& image, int x, int y)
{
    return x < image.Width() && y < image.Height() ? image.Pixels().At(x, y)[3] : 0;
}

bool Near(Rgb a, Rgb b)
{
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 2)
            return false;
    }
    return true;
}

constexpr std::array<WORD, 3> kArtworkIds{IDB_ARTWORK_1, IDB_ARTWORK_2, IDB_ARTWORK_3};

// Which artwork picture a screen shot of the backdrop shows. Only hard-edged pixels are read:
// where the frame is opaque and each picture is either opaque or clear, a picture predicts its own
// colour or the frame's, whatever lies beneath and however partial alpha is shown.
struct ArtworkMatch {
    int index = -1;
    int samples = 0;
    std::array<int, 3> matches{};
};

ArtworkMatch ShownArtwork(const Canvas& shot)
{
    SkinImage frame;
    OnTheSpotSkins().Load(frame, IDB_BACKDROP);
    std::array<SkinImage, 3> artwork;
    for (std::size_t k = 0; k < artwork.size(); ++k)
        OnTheSpotSkins().Load(artwork[k], kArtworkIds[k]);

    ArtworkMatch match;
    for (int y = 0; y < std::min(frame.Height(), shot.Height()); y += 2) {
        for (int x = 0; x < std::min(frame.Width(), shot.Width()); x += 2) {
            if (AlphaAt(frame, x, y) != 255)
                continue;
            std::array<Rgb, 3> predicted{};
            bool hardEdged = true;
            for (std::size_t k = 0; k < artwork.size() && hardEdged; ++k) {
                const int alpha = AlphaAt(artwork[k], x, y);
                hardEdged = alpha == 0 || alpha == 255;
                predicted[k] = alpha ? ColourAt(artwork[k], x, y) : ColourAt(frame, x, y);
            }
            if (!hardEdged || (predicted[0] == predicted[1] && predicted[1] == predicted[2]))
                continue;
            ++match.samples;
            for (std::size_t k = 0; k < predicted.size(); ++k)
                match.matches[k] += Near(shot.At(x, y), predicted[k]);
        }
    }
    for (std::size_t k = 0; k < match.matches.size(); ++k) {
        if (match.samples > 1000 && match.matches[k] * 100 >= match.samples * 99)
            match.index = static_cast<int>(k);
    }
    return match;
}

std::string Text(const ArtworkMatch& match)
{
    char text[128];
    std::snprintf(text, sizeof(text), "%d of %d pixels match picture 1, %d picture 2, %d picture 3", match.matches[0],
                  match.samples, match.matches[1], match.matches[2]);
    return text;
}

// Pixels where the frame is opaque, so that only the backdrop window decides them, that differ
// between two shots.
int FrameDifferences(const Canvas& before, const Canvas& after)
{
    SkinImage frame;
    OnTheSpotSkins().Load(frame, IDB_BACKDROP);
    int differences = 0;
    for (int y = 0; y < std::min({frame.Height(), before.Height(), after.Height()}); ++y) {
        for (int x = 0; x < std::min({frame.Width(), before.Width(), after.Width()}); ++x)
            differences += AlphaAt(frame, x, y) == 255 && before.At(x, y) != after.At(x, y);
    }
    return differences;
}

TEST(Backdrop, LayeredPopupOwnedByTheLauncherAndOverIt)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    HWND backdrop = launcher.Backdrop();
    ASSERT_TRUE(::IsWindow(backdrop));
    EXPECT_TRUE(::GetWindowLongW(backdrop, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(::GetWindowLongW(backdrop, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(::GetWindow(backdrop, GW_OWNER), launcher.hwnd());
    EXPECT_TRUE(::IsWindowVisible(backdrop));
    EXPECT_TRUE(::IsWindowVisible(launcher.hwnd()));

    const RECT launcherRect = WindowRect(launcher.hwnd());
    EXPECT_EQ(launcherRect.right - launcherRect.left, 888);
    EXPECT_EQ(launcherRect.bottom - launcherRect.top, 591);
    EXPECT_TRUE(SameRect(launcherRect, CentredInWorkArea(888, 591))) << Text(launcherRect);
    EXPECT_TRUE(SameRect(WindowRect(backdrop), launcherRect)) << Text(WindowRect(backdrop));

    const auto first = ScreenUnder(backdrop);
    const ArtworkMatch shown = ShownArtwork(*first);
    EXPECT_NE(shown.index, -1) << Text(shown);

    // Moves of the launcher window carry the backdrop along; its picture moves with it unchanged.
    ::MoveWindow(launcher.hwnd(), 37, 41, 888, 591, TRUE);
    EXPECT_TRUE(SameRect(WindowRect(backdrop), RECT{37, 41, 37 + 888, 41 + 591})) << Text(WindowRect(backdrop));
    ::SetWindowPos(launcher.hwnd(), nullptr, 300, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(SameRect(WindowRect(backdrop), WindowRect(launcher.hwnd()))) << Text(WindowRect(backdrop));
    PumpMessages(100);
    const auto moved = ScreenUnder(backdrop);
    EXPECT_EQ(FrameDifferences(*first, *moved), 0);
}

TEST(Backdrop, HiddenInGameModeAndBackWithTheSamePicture)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    HWND backdrop = launcher.Backdrop();
    const auto before = ScreenUnder(backdrop);
    const ArtworkMatch shown = ShownArtwork(*before);
    ASSERT_NE(shown.index, -1) << Text(shown);
    const RECT loginRect = WindowRect(backdrop);

    launcher->EnterGameMode();
    PumpMessages(100);
    EXPECT_FALSE(::IsWindowVisible(backdrop));
    EXPECT_TRUE(SameRect(WindowRect(backdrop), loginRect)) << "the hidden backdrop does not follow";
    ::MoveWindow(launcher.hwnd(), 10, 10, 1000, 700, TRUE);
    EXPECT_TRUE(SameRect(WindowRect(backdrop), loginRect)) << "the hidden backdrop does not follow";
    ::ShowWindow(launcher.hwnd(), SW_HIDE);
    ::ShowWindow(launcher.hwnd(), SW_SHOW);
    EXPECT_FALSE(::IsWindowVisible(backdrop)) << "in game mode the backdrop stays hidden";

    // A fresh draw from the generator would pick another picture; the backdrop keeps its own.
    for (unsigned seed = 1; seed < 100; ++seed) {
        std::srand(seed);
        if (std::rand() % 3 != shown.index) {
            std::srand(seed);
            break;
        }
    }
    launcher->ReturnToLoginMode();
    PumpMessages(100);
    EXPECT_TRUE(::IsWindowVisible(backdrop));
    EXPECT_TRUE(SameRect(WindowRect(backdrop), WindowRect(launcher.hwnd()))) << Text(WindowRect(backdrop));
    EXPECT_TRUE(SameRect(WindowRect(backdrop), CentredInWorkArea(888, 591)));
    const auto after = ScreenUnder(backdrop);
    EXPECT_EQ(ShownArtwork(*after).index, shown.index);
    EXPECT_EQ(FrameDifferences(*before, *after), 0);
}

TEST(Backdrop, FollowsTheLaunchersHideAndShowInLoginMode)
{
    LauncherFixture launcher;
    ASSERT_TRUE(launcher.Created());
    launcher->ToggleVisibility();
    EXPECT_FALSE(::IsWindowVisible(launcher.hwnd()));
    EXPECT_FALSE(::IsWindowVisible(launcher.Backdrop()));
    launcher->ToggleVisibility();
    EXPECT_TRUE(::IsWindowVisible(launcher.hwnd()));
    EXPECT_TRUE(::IsWindowVisible(launcher.Backdrop()));
}

TEST(Backdrop, ArtworkComesFromTheSeededGenerator)
{
    // The first draw after seeding picks the picture: find a seed for each of the three.
    std::array<std::optional<unsigned>, 3> seeds;
    for (unsigned seed = 1; !(seeds[0] && seeds[1] && seeds[2]) && seed < 1000; ++seed) {
        std::srand(seed);
        auto& slot = seeds[static_cast<std::size_t>(std::rand() % 3)];
        if (!slot)
            slot = seed;
    }
    for (std::size_t k = 0; k < seeds.size(); ++k) {
        ASSERT_TRUE(seeds[k]);
        LauncherFixture launcher(LauncherFixture::kLoginMode, seeds[k]);
        ASSERT_TRUE(launcher.Created());
        PumpMessages(100);
        const ArtworkMatch shown = ShownArtwork(*ScreenUnder(launcher.Backdrop()));
        EXPECT_EQ(shown.index, static_cast<int>(k)) << "seed " << *seeds[k] << ": " << Text(shown);
    }
}

} // namespace
