// Skins decoded ahead on the worker thread: the same images as decoding on the spot, whatever the
// worker is doing when they are asked for, each handed out once, later images held back until
// asked for, failures decoded again by whoever asks, and nothing left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <list>
#include <memory>
#include <vector>

#include "resource.h"
#include "skin/SkinImage.h"
#include "skin/SkinPreload.h"
#include "support.h"

namespace {

constexpr WORD kNoSuchImage = 999;
constexpr DWORD kHangBound = 20000;

::testing::AssertionResult SameImage(const SkinImage& actual, const SkinImage& expected)
{
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height() ||
        actual.BitsPerPixel() != expected.BitsPerPixel() || actual.HasAlpha() != expected.HasAlpha())
        return ::testing::AssertionFailure() << "another size or format";
    const std::size_t rowBytes = (static_cast<std::size_t>(actual.Width()) * actual.BitsPerPixel() + 7) / 8;
    for (int y = 0; y < actual.Height(); ++y) {
        if (std::memcmp(actual.Pixels().At(0, y), expected.Pixels().At(0, y), rowBytes) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    }
    return ::testing::AssertionSuccess();
}

// What the owner of a preload does with it, in turn; kWorkerEnds waits until the worker has ended.
struct Step {
    enum Kind { kStart, kAdd, kContinue, kStop, kWorkerEnds, kLoad } kind;
    WORD id = 0;
};

constexpr Step kStart{Step::kStart};
constexpr Step kContinue{Step::kContinue};
constexpr Step kStop{Step::kStop};
constexpr Step kWorkerEnds{Step::kWorkerEnds};
constexpr Step Add(WORD id) { return {Step::kAdd, id}; }
constexpr Step Load(WORD id) { return {Step::kLoad, id}; }

struct HandOverCase {
    const char* name;
    std::vector<WORD> firstFrame;
    std::vector<WORD> later;
    std::vector<Step> steps;
};

// Later images asked for before Continue: the launcher entering game mode at once.
const HandOverCase kHandOverCases[] = {
    {"worker running, asked out of order and for later images before Continue", {IDB_BACKDROP, IDB_CLOSE_SPOT},
     {IDB_SIDE_TILE, IDB_CLOSE_STRIP},
     {kStart, Add(IDB_ARTWORK_3), Load(IDB_CLOSE_SPOT), Load(IDB_ARTWORK_3), Load(IDB_BACKDROP),
      Load(IDB_CLOSE_STRIP), Load(IDB_SIDE_TILE)}},
    {"worker stopped while it decodes", {IDB_BACKDROP, IDB_ARTWORK_1, IDB_ARTWORK_2}, {IDB_CAPTION_LEFT},
     {kStart, kStop, Add(IDB_ARTWORK_3), Load(IDB_ARTWORK_2), Load(IDB_BACKDROP), Load(IDB_ARTWORK_1),
      Load(IDB_CAPTION_LEFT), Load(IDB_ARTWORK_3)}},
    {"worker never started", {IDB_CLOSE_SPOT}, {IDB_SIDE_TILE},
     {Add(IDB_ARTWORK_3), kContinue, Load(IDB_ARTWORK_3), Load(IDB_CLOSE_SPOT), Load(IDB_SIDE_TILE)}},
    {"image asked for more often than preloaded", {IDB_SIDE_TILE, IDB_SIDE_TILE}, {},
     {kStart, Load(IDB_SIDE_TILE), Load(IDB_SIDE_TILE), Load(IDB_SIDE_TILE), Load(IDB_CLOSE_SPOT)}},
    {"image added after the later ones were taken and the worker ended", {IDB_CLOSE_SPOT}, {IDB_SIDE_TILE},
     {kStart, Load(IDB_CLOSE_SPOT), Load(IDB_SIDE_TILE), kWorkerEnds, Add(IDB_ARTWORK_1), Load(IDB_ARTWORK_1)}},
};

struct Loaded {
    explicit Loaded(WORD resourceId) noexcept : id(resourceId) {}
    WORD id;
    SkinImage image;
};

// The case's steps on a thread of their own, as the launcher's UI thread takes them: what each
// Load gave, or nothing when they did not end within the bound. Without its worker to wait for,
// the case stops short of its later steps.
std::shared_ptr<std::list<Loaded>> RunWithinBound(const HandOverCase& handOver)
{
    const auto loaded = std::make_shared<std::list<Loaded>>();
    const bool ended = EndsWithin(kHangBound, [&handOver, loaded] {
        SkinPreload preload;
        UniqueKernelHandle worker;
        for (const Step& step : handOver.steps) {
            switch (step.kind) {
            case Step::kStart:
                worker = ThreadStartedBy([&] { preload.Start(handOver.firstFrame, handOver.later); });
                break;
            case Step::kAdd:
                preload.AddToFirstFrame(step.id);
                break;
            case Step::kContinue:
                preload.Continue();
                break;
            case Step::kStop:
                preload.Stop();
                break;
            case Step::kWorkerEnds:
                if (::WaitForSingleObject(worker.get(), INFINITE) != WAIT_OBJECT_0)
                    return;
                break;
            case Step::kLoad:
                preload.Load(loaded->emplace_back(step.id).image, step.id);
                break;
            }
        }
    });
    return ended ? loaded : nullptr;
}

TEST(SkinPreload, EveryRequestGetsWhatDecodingOnTheSpotGives)
{
    DebugOutput output;
    for (const HandOverCase& handOver : kHandOverCases) {
        SCOPED_TRACE(handOver.name);
        const auto loaded = RunWithinBound(handOver);
        ASSERT_NE(loaded, nullptr) << "a request waited without end";
        EXPECT_EQ(loaded->size(), static_cast<std::size_t>(std::count_if(
                                      handOver.steps.begin(), handOver.steps.end(),
                                      [](const Step& step) { return step.kind == Step::kLoad; })));
        for (const Loaded& result : *loaded) {
            SkinImage decoded;
            OnTheSpotSkins().Load(decoded, result.id);
            ASSERT_FALSE(decoded.IsNull()) << result.id;
            EXPECT_FALSE(result.image.IsNull()) << result.id;
            EXPECT_TRUE(SameImage(result.image, decoded)) << result.id;
        }
    }
    EXPECT_EQ(output.CountOf("skin image"), 0) << "a failure decoded again is no failure";
}

// The worker misses it quietly; the owner's thread misses it again and says so, once.
TEST(SkinPreload, MissingResourceGivesAnEmptyImageAndOneTraceLine)
{
    const std::array<WORD, 1> missing{kNoSuchImage};
    SkinPreload preload;
    preload.Start(missing, {});
    SkinImage image;
    OnTheSpotSkins().Load(image, IDB_CLOSE_SPOT);
    ASSERT_FALSE(image.IsNull());
    DebugOutput output;
    preload.Load(image, kNoSuchImage);
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(output.CountOf("Lumvane: finding skin image 999 failed"), 1);
}

TEST(SkinPreload, EndingItLeavesNoGdiObjectAndNoWorker)
{
    SkinImage keepsDrawingStarted;
    ASSERT_TRUE(StartSkinDrawing());
    const int before = CountGdiObjects();
    {
        const std::array<WORD, 3> firstFrame{IDB_CLOSE_SPOT, IDB_BACKDROP, IDB_ARTWORK_2};
        const std::array<WORD, 1> later{IDB_SIDE_TILE};
        SkinPreload preload;
        // Ends with images untaken and the later one held back.
        const UniqueKernelHandle worker = ThreadStartedBy([&] { preload.Start(firstFrame, later); });
        ASSERT_TRUE(worker);
        SkinImage taken;
        preload.Load(taken, IDB_CLOSE_SPOT);
        EXPECT_FALSE(taken.IsNull());
        preload.Stop();
        EXPECT_EQ(::WaitForSingleObject(worker.get(), 0), WAIT_OBJECT_0) << "the worker has ended";
    }
    EXPECT_EQ(CountGdiObjects(), before);
}

} // namespace
