#include "skin/SkinLook.h"

SkinFrame SkinButtonState::Draw(bool selected, bool disabled) noexcept
{
    if (selected)
        press = kPressed;
    if (press == kPressed) {
        selected = true;
        hover = false;
    }
    if (disabled)
        return kFrameDisabled;
    if (selected)
        return kFramePressed;
    return hover ? kFrameHover : kFrameNormal;
}

void SkinButtonState::Leave() noexcept
{
    press = kReleased;
    hover = false;
}

StripColumns FrameColumns(SkinFrame frame, int stripWidth) noexcept
{
    constexpr int kFramesPerStrip = 5;
    const int width = stripWidth > 0 ? stripWidth / kFramesPerStrip : 0;
    return {frame * width, width};
}

std::vector<int> TilePositions(int start, int step, int extent)
{
    std::vector<int> positions;
    if (step <= 0)
        return positions;
    for (long long at = start; at < extent; at += step)
        positions.push_back(static_cast<int>(at));
    return positions;
}

ThreeSlice LayoutThreeSlice(int width, int leftCapWidth, int tileWidth, int rightCapWidth)
{
    return {TilePositions(leftCapWidth, tileWidth, width), width - rightCapWidth};
}
