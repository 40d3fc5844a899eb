// The in-memory homes of decoded pages: the reference map under long random
// use (its removal shifts probe runs back and must never lose a page), the
// cache's trimming and the reserve's byte budget and counter.
#include <map>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "store/page_cache.h"
#include "store/page_map.h"
#include "store/page_reserve.h"

namespace kavo {
namespace {

std::shared_ptr<Page> PageAt(int32_t ref, size_t record_bytes = 0) {
  auto p = std::make_shared<Page>();
  p->ref = ref;
  if (record_bytes > 0) p->records.Insert(0, "", std::string(record_bytes, 'x'));
  return p;
}

TEST(PageMapTest, AgreesWithAModelUnderRandomUse) {
  PageMap map;
  std::map<int32_t, Page*> model;
  std::mt19937 rng(7);
  for (int step = 0; step < 200000; ++step) {
    // A narrow range of references, negative ones included, so that probe
    // runs collide, wrap and shrink often.
    int32_t ref = static_cast<int32_t>(rng() % 3000) - 100;
    switch (rng() % 3) {
      case 0: {
        auto p = PageAt(ref);
        model[ref] = p.get();
        map.Put(std::move(p));
        break;
      }
      case 1: {
        std::shared_ptr<Page> taken = map.Take(ref);
        auto it = model.find(ref);
        ASSERT_EQ(taken.get(), it == model.end() ? nullptr : it->second) << step;
        if (it != model.end()) model.erase(it);
        break;
      }
      default: {
        const std::shared_ptr<Page>* found = map.Find(ref);
        auto it = model.find(ref);
        ASSERT_EQ(found == nullptr ? nullptr : found->get(),
                  it == model.end() ? nullptr : it->second)
            << step;
      }
    }
    ASSERT_EQ(map.size(), model.size());
  }
  for (const auto& [ref, page] : model) {
    const std::shared_ptr<Page>* found = map.Find(ref);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->get(), page);
  }
}

TEST(PageCacheTest, TrimsByUseAndKeepsPagesInUse) {
  PageCache cache;
  for (int32_t ref = 0; ref < 25; ++ref) cache.Insert(PageAt(ref));
  // Every page in steady use: the least recently used one was used 24
  // accesses ago, well within four times the average gap, so all stay.
  std::shared_ptr<Page> held;
  for (int round = 0; round < 100; ++round) {
    for (int32_t ref = 0; ref < 25; ++ref) {
      std::shared_ptr<Page> p = cache.Find(ref);
      ASSERT_NE(p, nullptr);
      if (ref == 0) held = p;
    }
  }
  std::vector<std::shared_ptr<Page>> dropped;
  cache.Trim(&dropped);
  EXPECT_TRUE(dropped.empty());
  // A hundred or more: the least recently used go regardless, down to 99.
  for (int32_t ref = 100; ref < 180; ++ref) cache.Insert(PageAt(ref));
  cache.Trim(&dropped);
  // Page 0 is least recently used now but held outside: it stops the trim.
  EXPECT_TRUE(dropped.empty());
  held.reset();
  cache.Trim(&dropped);
  EXPECT_EQ(cache.size(), 99u);
  ASSERT_EQ(dropped.size(), 6u);
  EXPECT_EQ(dropped.front()->ref, 0);
  EXPECT_EQ(cache.Find(0), nullptr);
  EXPECT_NE(cache.Find(179), nullptr);
}

TEST(PageReserveTest, KeepsWithinItsBudgetOldestOutFirst) {
  const size_t page_bytes = PageAt(0, 1000)->SizeEstimate();
  PageReserve reserve(10 * page_bytes);
  for (int32_t ref = 0; ref < 10; ++ref) reserve.Put(PageAt(ref, 1000), 5);
  // Taking pages out leaves the others' order alone.
  ASSERT_NE(reserve.Take(3, 5), nullptr);
  ASSERT_NE(reserve.Take(4, 5), nullptr);
  for (int32_t ref = 10; ref < 14; ++ref) reserve.Put(PageAt(ref, 1000), 5);
  EXPECT_LE(reserve.bytes(), 10 * page_bytes);
  EXPECT_EQ(reserve.size(), 10u);
  EXPECT_EQ(reserve.Take(0, 5), nullptr);
  EXPECT_EQ(reserve.Take(1, 5), nullptr);
  EXPECT_NE(reserve.Take(2, 5), nullptr);
  EXPECT_NE(reserve.Take(13, 5), nullptr);
  // Many puts and takes keep the bookkeeping exact.
  for (int round = 0; round < 10000; ++round) {
    reserve.Put(PageAt(round % 37, 1000), 5);
    if (round % 3 == 0) (void)reserve.Take((round * 7) % 37, 5);
    ASSERT_LE(reserve.bytes(), 10 * page_bytes);
    ASSERT_EQ(reserve.bytes(), reserve.size() * page_bytes);
  }
  // Another change counter: nothing kept may be served.
  EXPECT_EQ(reserve.Take(36, 6), nullptr);
  EXPECT_EQ(reserve.size(), 0u);
}

}  // namespace
}  // namespace kavo
