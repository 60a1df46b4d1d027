#pragma once
// Emptying the URL cache except for its cookies, written against the few cache calls it makes so
// the same loop runs on the platform's URL cache and on a scripted one.
#include <cstdint>

// The URL cache as the clearing loop sees it. An entry block is one piece of memory that receives
// one entry at a time; its size is in bytes.
class UrlCacheApi {
public:
    using FindHandle = void*;

    virtual ~UrlCacheApi() = default;

    // A block of the given size that records that size as its own, or null when none can be had.
    virtual void* NewEntryBlock(std::uint32_t size) noexcept = 0;
    // Frees a block; null is no block.
    virtual void FreeEntryBlock(void* block) noexcept = 0;

    // Fill the block with the first or next entry. size is the block's size on the way in and, on
    // failure, what the call reports back (the size needed for ERROR_INSUFFICIENT_BUFFER).
    virtual FindHandle FindFirst(void* block, std::uint32_t& size) noexcept = 0;
    virtual bool FindNext(FindHandle find, void* block, std::uint32_t& size) noexcept = 0;
    virtual void FindClose(FindHandle find) noexcept = 0;
    // The error of the last failed call.
    virtual std::uint32_t LastError() noexcept = 0;

    // The type bits of the entry in the block, and deleting that entry.
    virtual std::uint32_t EntryType(const void* block) noexcept = 0;
    virtual void DeleteEntry(const void* block) noexcept = 0;
};

inline constexpr std::uint32_t kFirstEntryBlockSize = 4096;
inline constexpr std::uint32_t kCookieEntry = 0x00100000;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNoMoreItems = 259;

// Deletes every entry that is not a cookie. True when the enumeration ran to its end; false when
// it stopped at an error or no entry block could be had (what was deleted by then stays deleted).
bool ClearUrlCache(UrlCacheApi& cache) noexcept;
