#pragma once
// What the skin pieces draw where: the skin button's frame choice and the bars' tiling.
#include <vector>

// Frames of a skin button's five-frame strip; frame 2 is never drawn.
enum SkinFrame : int { kFrameNormal = 0, kFramePressed = 1, kFrameHover = 3, kFrameDisabled = 4 };

struct SkinButtonState {
    static constexpr int kReleased = 1;
    static constexpr int kPressed = 2;

    bool hover = false;
    int press = kReleased; // a press latches until the pointer leaves the button

    // The frame for one drawing with the control's selected and disabled state; a selected
    // control latches the press, and a latched press clears the hover flag.
    SkinFrame Draw(bool selected, bool disabled) noexcept;
    // The pointer left the button.
    void Leave() noexcept;
};

// The columns of one frame in a strip of five frames of equal width; a strip whose width is not a
// multiple of five leaves its rightmost columns to no frame.
struct StripColumns {
    int x;
    int width;
};
StripColumns FrameColumns(SkinFrame frame, int stripWidth) noexcept;

// Positions of a tile repeated from start while it begins before extent; none for a step of 0 or less.
std::vector<int> TilePositions(int start, int step, int extent);

// A bar of the given width: left cap at 0, tiles after it, the right cap drawn last at its x.
struct ThreeSlice {
    std::vector<int> tiles;
    int rightCapX = 0;
};
ThreeSlice LayoutThreeSlice(int width, int leftCapWidth, int tileWidth, int rightCapWidth);
