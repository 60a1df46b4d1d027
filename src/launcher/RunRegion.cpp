#include "launcher/RunRegion.h"

#include <climits>
#include <new>

UniqueRegion RegionFromRuns(const std::vector<AlphaRun>& runs, int left, int top) noexcept
{
    std::vector<std::uint8_t> data;
    try {
        data.resize(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    } catch (const std::bad_alloc&) {
        return UniqueRegion(nullptr);
    }
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    RECT bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    auto* rects = reinterpret_cast<RECT*>(region->Buffer);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const AlphaRun& run = runs[i];
        rects[i] = {left + run.left, top + run.y, left + run.right, top + run.y + 1};
        ::UnionRect(&bounds, &bounds, &rects[i]);
    }
    region->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<DWORD>(runs.size()),
                   static_cast<DWORD>(runs.size() * sizeof(RECT)), runs.empty() ? RECT{} : bounds};
    return UniqueRegion(::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region));
}
