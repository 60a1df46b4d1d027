#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "desktop/CacheClearing.h"

namespace {

constexpr std::uint32_t kNormalEntry = 0x00000001;
constexpr std::uint32_t kStickyEntry = 0x00000004;
constexpr std::uint32_t kUrlHistoryEntry = 0x00200000;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;

struct Entry {
    std::string url;
    std::uint32_t type = kNormalEntry;
    std::uint32_t size = 300; // bytes its record and texts take in a block
};

// A URL cache that plays its entries in order and behaves as the platform's does: a block that is
// too small gets ERROR_INSUFFICIENT_BUFFER with the needed size and the same entry comes again; a
// delivered entry writes its own (smaller) size back. Deleting does not disturb the enumeration.
class ScriptedCache final : public UrlCacheApi {
public:
    explicit ScriptedCache(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    // The call that would deliver entry index fails with error instead.
    void FailAt(std::size_t index, std::uint32_t error) { failAt_ = index, failWith_ = error; }
    // The given allocation (counted from 0) finds no memory.
    void RefuseAllocation(int number) { refusedAllocation_ = number; }
    // ERROR_INSUFFICIENT_BUFFER comes back without a larger size.
    void ReportNoLargerSize() { reportNoLargerSize_ = true; }

    void* NewEntryBlock(std::uint32_t size) noexcept override
    {
        const int number = allocations_++;
        allocationSizes.push_back(size);
        if (number == refusedAllocation_)
            return nullptr;
        auto block = std::make_unique<unsigned char[]>(size);
        std::memcpy(block.get(), &size, sizeof(size));
        void* address = block.get();
        blocks_[address] = std::move(block);
        return address;
    }

    void FreeEntryBlock(void* block) noexcept override
    {
        if (!block)
            return;
        EXPECT_EQ(blocks_.erase(block), 1u) << "a block freed that is not live";
    }

    FindHandle FindFirst(void* block, std::uint32_t& size) noexcept override
    {
        calls.push_back("first " + std::to_string(size));
        EXPECT_FALSE(open_) << "a first call while an enumeration is open";
        if (!Deliver(0, block, size))
            return nullptr;
        open_ = true;
        return &open_;
    }

    bool FindNext(FindHandle find, void* block, std::uint32_t& size) noexcept override
    {
        calls.push_back("next " + std::to_string(size));
        EXPECT_EQ(find, &open_);
        EXPECT_TRUE(open_);
        return Deliver(delivered_ ? *delivered_ + 1 : 0, block, size);
    }

    void FindClose(FindHandle find) noexcept override
    {
        EXPECT_EQ(find, &open_);
        EXPECT_TRUE(open_) << "closed twice";
        open_ = false;
        ++closes;
    }

    std::uint32_t LastError() noexcept override { return error_; }

    std::uint32_t EntryType(const void* block) noexcept override { return EntryIn(block).type; }

    void DeleteEntry(const void* block) noexcept override { deleted.push_back(EntryIn(block).url); }

    bool EverythingReleased() const { return blocks_.empty() && !open_; }

    std::vector<std::string> calls;
    std::vector<std::uint32_t> allocationSizes;
    std::vector<std::string> deleted;
    int closes = 0;

private:
    bool Deliver(std::size_t index, void* block, std::uint32_t& size)
    {
        const auto live = blocks_.find(block);
        EXPECT_NE(live, blocks_.end()) << "a call with a block that is not live";
        std::uint32_t recorded = 0;
        std::memcpy(&recorded, block, sizeof(recorded));
        EXPECT_EQ(recorded, size) << "the block does not record the size the call is given";
        if (failAt_ && *failAt_ == index)
            return Fail(failWith_);
        if (index >= entries_.size())
            return Fail(kErrorNoMoreItems);
        if (entries_[index].size > size) {
            if (!reportNoLargerSize_)
                size = entries_[index].size;
            return Fail(kErrorInsufficientBuffer);
        }
        std::memcpy(static_cast<unsigned char*>(block) + sizeof(std::uint32_t), &index, sizeof(index));
        size = entries_[index].size;
        delivered_ = index;
        return true;
    }

    bool Fail(std::uint32_t error)
    {
        error_ = error;
        return false;
    }

    const Entry& EntryIn(const void* block)
    {
        std::size_t index = 0;
        std::memcpy(&index, static_cast<const unsigned char*>(block) + sizeof(std::uint32_t), sizeof(index));
        EXPECT_TRUE(delivered_ && index == *delivered_) << "the block does not hold the entry delivered last";
        return entries_.at(index);
    }

    std::vector<Entry> entries_;
    std::map<void*, std::unique_ptr<unsigned char[]>> blocks_;
    std::optional<std::size_t> delivered_;
    std::optional<std::size_t> failAt_;
    std::uint32_t failWith_ = 0;
    std::uint32_t error_ = 0;
    int allocations_ = 0;
    int refusedAllocation_ = -1;
    bool reportNoLargerSize_ = false;
    bool open_ = false;
};

using Urls = std::vector<std::string>;
using Calls = std::vector<std::string>;
using Sizes = std::vector<std::uint32_t>;

TEST(ClearUrlCache, EmptyCacheIsClearedWithoutDeleting)
{
    ScriptedCache cache({});
    EXPECT_TRUE(ClearUrlCache(cache));
    EXPECT_EQ(cache.calls, Calls({"first 4096"}));
    EXPECT_TRUE(cache.deleted.empty());
    EXPECT_EQ(cache.closes, 0) << "no enumeration was opened";
    EXPECT_TRUE(cache.EverythingReleased());
}

TEST(ClearUrlCache, DeletesEverythingButCookies)
{
    ScriptedCache cache({
        {"http://a.test/page.html", kNormalEntry},
        {"Cookie:user@a.test/", kCookieEntry},
        {"http://a.test/sticky.js", kNormalEntry | kStickyEntry},
        {"Cookie:user@b.test/path/", kCookieEntry | kNormalEntry},
        {"Visited:user@http://a.test/", kUrlHistoryEntry},
        {"Cookie:user@c.test/", kCookieEntry | kStickyEntry | kUrlHistoryEntry},
        {"http://a.test/untyped", 0},
    });
    EXPECT_TRUE(ClearUrlCache(cache));
    EXPECT_EQ(cache.deleted,
              Urls({"http://a.test/page.html", "http://a.test/sticky.js", "Visited:user@http://a.test/",
                    "http://a.test/untyped"}));
    EXPECT_EQ(cache.allocationSizes, Sizes({4096}));
    EXPECT_EQ(cache.closes, 1);
    EXPECT_TRUE(cache.EverythingReleased());
}

TEST(ClearUrlCache, FirstEntryTooLargeGrowsTheBlockAndAsksAgainAsAFirstCall)
{
    ScriptedCache cache({{"http://a.test/long", kNormalEntry, 9000}, {"http://a.test/short", kNormalEntry, 200}});
    EXPECT_TRUE(ClearUrlCache(cache));
    EXPECT_EQ(cache.calls, Calls({"first 4096", "first 9000", "next 9000", "next 9000"}));
    EXPECT_EQ(cache.allocationSizes, Sizes({4096, 9000}));
    EXPECT_EQ(cache.deleted, Urls({"http://a.test/long", "http://a.test/short"}));
    EXPECT_TRUE(cache.EverythingReleased());
}

TEST(ClearUrlCache, LaterEntryTooLargeGrowsTheBlockOnceAndKeepsIt)
{
    ScriptedCache cache({
        {"http://a.test/1", kNormalEntry, 300},
        {"http://a.test/2", kNormalEntry, 6000},
        {"http://a.test/3", kNormalEntry, 5000},
        {"Cookie:user@a.test/", kCookieEntry, 6000},
        {"http://a.test/5", kNormalEntry, 7000},
    });
    EXPECT_TRUE(ClearUrlCache(cache));
    // The same entry comes again through a next call; a smaller entry does not shrink the block.
    EXPECT_EQ(cache.calls, Calls({"first 4096", "next 4096", "next 6000", "next 6000", "next 6000", "next 6000",
                                  "next 7000", "next 7000"}));
    EXPECT_EQ(cache.allocationSizes, Sizes({4096, 6000, 7000}));
    EXPECT_EQ(cache.deleted, Urls({"http://a.test/1", "http://a.test/2", "http://a.test/3", "http://a.test/5"}));
    EXPECT_TRUE(cache.EverythingReleased());
}

TEST(ClearUrlCache, ErrorPartWayStopsWithFalseKeepingWhatWasDeleted)
{
    for (const std::uint32_t error : {kErrorAccessDenied, kErrorNotEnoughMemory}) {
        ScriptedCache cache({{"http://a.test/1"}, {"http://a.test/2"}, {"http://a.test/3"}, {"http://a.test/4"}});
        cache.FailAt(2, error);
        EXPECT_FALSE(ClearUrlCache(cache)) << error;
        EXPECT_EQ(cache.deleted, Urls({"http://a.test/1", "http://a.test/2"}));
        EXPECT_EQ(cache.closes, 1);
        EXPECT_TRUE(cache.EverythingReleased());
    }
}

TEST(ClearUrlCache, ErrorOnTheFirstCallLeavesNothingOpen)
{
    ScriptedCache cache({{"http://a.test/1"}});
    cache.FailAt(0, kErrorAccessDenied);
    EXPECT_FALSE(ClearUrlCache(cache));
    EXPECT_TRUE(cache.deleted.empty());
    EXPECT_EQ(cache.closes, 0);
    EXPECT_TRUE(cache.EverythingReleased());
}

TEST(ClearUrlCache, NoMemoryForABlockStopsWithFalseAndReleasesEverything)
{
    // No first block: nothing was opened.
    ScriptedCache first({{"http://a.test/1"}});
    first.RefuseAllocation(0);
    EXPECT_FALSE(ClearUrlCache(first));
    EXPECT_TRUE(first.calls.empty());
    EXPECT_TRUE(first.EverythingReleased());

    // No larger block for a later entry: the old block is freed, the enumeration closed.
    ScriptedCache later({{"http://a.test/1"}, {"http://a.test/2", kNormalEntry, 20000}, {"http://a.test/3"}});
    later.RefuseAllocation(1);
    EXPECT_FALSE(ClearUrlCache(later));
    EXPECT_EQ(later.deleted, Urls({"http://a.test/1"}));
    EXPECT_EQ(later.allocationSizes, Sizes({4096, 20000}));
    EXPECT_EQ(later.closes, 1);
    EXPECT_TRUE(later.EverythingReleased());
}

TEST(ClearUrlCache, TooSmallWithoutALargerSizeStopsInsteadOfAskingForever)
{
    ScriptedCache cache({{"http://a.test/1"}, {"http://a.test/2", kNormalEntry, 8000}});
    cache.ReportNoLargerSize();
    EXPECT_FALSE(ClearUrlCache(cache));
    EXPECT_EQ(cache.deleted, Urls({"http://a.test/1"}));
    EXPECT_EQ(cache.allocationSizes, Sizes({4096}));
    EXPECT_TRUE(cache.EverythingReleased());
}

} // namespace
