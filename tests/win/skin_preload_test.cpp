// Skins decoded ahead on the worker thread: the same images as decoding on the spot, each handed
// out once, later images held back until asked for, and nothing left behind.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "resource.h"
#include "skin/SkinImage.h"
#include "skin/SkinPreload.h"
#include "support.h"

namespace {

constexpr WORD kNoSuchImage = 999;

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

TEST(SkinPreload, HandsOutWhatDecodingGives)
{
    const std::array<WORD, 3> firstFrame{IDB_CLOSE_SPOT, IDB_BACKDROP, IDB_ARTWORK_2};
    const std::array<WORD, 2> later{IDB_SIDE_TILE, IDB_CLOSE_STRIP};
    SkinPreload preload;
    preload.Start(firstFrame, later);
    preload.Continue();
    for (WORD id : {IDB_CLOSE_SPOT, IDB_BACKDROP, IDB_ARTWORK_2, IDB_SIDE_TILE, IDB_CLOSE_STRIP}) {
        SkinImage preloaded, decoded;
        ASSERT_TRUE(LoadSkinImage(&preloaded, id));
        ASSERT_TRUE(DecodeSkinResource(decoded, id));
        EXPECT_FALSE(preloaded.IsNull()) << id;
        EXPECT_TRUE(SameImage(preloaded, decoded)) << id;
    }
}

// The launcher draws its artwork once its window exists, after the preload has started.
TEST(SkinPreload, AnImageAddedAfterTheStartIsPreloaded)
{
    const std::array<WORD, 1> firstFrame{IDB_CLOSE_SPOT};
    const std::array<WORD, 1> later{IDB_SIDE_TILE};
    SkinPreload preload;
    preload.Start(firstFrame, later);
    preload.AddToFirstFrame(IDB_ARTWORK_3);
    SkinImage preloaded, decoded;
    ASSERT_EQ(SkinPreload::TakeActive(IDB_ARTWORK_3, preloaded), true);
    ASSERT_TRUE(DecodeSkinResource(decoded, IDB_ARTWORK_3));
    EXPECT_TRUE(SameImage(preloaded, decoded));

    SkinPreload notStarted;
    notStarted.AddToFirstFrame(IDB_ARTWORK_1);
    EXPECT_EQ(SkinPreload::TakeActive(IDB_ARTWORK_1, preloaded), std::nullopt) << "only a started preload takes it";
}

TEST(SkinPreload, EachImageIsHandedOutOnce)
{
    const std::array<WORD, 2> twice{IDB_SIDE_TILE, IDB_SIDE_TILE};
    SkinPreload preload;
    preload.Start(twice, {});
    SkinImage image;
    EXPECT_EQ(SkinPreload::TakeActive(IDB_SIDE_TILE, image), true);
    EXPECT_EQ(SkinPreload::TakeActive(IDB_SIDE_TILE, image), true);
    EXPECT_EQ(SkinPreload::TakeActive(IDB_SIDE_TILE, image), std::nullopt) << "the third load decodes itself";
    EXPECT_EQ(SkinPreload::TakeActive(IDB_CLOSE_SPOT, image), std::nullopt) << "not preloaded";
}

// Entering game mode at once takes the game-mode skins before the launcher has let them go.
TEST(SkinPreload, TakingALaterImageDoesNotWaitForContinue)
{
    const std::array<WORD, 1> firstFrame{IDB_CLOSE_SPOT};
    const std::array<WORD, 1> later{IDB_CAPTION_LEFT};
    SkinPreload preload;
    preload.Start(firstFrame, later);
    SkinImage image;
    ASSERT_TRUE(LoadSkinImage(&image, IDB_CAPTION_LEFT));
    EXPECT_EQ(image.Width(), 151);
    EXPECT_EQ(image.Height(), 25);
}

TEST(SkinPreload, MissingResourceGivesFalseAndAnEmptyImage)
{
    const std::array<WORD, 1> missing{kNoSuchImage};
    SkinPreload preload;
    preload.Start(missing, {});
    SkinImage image;
    ASSERT_TRUE(DecodeSkinResource(image, IDB_CLOSE_SPOT));
    EXPECT_FALSE(LoadSkinImage(&image, kNoSuchImage));
    EXPECT_TRUE(image.IsNull());
}

TEST(SkinPreload, EndingItLeavesNoGdiObjectAndNoPreload)
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
        ASSERT_TRUE(LoadSkinImage(&taken, IDB_CLOSE_SPOT));
    }
    EXPECT_EQ(CountGdiObjects(), before);
    SkinImage image;
    EXPECT_EQ(SkinPreload::TakeActive(IDB_BACKDROP, image), std::nullopt);
}

} // namespace
