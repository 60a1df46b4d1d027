#pragma once
// The bars' skin painting, every piece at its natural size.
#include "skin/SkinImage.h"

// Left cap at 0, the tile repeated after it, the right cap last at width minus its width.
void DrawThreeSlice(HDC dc, int width, const SkinImage& leftCap, const SkinImage& tile,
                    const SkinImage& rightCap);
// The tile repeated downwards from the top; the last one is cut by the bottom edge.
void DrawTileColumn(HDC dc, int height, const SkinImage& tile);
