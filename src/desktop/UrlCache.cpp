#include "desktop/UrlCache.h"

#include <wininet.h>

#include <cstdlib>

#include "desktop/CacheClearing.h"

namespace {

// The platform's URL cache, reached through WinINet.
class WinInetUrlCache final : public UrlCacheApi {
public:
    void* NewEntryBlock(std::uint32_t size) noexcept override
    {
        auto* entry = static_cast<INTERNET_CACHE_ENTRY_INFOW*>(std::malloc(size));
        if (entry)
            entry->dwStructSize = size;
        return entry;
    }

    void FreeEntryBlock(void* block) noexcept override { std::free(block); }

    FindHandle FindFirst(void* block, std::uint32_t& size) noexcept override
    {
        DWORD inOut = size;
        HANDLE find = ::FindFirstUrlCacheEntryW(nullptr, Entry(block), &inOut);
        size = inOut;
        return find;
    }

    bool FindNext(FindHandle find, void* block, std::uint32_t& size) noexcept override
    {
        DWORD inOut = size;
        const BOOL found = ::FindNextUrlCacheEntryW(find, Entry(block), &inOut);
        size = inOut;
        return found;
    }

    void FindClose(FindHandle find) noexcept override { ::FindCloseUrlCache(find); }

    std::uint32_t LastError() noexcept override { return ::GetLastError(); }

    std::uint32_t EntryType(const void* block) noexcept override { return Entry(block)->CacheEntryType; }

    void DeleteEntry(const void* block) noexcept override { ::DeleteUrlCacheEntryW(Entry(block)->lpszSourceUrlName); }

private:
    static INTERNET_CACHE_ENTRY_INFOW* Entry(void* block) noexcept
    {
        return static_cast<INTERNET_CACHE_ENTRY_INFOW*>(block);
    }
    static const INTERNET_CACHE_ENTRY_INFOW* Entry(const void* block) noexcept
    {
        return static_cast<const INTERNET_CACHE_ENTRY_INFOW*>(block);
    }
};

} // namespace

BOOL ClearUrlCache() noexcept
{
    WinInetUrlCache cache;
    return ClearUrlCache(cache);
}
