#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "skin/SkinLook.h"

namespace {

// The caption bar's and the bottom bar's pieces: two 151-pixel caps around a 14-pixel tile.
constexpr int kCapWidth = 151;
constexpr int kTileWidth = 14;
// The side bar's tile height.
constexpr int kSideTileHeight = 20;

struct FrameCase {
    const char* what;
    bool hover;
    int press;
    bool selected;
    bool disabled;
    SkinFrame frame;
    bool hoverAfter;
    int pressAfter;
};

TEST(SkinButtonState, FrameForEveryStateCombination)
{
    constexpr int kUp = SkinButtonState::kReleased;
    constexpr int kDown = SkinButtonState::kPressed;
    const FrameCase cases[] = {
        {"nothing", false, kUp, false, false, kFrameNormal, false, kUp},
        {"hover", true, kUp, false, false, kFrameHover, true, kUp},
        {"selected", false, kUp, true, false, kFramePressed, false, kDown},
        {"selected under the pointer", true, kUp, true, false, kFramePressed, false, kDown},
        {"latched, released", false, kDown, false, false, kFramePressed, false, kDown},
        {"latched, released, pointer moved again", true, kDown, false, false, kFramePressed, false, kDown},
        {"disabled", false, kUp, false, true, kFrameDisabled, false, kUp},
        {"disabled under the pointer", true, kUp, false, true, kFrameDisabled, true, kUp},
        {"disabled and selected", false, kUp, true, true, kFrameDisabled, false, kDown},
        {"disabled, selected, hovered", true, kUp, true, true, kFrameDisabled, false, kDown},
        {"disabled while latched", true, kDown, false, true, kFrameDisabled, false, kDown},
    };
    for (const FrameCase& c : cases) {
        SkinButtonState state;
        state.hover = c.hover;
        state.press = c.press;
        EXPECT_EQ(state.Draw(c.selected, c.disabled), c.frame) << c.what;
        EXPECT_EQ(state.hover, c.hoverAfter) << c.what;
        EXPECT_EQ(state.press, c.pressAfter) << c.what;
        EXPECT_NE(static_cast<int>(state.Draw(c.selected, c.disabled)), 2) << c.what << ": frame 2 is never drawn";
    }
}

TEST(SkinButtonState, StartsReleasedWithoutHover)
{
    SkinButtonState state;
    EXPECT_FALSE(state.hover);
    EXPECT_EQ(state.press, SkinButtonState::kReleased);
    EXPECT_EQ(state.Draw(false, false), kFrameNormal);
}

TEST(SkinButtonState, PressLatchesAfterReleaseUntilThePointerLeaves)
{
    SkinButtonState state;
    state.hover = true; // the pointer entered
    EXPECT_EQ(state.Draw(false, false), kFrameHover);
    EXPECT_EQ(state.Draw(true, false), kFramePressed); // button down
    EXPECT_EQ(state.Draw(false, false), kFramePressed) << "released inside: the press stays";
    state.hover = true; // a later pointer move sets the flag again
    EXPECT_EQ(state.Draw(false, false), kFramePressed) << "no hover frame while latched";
    EXPECT_FALSE(state.hover) << "a latched drawing clears the hover flag";

    state.Leave();
    EXPECT_EQ(state.press, SkinButtonState::kReleased);
    EXPECT_FALSE(state.hover);
    EXPECT_EQ(state.Draw(false, false), kFrameNormal);
    state.hover = true; // entering again
    EXPECT_EQ(state.Draw(false, false), kFrameHover);
}

TEST(SkinButtonState, LeaveOnAFreshButtonKeepsItNormal)
{
    SkinButtonState state;
    state.Leave();
    EXPECT_EQ(state.Draw(false, false), kFrameNormal);
}

TEST(FrameColumns, FiveEqualFramesLeftoverColumnsUnused)
{
    struct Case {
        int stripWidth;
        int frameWidth;
    };
    // 95 is the shipped strips' width; 97 and 99 leave 2 and 4 columns over; 4 makes no frame at all.
    const Case cases[] = {{95, 19}, {97, 19}, {99, 19}, {100, 20}, {5, 1}, {4, 0}, {0, 0}, {-10, 0}};
    for (const Case& c : cases) {
        for (SkinFrame frame : {kFrameNormal, kFramePressed, kFrameHover, kFrameDisabled}) {
            const StripColumns columns = FrameColumns(frame, c.stripWidth);
            EXPECT_EQ(columns.width, c.frameWidth) << "strip " << c.stripWidth;
            EXPECT_EQ(columns.x, static_cast<int>(frame) * c.frameWidth) << "strip " << c.stripWidth;
        }
        const StripColumns last = FrameColumns(kFrameDisabled, c.stripWidth);
        EXPECT_LE(last.x + last.width, std::max(c.stripWidth, 0)) << "no frame reaches past the strip";
    }
    const StripColumns disabled = FrameColumns(kFrameDisabled, 97);
    EXPECT_EQ(disabled.x + disabled.width, 95) << "columns 95 and 96 of a 97-pixel strip belong to no frame";
}

// Checks tile positions against the tiling rule: from start, one step apart, each starting before
// the extent, and the next one would not.
void ExpectTiling(const std::vector<int>& tiles, int start, int step, int extent, std::size_t count)
{
    ASSERT_EQ(tiles.size(), count) << "extent " << extent;
    for (std::size_t i = 0; i < tiles.size(); ++i)
        EXPECT_EQ(tiles[i], start + static_cast<int>(i) * step) << "tile " << i << ", extent " << extent;
    if (!tiles.empty()) {
        EXPECT_LT(tiles.back(), extent);
        EXPECT_GE(tiles.back() + step, extent) << "a further tile would still start inside";
    }
}

TEST(ThreeSlice, TilesAndRightCapForBarWidths)
{
    struct Case {
        int width;
        std::size_t tiles;
        int rightCapX;
    };
    const Case cases[] = {
        {100, 0, 100 - kCapWidth},  // narrower than one cap: the right cap starts left of the bar
        {151, 0, 0},                // exactly the left cap: no tile, the right cap covers it
        {152, 1, 1},                // one pixel more: one tile, almost all of it under the right cap
        {302, 11, kCapWidth},       // both caps side by side; the tiles run on under the right cap
        {1200, 75, 1200 - kCapWidth},
    };
    for (const Case& c : cases) {
        const ThreeSlice layout = LayoutThreeSlice(c.width, kCapWidth, kTileWidth, kCapWidth);
        ExpectTiling(layout.tiles, kCapWidth, kTileWidth, c.width, c.tiles);
        EXPECT_EQ(layout.rightCapX, c.rightCapX) << "width " << c.width;
    }
}

TEST(ThreeSlice, LastTileIsCutByTheBarEdge)
{
    const ThreeSlice layout = LayoutThreeSlice(1200, kCapWidth, kTileWidth, kCapWidth);
    ASSERT_FALSE(layout.tiles.empty());
    EXPECT_EQ(layout.tiles.back(), 1187);
    EXPECT_GT(layout.tiles.back() + kTileWidth, 1200);
}

TEST(ThreeSlice, EmptyTileDrawsCapsOnly)
{
    for (int tileWidth : {0, -14}) {
        const ThreeSlice layout = LayoutThreeSlice(1200, kCapWidth, tileWidth, kCapWidth);
        EXPECT_TRUE(layout.tiles.empty()) << "tile width " << tileWidth;
        EXPECT_EQ(layout.rightCapX, 1200 - kCapWidth);
    }
    const ThreeSlice noCaps = LayoutThreeSlice(300, 0, 0, 0);
    EXPECT_TRUE(noCaps.tiles.empty());
    EXPECT_EQ(noCaps.rightCapX, 300);
}

TEST(TileColumn, SideBarHeights)
{
    ExpectTiling(TilePositions(0, kSideTileHeight, 0), 0, kSideTileHeight, 0, 0);
    ExpectTiling(TilePositions(0, kSideTileHeight, 20), 0, kSideTileHeight, 20, 1);
    ExpectTiling(TilePositions(0, kSideTileHeight, 47), 0, kSideTileHeight, 47, 3); // the third is cut at 47
    ExpectTiling(TilePositions(0, kSideTileHeight, 770), 0, kSideTileHeight, 770, 39);
    EXPECT_TRUE(TilePositions(0, kSideTileHeight, -5).empty());
}

TEST(TileColumn, StepOfZeroOrLessGivesNoTile)
{
    for (int step : {0, -1, -20})
        EXPECT_TRUE(TilePositions(0, step, 47).empty()) << "step " << step;
}

TEST(TileColumn, PositionsNearTheIntegerLimitDoNotWrap)
{
    const std::vector<int> tiles = TilePositions(2147483600, 20, 2147483647);
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_EQ(tiles.back(), 2147483640);
}

} // namespace
