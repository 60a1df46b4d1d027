#include "skin/BarPaint.h"

#include "skin/SkinLook.h"

namespace {

void DrawWhole(HDC dc, const SkinImage& image, int x, int y) noexcept
{
    image.Draw(dc, x, y, image.Width(), image.Height(), 0, 0, image.Width(), image.Height());
}

// Keeps an image's DC borrowed over a run of draws: its bitmap is selected once for the run, not
// once per tile, which is most of a tile's cost.
class BorrowedDc {
public:
    explicit BorrowedDc(const SkinImage& image) noexcept : image_(image), borrowed_(image.GetDC() != nullptr) {}
    ~BorrowedDc()
    {
        if (borrowed_)
            image_.ReleaseDC();
    }
    BorrowedDc(const BorrowedDc&) = delete;
    BorrowedDc& operator=(const BorrowedDc&) = delete;

private:
    const SkinImage& image_;
    bool borrowed_;
};

} // namespace

void DrawThreeSlice(HDC dc, int width, const SkinImage& leftCap, const SkinImage& tile,
                    const SkinImage& rightCap)
{
    const ThreeSlice layout = LayoutThreeSlice(width, leftCap.Width(), tile.Width(), rightCap.Width());
    BorrowedDc tiles(tile);
    DrawWhole(dc, leftCap, 0, 0);
    for (int x : layout.tiles)
        DrawWhole(dc, tile, x, 0);
    DrawWhole(dc, rightCap, layout.rightCapX, 0);
}

void DrawTileColumn(HDC dc, int height, const SkinImage& tile)
{
    BorrowedDc tiles(tile);
    for (int y : TilePositions(0, tile.Height(), height))
        DrawWhole(dc, tile, 0, y);
}
