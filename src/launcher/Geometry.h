#pragma once
// The launcher window's fixed geometry, the game-mode pane layout and the borderless frame's hit
// test. Rectangles have exclusive right and bottom edges.

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    bool Contains(int x, int y) const noexcept { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const Box&, const Box&) = default;
};

constexpr Box kLoginPageRect{319, 180, 319 + 527, 180 + 349};
constexpr int kCloseSpotLeft = 847;
constexpr int kCloseSpotTop = 157;
constexpr int kGameModeWidth = 1200;
constexpr int kGameModeHeight = 800;
constexpr int kCaptionBarHeight = 25;
constexpr int kEdgeBarThickness = 5;

struct GameLayout {
    Box pageHost;
    Box captionBar;
    Box leftBar;
    Box rightBar;
    Box bottomBar;
};

// The panes of game mode for a client area of cx by cy.
GameLayout LayoutGamePanes(int cx, int cy) noexcept;

// Hit codes of the frame, the values WM_NCHITTEST answers with.
enum FrameHit : int {
    kHitNowhere = 0,
    kHitClient = 1,
    kHitCaption = 2,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

constexpr int kEdgeBand = 3;
constexpr int kCornerBand = 10;

// The resize handle under a screen point of a window with the given rectangle: edge bands first,
// then corner bands; kHitNowhere when the point is in neither and the platform's answer stands.
FrameHit FrameHitTest(const Box& window, int x, int y) noexcept;

// The platform's default answer as the frame reports it: its own client area is the caption.
constexpr int CaptionForClient(int defaultHit) noexcept
{
    return defaultHit == kHitClient ? kHitCaption : defaultHit;
}
