#include "desktop/UrlCache.h"

#include <wininet.h>

#include <cstdlib>

#include "desktop/CacheClearing.h"

namespace {

// The platform's URL cache, reached through WinINet's narrow-text calls.
class WinInetUrlCache final : public UrlCacheApi {
public:
    void* NewEntryBlock(std::uint32_t size) noexcept override
    {
        auto* entry = static_cast<INTERNET_CACHE_ENTRY_INFOA*>(std::malloc(size));
        if (entry)
            entry->dwStructSize = size;
        return entry;
    }

    void FreeEntryBlock(void* block) noexcept override { std::free(block); }

    FindHandle FindFirst(void* block, std::uint32_t& size) noexcept override
    {
        DWORD inOut = size;
        HANDLE find = ::FindFirstUrlCacheEntryA(nullptr, Entry(block), &inOut);
        size = inOut;
        return find;
    }

    bool FindNext(FindHandle find, void* block, std::uint32_t& size) noexcept override
    {
        DWORD inOut = size;
        const BOOL found = ::FindNextUrlCacheEntryA(find, Entry(block), &inOut);
        size = inOut;
        return found;
    }

    void FindClose(FindHandle find) noexcept override { ::FindCloseUrlCache(find); }

    std::uint32_t LastError() noexcept override { return ::GetLastError(); }

    std::uint32_t EntryType(const void* block) noexcept override { return Entry(block)->CacheEntryType; }

    void DeleteEntry(const void* block) noexcept override { ::DeleteUrlCacheEntryA(Entry(block)->lpszSourceUrlName); }

private:
    static INTERNET_CACHE_ENTRY_INFOA* Entry(void* block) noexcept
    {
        return static_cast<INTERNET_CACHE_ENTRY_INFOA*>(block);
    }
    static const INTERNET_CACHE_ENTRY_INFOA* Entry(const void* block) noexcept
    {
        return static_cast<const INTERNET_CACHE_ENTRY_INFOA*>(block);
    }
};

} // namespace

BOOL ClearUrlCache() noexcept
{
    WinInetUrlCache cache;
    return ClearUrlCache(cache);
}
