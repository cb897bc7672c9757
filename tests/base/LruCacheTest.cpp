#include "base/LruCache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Values are the names' lengths; MakeValue counts its calls and fails for "".
class CLengthCache : public CLruCache<int> {
public:
    explicit CLengthCache(std::size_t capacity) : CLruCache(capacity) {}
    Value MakeValue(const std::string& name) override {
        ++made;
        return name.empty() ? nullptr : std::make_shared<int>(int(name.size()));
    }
    std::atomic<int> made{0};
};

// Files every name under one digest unless it starts with '-' (no key).
class CCollidingCache : public CLengthCache {
public:
    CCollidingCache() : CLengthCache(4) {}
    std::optional<SDigest> MakeKey(const std::string& name) override {
        if (!name.empty() && name[0] == '-')
            return std::nullopt;
        SDigest d{};
        d[0] = 7;
        d[5] = std::uint8_t(name.size()); // differs past the first four bytes
        return d;
    }
};

} // namespace

TEST(Md5Digest, MatchesTheKnownDigestOfAbc) {
    SDigest d = Md5Digest("abc", 3);
    EXPECT_EQ(d[0], 0x90);
    EXPECT_EQ(d[1], 0x01);
    EXPECT_EQ(d[15], 0x72);
}

TEST(LruCache, EvictsTheLeastRecentlyUsedEntryAndFindRefreshes) {
    CLengthCache cache(3);
    cache.Insert("a", std::make_shared<int>(1));
    cache.Insert("bb", std::make_shared<int>(2));
    cache.Insert("ccc", std::make_shared<int>(3));
    ASSERT_TRUE(cache.Find("a")); // "bb" is now the oldest
    cache.Insert("dddd", std::make_shared<int>(4));
    EXPECT_EQ(cache.GetCount(), 3u);
    EXPECT_FALSE(cache.Find("bb"));
    EXPECT_TRUE(cache.Find("a"));
    EXPECT_TRUE(cache.Find("ccc"));
    EXPECT_TRUE(cache.Find("dddd"));
}

TEST(LruCache, NamesSharingTheFirstFourDigestBytesShareOneEntry) {
    CCollidingCache cache;
    cache.Insert("x", std::make_shared<int>(1));
    cache.Insert("yy", std::make_shared<int>(2));
    EXPECT_EQ(cache.GetCount(), 1u); // replaced, not a second node
    ASSERT_TRUE(cache.Find("x"));
    EXPECT_EQ(*cache.Find("x"), 2);
    cache.Insert("-nokey", std::make_shared<int>(3));
    EXPECT_EQ(cache.GetCount(), 1u);
    EXPECT_FALSE(cache.Find("-nokey"));
    EXPECT_EQ(*cache.FindOrMake("-nokey"), 6); // made, never kept
    EXPECT_EQ(cache.GetCount(), 1u);
}

TEST(LruCache, FindOrMakeMakesOnceAndCachesNoFailure) {
    CLengthCache cache(10);
    EXPECT_EQ(*cache.FindOrMake("four"), 4);
    EXPECT_EQ(*cache.FindOrMake("four"), 4);
    EXPECT_EQ(cache.made, 1);
    EXPECT_FALSE(cache.FindOrMake(""));
    EXPECT_FALSE(cache.FindOrMake(""));
    EXPECT_EQ(cache.made, 3);
    cache.Clear();
    EXPECT_EQ(cache.GetCount(), 0u);
}

TEST(LruCache, ValuesOutliveTheirEvictionWhileHeld) {
    CLengthCache cache(1);
    auto held = cache.FindOrMake("abc");
    cache.Insert("z", std::make_shared<int>(9)); // evicts "abc"
    EXPECT_FALSE(cache.Find("abc"));
    EXPECT_EQ(*held, 3);
}

TEST(LruCache, ManyThreadsFindMakeAndEvictTogether) {
    CLengthCache cache(16);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 2000; ++i) {
                std::string name(std::size_t(1 + (i * 7 + t) % 40), 'n');
                auto v = cache.FindOrMake(name);
                ASSERT_TRUE(v);
                ASSERT_EQ(*v, int(name.size()));
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_LE(cache.GetCount(), 16u);
}
