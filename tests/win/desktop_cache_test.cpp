// The cache clearing on the platform's real URL cache: entries made through WinINet, cookies set
// through it, then emptied and looked at again.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "desktop/UrlCache.h"

namespace {

constexpr char kSite[] = "http://desk-cache.lumvane.test/";
constexpr char kOtherSite[] = "http://other.desk-cache.lumvane.test/deep/path/";
constexpr char kCookieExpiry[] = "; expires=Sat, 01-Jan-2050 00:00:00 GMT";
constexpr DWORD kFirstBlockSize = 4096;

struct CachedEntry {
    std::string url;
    DWORD type;
};

// Every entry of the cache, read with a block large enough for any of them.
std::vector<CachedEntry> ListCache()
{
    std::vector<CachedEntry> entries;
    std::vector<char> block(1 << 16);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.data());
    DWORD size = static_cast<DWORD>(block.size());
    HANDLE find = ::FindFirstUrlCacheEntryA(nullptr, info, &size);
    if (!find)
        return entries;
    do {
        entries.push_back({info->lpszSourceUrlName, info->CacheEntryType});
        size = static_cast<DWORD>(block.size());
    } while (::FindNextUrlCacheEntryA(find, info, &size));
    ::FindCloseUrlCache(find);
    return entries;
}

void DeleteWholeCache()
{
    for (const CachedEntry& entry : ListCache())
        ::DeleteUrlCacheEntryA(entry.url.c_str());
    ASSERT_TRUE(ListCache().empty());
}

// The size of the entry record the cache hands out for url; 0 when the url is not cached.
DWORD EntryRecordSize(const std::string& url)
{
    DWORD size = 0;
    if (::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    return size;
}

std::string AddContentEntry(const std::string& url, std::size_t contentSize, const std::string& headers = {})
{
    char file[MAX_PATH] = {};
    EXPECT_TRUE(::CreateUrlCacheEntryA(url.c_str(), static_cast<DWORD>(contentSize), "bin", file, 0)) << url;
    std::ofstream(file, std::ios::binary) << std::string(contentSize, 'c');
    const FILETIME never{};
    EXPECT_TRUE(::CommitUrlCacheEntryA(url.c_str(), file, never, never, NORMAL_CACHE_ENTRY,
                                       reinterpret_cast<BYTE*>(const_cast<char*>(headers.data())),
                                       static_cast<DWORD>(headers.size()), "bin", nullptr))
        << url;
    return url;
}

std::string LargeHeaders(std::size_t padding)
{
    return "HTTP/1.1 200 OK\r\nX-Padding: " + std::string(padding, 'p') + "\r\n\r\n";
}

// The text the cache keeps for a cookie entry: what a new process reads its cookies from.
std::string StoredCookieText(const std::string& cookieUrl)
{
    std::vector<char> block(1 << 14);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.data());
    DWORD size = static_cast<DWORD>(block.size());
    if (!::GetUrlCacheEntryInfoA(cookieUrl.c_str(), info, &size) || !info->lpszLocalFileName)
        return {};
    std::ifstream file(info->lpszLocalFileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string CookieFor(const char* site)
{
    char cookie[1024] = {};
    DWORD size = sizeof(cookie);
    return ::InternetGetCookieA(site, nullptr, cookie, &size) ? cookie : "";
}

std::string CookieEntryUrl(const std::string& hostAndPath)
{
    char user[256] = {};
    DWORD size = sizeof(user);
    ::GetUserNameA(user, &size);
    return "Cookie:" + std::string(user) + "@" + hostAndPath;
}

TEST(ClearUrlCacheOnWinInet, ContentEntriesGoCookiesStay)
{
    const std::string site = kSite;
    const std::vector<std::string> content = {
        AddContentEntry(site + "small.js", 10),
        AddContentEntry(site + "page.html", 20000, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"),
        AddContentEntry(site + "long/" + std::string(2000, 'u'), 100),
        AddContentEntry(site + "large-headers-1", 50, LargeHeaders(6000)),
        AddContentEntry(site + "large-headers-2", 50, LargeHeaders(9000)),
    };
    ASSERT_GT(EntryRecordSize(content[3]), kFirstBlockSize);
    ASSERT_GT(EntryRecordSize(content[4]), EntryRecordSize(content[3]));
    ASSERT_TRUE(::InternetSetCookieA(kSite, "keep", (std::string("yes") + kCookieExpiry).c_str()));
    ASSERT_TRUE(::InternetSetCookieA(kOtherSite, "second", (std::string("two") + kCookieExpiry).c_str()));
    const std::vector<std::string> cookieEntries = {CookieEntryUrl("desk-cache.lumvane.test/"),
                                                    CookieEntryUrl("other.desk-cache.lumvane.test/deep/path/")};
    for (const std::string& entry : cookieEntries)
        ASSERT_NE(EntryRecordSize(entry), 0u) << "persistent cookies are cache entries: " << entry;

    EXPECT_TRUE(ClearUrlCache());

    for (const std::string& url : content)
        EXPECT_EQ(EntryRecordSize(url), 0u) << url.substr(0, 60);
    for (const CachedEntry& entry : ListCache())
        EXPECT_TRUE(entry.type & COOKIE_CACHE_ENTRY) << "left behind: " << entry.url.substr(0, 60);
    EXPECT_NE(StoredCookieText(cookieEntries[0]).find("keep\nyes\n"), std::string::npos);
    EXPECT_NE(StoredCookieText(cookieEntries[1]).find("second\ntwo\n"), std::string::npos);
    EXPECT_NE(CookieFor(kSite).find("keep=yes"), std::string::npos);
    EXPECT_NE(CookieFor(kOtherSite).find("second=two"), std::string::npos);
}

TEST(ClearUrlCacheOnWinInet, EmptyCacheIsCleared)
{
    DeleteWholeCache();
    EXPECT_TRUE(ClearUrlCache());
    EXPECT_TRUE(ListCache().empty());
}

TEST(ClearUrlCacheOnWinInet, FirstEntryLargerThanTheFirstBlockIsDeleted)
{
    DeleteWholeCache();
    const std::string url = AddContentEntry(std::string(kSite) + "only-large", 10, LargeHeaders(12000));
    ASSERT_GT(EntryRecordSize(url), kFirstBlockSize);
    EXPECT_TRUE(ClearUrlCache());
    EXPECT_TRUE(ListCache().empty());
}

} // namespace
