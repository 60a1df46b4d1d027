#pragma once
// The login window's shape: a canvas of the backdrop's size on which the close spot's pixels and
// the page rectangle are painted, read back as runs of non-zero alpha, one per row and run. The
// canvas is painted and read a row at a time, so the whole of it never has to exist.
#include <vector>

#include "launcher/Geometry.h"
#include "skin/Pixels.h"

struct AlphaRun {
    int y;
    int left;
    int right; // exclusive
    friend bool operator==(const AlphaRun&, const AlphaRun&) = default;
};

// Copies the close spot's 32-bit pixels to origin and fills the page rectangle with opaque white.
// Whatever falls outside the canvas is left out, so any canvas, close spot, origin or page is safe.
void PaintLoginShape(const PixelView& canvas, const PixelView& closeSpot, int originX, int originY,
                     const Box& page) noexcept;

// Every maximal run of pixels whose alpha byte is not 0, row by row, left to right.
std::vector<AlphaRun> AlphaRuns(const PixelView& image);

// The runs of a transparent width by height canvas with the login shape painted on it: the same as
// AlphaRuns of such a canvas after PaintLoginShape, made with one row of memory.
std::vector<AlphaRun> LoginShapeRuns(int width, int height, const PixelView& closeSpot, int originX, int originY,
                                     const Box& page);
