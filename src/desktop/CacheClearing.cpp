#include "desktop/CacheClearing.h"

namespace {

constexpr std::uint32_t kSuccess = 0;

} // namespace

bool ClearUrlCache(UrlCacheApi& cache) noexcept
{
    std::uint32_t size = kFirstEntryBlockSize;
    void* block = nullptr;
    UrlCacheApi::FindHandle find = nullptr;
    std::uint32_t outcome = kErrorInsufficientBuffer;
    for (;;) {
        // The call may write back the size of a smaller entry; the block keeps its own size.
        std::uint32_t reported = size;
        bool found = false;
        if (outcome == kSuccess) {
            if (!(cache.EntryType(block) & kCookieEntry))
                cache.DeleteEntry(block);
            found = cache.FindNext(find, block, reported);
        } else if (outcome == kErrorInsufficientBuffer) {
            cache.FreeEntryBlock(block);
            block = cache.NewEntryBlock(size);
            if (!block)
                break;
            if (find) {
                found = cache.FindNext(find, block, reported);
            } else {
                find = cache.FindFirst(block, reported);
                found = find != nullptr;
            }
        } else {
            break;
        }
        if (found) {
            outcome = kSuccess;
            continue;
        }
        outcome = cache.LastError();
        // A block that is said to be too small must grow, or the same entry is asked for forever.
        if (outcome == kErrorInsufficientBuffer && reported <= size)
            break;
        size = reported;
    }
    cache.FreeEntryBlock(block);
    if (find)
        cache.FindClose(find);
    return outcome == kErrorNoMoreItems;
}
