// The flat list overlay of edited meshes: keys never set read as absent, set keys read back
// exactly (empty lists included) whatever moves and packing happened since, a list may be set
// from another list of the same overlay, copies are independent, and the pool stays within a
// small factor of what the lists need.
#include "host/mesh/list_overlay.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace tarn::detail {
namespace {

std::vector<int> read(const ListOverlay& o, int key) {
    std::span<const int> s;
    EXPECT_TRUE(o.find(key, s)) << "key " << key;
    return {s.begin(), s.end()};
}

TEST(ListOverlay, KeysNeverSetAreAbsent) {
    ListOverlay o;
    std::span<const int> s;
    EXPECT_FALSE(o.find(0, s));
    EXPECT_FALSE(o.find(-1, s));
    o.set(10, std::vector<int>{1, 2});
    for (int key : {-1, 0, 9, 11, 1000}) EXPECT_FALSE(o.find(key, s)) << key;
    EXPECT_EQ(o.numLists(), 1u);
}

TEST(ListOverlay, ListsReadBackAfterShrinkingGrowingAndClearing) {
    ListOverlay o;
    o.set(3, std::vector<int>{4, 5, 6});
    o.set(7, std::vector<int>{8});
    EXPECT_EQ(read(o, 3), (std::vector<int>{4, 5, 6}));
    o.set(3, std::vector<int>{9});  // fits its room
    EXPECT_EQ(read(o, 3), (std::vector<int>{9}));
    o.set(3, std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // outgrows it and moves
    EXPECT_EQ(read(o, 3), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(read(o, 7), (std::vector<int>{8}));
    o.clear(7);  // set, and empty: the base list must not show through
    std::span<const int> s{};
    ASSERT_TRUE(o.find(7, s));
    EXPECT_TRUE(s.empty());
}

TEST(ListOverlay, AListMayBeSetFromAListOfTheSameOverlay) {
    ListOverlay o;
    std::vector<int> big(50);
    for (int i = 0; i < 50; ++i) big[static_cast<size_t>(i)] = i * 3;
    o.set(0, big);
    o.set(1, std::vector<int>{1});
    // Key 1 must move to hold 50 items, growing the pool its source lives in.
    std::span<const int> src;
    ASSERT_TRUE(o.find(0, src));
    o.set(1, src);
    EXPECT_EQ(read(o, 1), big);
    // And a list set from itself, shortened.
    ASSERT_TRUE(o.find(0, src));
    o.set(0, src.subspan(10, 5));
    EXPECT_EQ(read(o, 0), (std::vector<int>{30, 33, 36, 39, 42}));
}

TEST(ListOverlay, CopiesAreIndependent) {
    ListOverlay a;
    a.set(2, std::vector<int>{1, 2});
    ListOverlay b = a;
    b.set(2, std::vector<int>{7, 8, 9, 10, 11});
    b.set(5, std::vector<int>{3});
    EXPECT_EQ(read(a, 2), (std::vector<int>{1, 2}));
    std::span<const int> s;
    EXPECT_FALSE(a.find(5, s));
    EXPECT_EQ(read(b, 2), (std::vector<int>{7, 8, 9, 10, 11}));
}

TEST(ListOverlay, RandomRewritesMatchAModelAndKeepThePoolBounded) {
    // Lists that grow and shrink at random over many keys, as edits leave adjacency lists.
    ListOverlay o;
    std::map<int, std::vector<int>> model;
    std::map<int, size_t> longest;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> keyOf(0, 2999), lengthOf(0, 40);
    for (int step = 0; step < 60000; ++step) {
        const int key = keyOf(rng);
        std::vector<int> list(static_cast<size_t>(lengthOf(rng) * (step % 7 == 0 ? 3 : 1)));
        for (int& x : list) x = static_cast<int>(rng() % 100000);
        o.set(key, list);
        longest[key] = std::max(longest[key], list.size());
        model[key] = std::move(list);
    }
    size_t live = 0, room = 0;
    for (const auto& [key, list] : model) {
        ASSERT_EQ(read(o, key), list) << "key " << key;
        live += list.size();
        room += std::max<size_t>(4, 2 * longest[key]);
    }
    EXPECT_EQ(o.numLists(), model.size());
    // Each list keeps at most twice its longest length as room, and the pool is packed once
    // more than half of it (and more than a few thousand ints) is left behind.
    EXPECT_LE(o.poolSize(), 2 * room + 4096);
    EXPECT_GE(o.poolSize(), live);
}

TEST(ListOverlay, EditsInsertAndRemoveOneItemWhetherTheListIsHereOrInTheBase) {
    // Lists read as a mesh reads them: the overlay's when set, else a base list. Edits keep
    // each list sorted, as adjacency lists are, and land in place when the list has room.
    ListOverlay o;
    std::map<int, std::vector<int>> base, model;
    std::mt19937 rng(11);
    for (int key = 0; key < 200; ++key) {
        std::vector<int> list;
        for (int x = 0; x < 30; ++x)
            if (rng() % 5 == 0) list.push_back(x);
        base[key] = model[key] = list;
    }
    auto current = [&](int key) {
        std::span<const int> s;
        return o.find(key, s) ? s : std::span<const int>(base[key]);
    };
    for (int step = 0; step < 20000; ++step) {
        const int key = static_cast<int>(rng() % 200), item = static_cast<int>(rng() % 30);
        std::vector<int>& want = model[key];
        const auto at = std::lower_bound(want.begin(), want.end(), item);
        const bool held = at != want.end() && *at == item;
        const size_t index = static_cast<size_t>(at - want.begin());
        if (held)
            want.erase(at);
        else
            want.insert(at, item);
        o.edit(key, current(key), index, item, !held);
        ASSERT_EQ(read(o, key), want) << "step " << step << " key " << key;
    }
    for (const auto& [key, want] : model) {
        const auto got = current(key);
        EXPECT_EQ(std::vector<int>(got.begin(), got.end()), want) << "key " << key;
    }
}

TEST(ListOverlay, AnEditMayReadAnotherListOfTheSameOverlay) {
    ListOverlay o;
    std::vector<int> big(64);
    for (int i = 0; i < 64; ++i) big[static_cast<size_t>(i)] = 2 * i;
    o.set(0, big);
    std::span<const int> src;
    ASSERT_TRUE(o.find(0, src));
    // Key 1 is new: placing it grows the pool that `src` lives in.
    o.edit(1, src, 3, 5, true);
    std::vector<int> want = big;
    want.insert(want.begin() + 3, 5);
    EXPECT_EQ(read(o, 1), want);
    EXPECT_EQ(read(o, 0), big);
}

}  // namespace
}  // namespace tarn::detail
