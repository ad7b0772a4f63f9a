// The bounded store of decoded entries.
#include "plugins/archive_lzma/EntryCache.h"

#include <gtest/gtest.h>

using tolva::plugin::archive::lzma::EntryCache;

namespace {

EntryCache::Bytes bytes(std::size_t size, unsigned char value)
{
    return EntryCache::Bytes(size, value);
}

} // namespace

TEST(EntryCache, KeepsEntriesWithinTheBudget)
{
    EntryCache cache(100);
    cache.insert(3, bytes(40, 3));
    cache.insert(7, bytes(60, 7));
    EXPECT_EQ(cache.getSize(), 100u);
    ASSERT_NE(cache.find(3), nullptr);
    EXPECT_EQ(*cache.find(3), bytes(40, 3));
    ASSERT_NE(cache.find(7), nullptr);
    EXPECT_EQ(*cache.find(7), bytes(60, 7));
    EXPECT_EQ(cache.find(5), nullptr);
}

TEST(EntryCache, DropsTheOldestFirst)
{
    EntryCache cache(100);
    cache.insert(1, bytes(40, 1));
    cache.insert(2, bytes(40, 2));
    cache.insert(3, bytes(40, 3));
    EXPECT_EQ(cache.find(1), nullptr);
    EXPECT_NE(cache.find(2), nullptr);
    EXPECT_NE(cache.find(3), nullptr);
    EXPECT_EQ(cache.getSize(), 80u);
    cache.insert(4, bytes(100, 4));
    EXPECT_EQ(cache.getCount(), 1u);
    EXPECT_NE(cache.find(4), nullptr);
}

TEST(EntryCache, IgnoresDataLargerThanTheBudgetAndRepeats)
{
    EntryCache cache(100);
    cache.insert(1, bytes(30, 1));
    cache.insert(2, bytes(101, 2));
    EXPECT_EQ(cache.find(2), nullptr);
    EXPECT_NE(cache.find(1), nullptr);
    cache.insert(1, bytes(50, 9));
    EXPECT_EQ(*cache.find(1), bytes(30, 1));
    EXPECT_EQ(cache.getSize(), 30u);
    // Empty entries cost nothing but are still kept.
    cache.insert(5, EntryCache::Bytes());
    EXPECT_NE(cache.find(5), nullptr);
}

TEST(EntryCache, ClearReleasesEverything)
{
    EntryCache cache(100);
    cache.insert(1, bytes(30, 1));
    cache.insert(2, bytes(30, 2));
    cache.clear();
    EXPECT_EQ(cache.getSize(), 0u);
    EXPECT_EQ(cache.getCount(), 0u);
    EXPECT_EQ(cache.find(1), nullptr);
    cache.insert(1, bytes(100, 1));
    EXPECT_NE(cache.find(1), nullptr);
}
