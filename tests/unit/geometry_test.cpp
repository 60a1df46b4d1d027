#include <gtest/gtest.h>

#include "launcher/Geometry.h"

namespace {

constexpr Box kWindow{100, 50, 1300, 850};

TEST(FrameHitTest, EdgeBandsComeBeforeCornerBands)
{
    struct Case {
        int x, y;
        FrameHit expected;
    };
    const Case cases[] = {
        {kWindow.left + 2, kWindow.top + 2, kHitLeft},          // inside both bands: the edge wins
        {kWindow.left + 5, kWindow.top + 5, kHitTopLeft},
        {kWindow.left + 3, kWindow.top + 400, kHitLeft},        // the left band is 4 pixels wide
        {kWindow.left + 4, kWindow.top + 400, kHitNowhere},
        {kWindow.right - 3, kWindow.top + 400, kHitRight},      // the right band is 3 pixels wide
        {kWindow.right - 4, kWindow.top + 400, kHitNowhere},
        {kWindow.left + 400, kWindow.top + 3, kHitTop},
        {kWindow.left + 400, kWindow.top + 4, kHitNowhere},
        {kWindow.left + 400, kWindow.bottom - 3, kHitBottom},
        {kWindow.left + 400, kWindow.bottom - 4, kHitNowhere},
        {kWindow.right - 10, kWindow.top + 10, kHitTopRight},
        {kWindow.right - 11, kWindow.top + 10, kHitNowhere},
        {kWindow.left + 10, kWindow.bottom - 10, kHitBottomLeft},
        {kWindow.left + 10, kWindow.bottom - 11, kHitNowhere},
        {kWindow.right - 4, kWindow.bottom - 4, kHitBottomRight},
        {kWindow.right - 2, kWindow.bottom - 2, kHitRight},
        {kWindow.left + 4, kWindow.bottom - 2, kHitBottom},
        {kWindow.left - 50, kWindow.top + 400, kHitLeft},       // outside the window still counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameHitTest(kWindow, c.x, c.y), c.expected) << "at " << c.x << ", " << c.y;
}

TEST(FrameHitTest, OwnClientAreaIsTheCaption)
{
    EXPECT_EQ(CaptionForClient(kHitClient), kHitCaption);
    EXPECT_EQ(CaptionForClient(kHitNowhere), kHitNowhere);
    EXPECT_EQ(CaptionForClient(kHitBottomRight), kHitBottomRight);
}

TEST(GameLayout, PanesForA1200By800Client)
{
    const GameLayout layout = LayoutGamePanes(1200, 800);
    EXPECT_EQ(layout.pageHost, (Box{5, 25, 5 + 1190, 25 + 770}));
    EXPECT_EQ(layout.captionBar, (Box{0, 0, 1200, 25}));
    EXPECT_EQ(layout.leftBar, (Box{0, 25, 5, 25 + 770}));
    EXPECT_EQ(layout.rightBar, (Box{1195, 25, 1200, 25 + 770}));
    EXPECT_EQ(layout.bottomBar, (Box{0, 795, 1200, 800}));
}

TEST(GameLayout, PanesTileTheClientWithoutOverlap)
{
    for (const auto& [cx, cy] : {std::pair{1440, 870}, std::pair{640, 480}, std::pair{37, 41}}) {
        const GameLayout layout = LayoutGamePanes(cx, cy);
        long area = 0;
        for (const Box& pane : {layout.pageHost, layout.captionBar, layout.leftBar, layout.rightBar, layout.bottomBar})
            area += static_cast<long>(pane.Width()) * pane.Height();
        EXPECT_EQ(area, static_cast<long>(cx) * cy) << cx << " x " << cy;
        EXPECT_EQ(layout.pageHost.right, layout.rightBar.left);
        EXPECT_EQ(layout.pageHost.bottom, layout.bottomBar.top);
    }
}

TEST(LoginGeometry, PageRectangleCoversColumns319To845AndRows180To528)
{
    EXPECT_TRUE(kLoginPageRect.Contains(319, 180));
    EXPECT_TRUE(kLoginPageRect.Contains(845, 528));
    EXPECT_FALSE(kLoginPageRect.Contains(846, 180));
    EXPECT_FALSE(kLoginPageRect.Contains(319, 529));
    EXPECT_EQ(kLoginPageRect.Width(), 527);
    EXPECT_EQ(kLoginPageRect.Height(), 349);
}

} // namespace
