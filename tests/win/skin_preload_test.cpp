// Skins decoded ahead on the worker thread: the same images as decoding on the spot, whatever the
// worker is doing when they are asked for, each handed out once, later images held back until
// asked for, failures decoded again by whoever asks, and nothing left behind.
#include <gtest/gtest.h>

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

// A worker that can decode nothing, as one without COM or WIC.
bool DecodeNothing(SkinImage& image, WORD) noexcept
{
    image.Destroy();
    return false;
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
    SkinPreload::Decoder workerDecode;
    std::vector<WORD> firstFrame;
    std::vector<WORD> later;
    std::vector<Step> steps;
};

// Later images asked for before Continue: the launcher entering game mode at once.
const HandOverCase kHandOverCases[] = {
    {"worker running, asked out of order and for later images before Continue", &TryDecodeSkinResource,
     {IDB_BACKDROP, IDB_CLOSE_SPOT}, {IDB_SIDE_TILE, IDB_CLOSE_STRIP},
     {kStart, Add(IDB_ARTWORK_3), Load(IDB_CLOSE_SPOT), Load(IDB_ARTWORK_3), Load(IDB_BACKDROP),
      Load(IDB_CLOSE_STRIP), Load(IDB_SIDE_TILE)}},
    {"worker stopped while it decodes", &TryDecodeSkinResource,
     {IDB_BACKDROP, IDB_ARTWORK_1, IDB_ARTWORK_2}, {IDB_CAPTION_LEFT},
     {kStart, kStop, Add(IDB_ARTWORK_3), Load(IDB_ARTWORK_2), Load(IDB_BACKDROP), Load(IDB_ARTWORK_1),
      Load(IDB_CAPTION_LEFT), Load(IDB_ARTWORK_3)}},
    {"worker never started", &TryDecodeSkinResource, {IDB_CLOSE_SPOT}, {IDB_SIDE_TILE},
     {Add(IDB_ARTWORK_3), kContinue, Load(IDB_ARTWORK_3), Load(IDB_CLOSE_SPOT), Load(IDB_SIDE_TILE)}},
    {"worker failed on every image", &DecodeNothing, {IDB_CLOSE_SPOT, IDB_BACKDROP}, {IDB_SIDE_TILE},
     {kStart, Add(IDB_ARTWORK_2), Load(IDB_BACKDROP), Load(IDB_ARTWORK_2), Load(IDB_SIDE_TILE),
      Load(IDB_CLOSE_SPOT)}},
    {"image asked for more often than preloaded", &TryDecodeSkinResource, {IDB_SIDE_TILE, IDB_SIDE_TILE}, {},
     {kStart, Load(IDB_SIDE_TILE), Load(IDB_SIDE_TILE), Load(IDB_SIDE_TILE), Load(IDB_CLOSE_SPOT)}},
    {"image added after the later ones were taken and the worker ended", &TryDecodeSkinResource, {IDB_CLOSE_SPOT},
     {IDB_SIDE_TILE},
     {kStart, Load(IDB_CLOSE_SPOT), Load(IDB_SIDE_TILE), kWorkerEnds, Add(IDB_ARTWORK_1), Load(IDB_ARTWORK_1)}},
};

struct Loaded {
    explicit Loaded(WORD resourceId) noexcept : id(resourceId) {}
    WORD id;
    bool found = false;
    SkinImage image;
};

// The case's steps on a thread of their own, as the launcher's UI thread takes them: what each
// Load gave, or nothing when they did not end within the bound.
std::shared_ptr<std::list<Loaded>> RunWithinBound(const HandOverCase& handOver)
{
    const auto loaded = std::make_shared<std::list<Loaded>>();
    const bool ended = EndsWithin(kHangBound, [&handOver, loaded] {
        SkinPreload preload(handOver.workerDecode);
        for (const Step& step : handOver.steps) {
            switch (step.kind) {
            case Step::kStart:
                preload.Start(handOver.firstFrame, handOver.later);
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
                while (preload.Working())
                    ::Sleep(1);
                break;
            case Step::kLoad: {
                Loaded& result = loaded->emplace_back(step.id);
                result.found = preload.Load(result.image, step.id);
                break;
            }
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
        for (const Loaded& result : *loaded) {
            SkinImage decoded;
            ASSERT_TRUE(LoadSkinImage(&decoded, result.id));
            EXPECT_TRUE(result.found) << result.id;
            EXPECT_FALSE(result.image.IsNull()) << result.id;
            EXPECT_TRUE(SameImage(result.image, decoded)) << result.id;
        }
    }
    EXPECT_EQ(output.CountOf("skin image"), 0) << "a failure decoded again is no failure";
}

// The worker misses it quietly; the owner's thread misses it again and says so, once.
TEST(SkinPreload, MissingResourceGivesFalseAnEmptyImageAndOneTraceLine)
{
    const std::array<WORD, 1> missing{kNoSuchImage};
    SkinPreload preload;
    preload.Start(missing, {});
    SkinImage image;
    ASSERT_TRUE(LoadSkinImage(&image, IDB_CLOSE_SPOT));
    DebugOutput output;
    EXPECT_FALSE(preload.Load(image, kNoSuchImage));
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
        preload.Start(firstFrame, later); // ends with images untaken and the later one held back
        SkinImage taken;
        ASSERT_TRUE(preload.Load(taken, IDB_CLOSE_SPOT));
        preload.Stop();
        EXPECT_FALSE(preload.Working());
    }
    EXPECT_EQ(CountGdiObjects(), before);
}

} // namespace
