// The in-memory homes of decoded pages: the reference map under long random
// use (its removal shifts probe runs back and must never lose a page), the
// cache's trimming and the byte budget and counter of the reserve beneath it.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/leaf_index.h"
#include "store/page_cache.h"
#include "store/page_map.h"

namespace kavo {
namespace {

std::shared_ptr<Page> PageAt(int32_t ref, size_t record_bytes = 0, uint8_t level = 0) {
  auto p = std::make_shared<Page>();
  p->ref = ref;
  p->level = level;
  if (record_bytes > 0) p->records.Insert(0, "", std::string(record_bytes, 'x'));
  if (level > 0 && record_bytes > 0) p->children.push_back(ref + 1);
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
  PageCache cache(0);
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
  cache.Trim(false, 0);
  EXPECT_EQ(cache.size(), 25u);
  // A hundred or more: the least recently used go regardless, down to 99.
  for (int32_t ref = 100; ref < 180; ++ref) cache.Insert(PageAt(ref));
  cache.Trim(false, 0);
  // Page 0 is least recently used now but held outside: it stops the trim.
  EXPECT_EQ(cache.size(), 105u);
  held.reset();
  cache.Trim(false, 0);
  EXPECT_EQ(cache.size(), 99u);
  EXPECT_EQ(cache.resting(), 0u);
  EXPECT_EQ(cache.Find(0), nullptr);
  EXPECT_NE(cache.Find(179), nullptr);
}

// Index pages, which rest within the whole budget.
TEST(PageCacheTest, TrimmedPagesRestWithinTheBudgetLatestKept) {
  const size_t page_bytes = PageAt(0, 1000, 1)->SizeEstimate();
  PageCache cache(10 * page_bytes);
  for (int32_t ref = 0; ref < 100; ++ref) cache.Insert(PageAt(ref, 1000, 1));
  // Nothing was used since the pages came: the trim goes down to 19 cached
  // pages, and of the 81 it lets go the last 10 rest.
  cache.Trim(true, 5);
  EXPECT_EQ(cache.size(), 19u);
  EXPECT_EQ(cache.resting(), 10u);
  EXPECT_EQ(cache.resting_bytes(), 10 * page_bytes);
  EXPECT_EQ(cache.Find(70), nullptr);
  // A resting page found is cached again.
  ASSERT_NE(cache.Find(75), nullptr);
  EXPECT_EQ(cache.size(), 20u);
  EXPECT_EQ(cache.resting(), 9u);
  // A page changed while resting leaves the reserve for the changed list.
  std::shared_ptr<Page> changed = cache.Find(76);
  ASSERT_NE(changed, nullptr);
  cache.MarkChanged(changed.get());
  EXPECT_EQ(cache.changed().size(), 1u);
  cache.DropChanged();
  changed.reset();
  // Long random use keeps the bookkeeping exact.
  std::mt19937 rng(3);
  for (int step = 0; step < 20000; ++step) {
    const int32_t ref = static_cast<int32_t>(rng() % 300);
    if (!cache.Find(ref)) cache.Insert(PageAt(ref, 1000, 1));
    cache.Trim(true, 5);
    ASSERT_LE(cache.resting_bytes(), 10 * page_bytes);
    ASSERT_EQ(cache.resting_bytes(), cache.resting() * page_bytes);
  }
  EXPECT_GT(cache.resting(), 0u);
  // Another change counter: nothing resting may be served.
  const size_t cached = cache.size();
  cache.Trim(true, 6);
  EXPECT_EQ(cache.resting(), 0u);
  EXPECT_EQ(cache.resting_bytes(), 0u);
  EXPECT_LE(cache.size(), cached);
}

// Leaves rest in a quarter of the budget, taking each other's place; index
// pages go only when no leaf rests.
TEST(PageCacheTest, LeavesRestInTheirShareAndIndexPagesOutlastThem) {
  const size_t index_bytes = PageAt(0, 1000, 1)->SizeEstimate();
  const size_t leaf_bytes = PageAt(0, 1000)->SizeEstimate();
  PageCache cache(8 * index_bytes);
  const size_t leaves_kept = 8 * index_bytes / 4 / leaf_bytes;
  ASSERT_GE(leaves_kept, 1u);
  // Six index pages, then fifty leaves, none used since: the trim lets go of
  // all but 19, in that order.
  for (int32_t ref = 0; ref < 6; ++ref) cache.Insert(PageAt(ref, 1000, 1));
  for (int32_t ref = 100; ref < 150; ++ref) cache.Insert(PageAt(ref, 1000));
  cache.Trim(true, 1);
  EXPECT_EQ(cache.resting(), 6 + leaves_kept);
  EXPECT_EQ(cache.resting_leaf_bytes(), leaves_kept * leaf_bytes);
  // The leaves let go last rest, those before them are gone.
  const int32_t last_let_go = 100 + 50 - 19 - 1;
  EXPECT_EQ(cache.Find(last_let_go - static_cast<int32_t>(leaves_kept)), nullptr);
  // Eleven more index pages let go: the leaves go first, then the index pages
  // that rested longest, until the rest fit the budget.
  for (int32_t ref = 200; ref < 230; ++ref) cache.Insert(PageAt(ref, 1000, 1));
  cache.Trim(true, 1);
  EXPECT_EQ(cache.resting_leaf_bytes(), 0u);
  EXPECT_EQ(cache.resting(), 8u);
  EXPECT_EQ(cache.resting_bytes(), 8 * index_bytes);
  EXPECT_EQ(cache.Find(0), nullptr);
  EXPECT_EQ(cache.Find(last_let_go), nullptr);
  EXPECT_NE(cache.Find(200 + 30 - 19 - 1), nullptr);
}

// A page the reserve lets go is handed, made new, to the next page read,
// which decodes into it as into a page of its own.
TEST(PageCacheTest, APageLetGoIsReusedAsANewOne) {
  PageCache cache(PageAt(0, 1000, 1)->SizeEstimate());
  EXPECT_EQ(cache.TakeSpare(), nullptr);
  // Weak references to the pages, as the paths of descents keep.
  std::vector<std::weak_ptr<Page>> kept;
  for (int32_t ref = 0; ref < 25; ++ref) {
    std::shared_ptr<Page> p = PageAt(ref, 1000, 1);
    kept.push_back(p);
    cache.Insert(p);
  }
  cache.Trim(true, 1);
  std::shared_ptr<Page> spare = cache.TakeSpare();
  ASSERT_NE(spare, nullptr);
  EXPECT_EQ(cache.TakeSpare(), nullptr);
  // The spare is a page of its own: those let go are gone, none changed.
  for (const std::weak_ptr<Page>& w : kept) {
    const std::shared_ptr<Page> p = w.lock();
    EXPECT_TRUE(p == nullptr || (p != spare && !p->records.empty()));
  }
  EXPECT_TRUE(kept[0].expired());
  EXPECT_EQ(spare.use_count(), 1);
  EXPECT_EQ(spare->ref, 0);
  EXPECT_TRUE(spare->leaf());
  EXPECT_TRUE(spare->records.empty());
  EXPECT_TRUE(spare->children.empty());
  EXPECT_FALSE(spare->resting);
  EXPECT_EQ(spare->list_prev, nullptr);
  EXPECT_EQ(spare->list_next, nullptr);

  // Fewer bytes than the page before held: decoded into its buffer.
  Page leaf;
  for (int i = 0; i < 20; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "key%05d", i * 3);
    leaf.records.push_back(Record(key, std::string(static_cast<size_t>(i % 7) * 9, 'd')));
  }
  EncodedPage encoded;
  ASSERT_TRUE(EncodePage(leaf, 512, &encoded).ok());
  const auto* bytes = reinterpret_cast<const uint8_t*>(encoded.bytes.data());
  ASSERT_TRUE(DecodePage(bytes, encoded.bytes.size(), encoded.blocks, 512, spare.get()).ok());
  ASSERT_EQ(spare->records.size(), leaf.records.size());
  for (size_t i = 0; i < leaf.records.size(); ++i) {
    EXPECT_EQ(spare->records[i].bytes, leaf.records[i].bytes);
    EXPECT_EQ(spare->records[i].key_length, leaf.records[i].key_length);
  }
  EXPECT_TRUE(spare->leaf());
  EXPECT_TRUE(spare->children.empty());
}

// The candidates of a key among leaves known by reference: the leaf whose
// range holds it comes first; keys between leaves, before the first or
// after the last have none that holds them.
int32_t FirstHolding(const LeafIndex& index, const std::map<int32_t, std::shared_ptr<Page>>& pages,
                     const std::string& key) {
  int32_t refs[LeafIndex::kMaxCandidates];
  const size_t n = index.Candidates(key, refs);
  for (size_t i = 0; i < n; ++i) {
    const RecordList& r = pages.at(refs[i])->records;
    if (r.front().key() <= key && key <= r.back().key()) return refs[i];
  }
  return -1;
}

std::shared_ptr<Page> LeafAt(int32_t ref, std::initializer_list<std::string> keys) {
  auto p = std::make_shared<Page>();
  p->ref = ref;
  for (const std::string& k : keys) p->records.Insert(p->records.size(), k, "d");
  return p;
}

TEST(LeafIndexTest, FindsTheLeafWhoseRangeHoldsTheKey) {
  std::map<int32_t, std::shared_ptr<Page>> pages;
  pages[1] = LeafAt(1, {"b", "c", "d"});
  pages[2] = LeafAt(2, {"f", "g"});
  LeafIndex index;
  for (const auto& [ref, page] : pages) index.Add(*page);
  index.Add(*LeafAt(3, {}));      // empty: not kept
  index.Add(*LeafAt(-4, {"x"}));  // not placed: not kept
  index.Add(*pages[2]);           // known already
  EXPECT_EQ(index.size(), 2u);
  EXPECT_EQ(FirstHolding(index, pages, "b"), 1);
  EXPECT_EQ(FirstHolding(index, pages, "cc"), 1);
  EXPECT_EQ(FirstHolding(index, pages, "d"), 1);
  EXPECT_EQ(FirstHolding(index, pages, "a"), -1);
  EXPECT_EQ(FirstHolding(index, pages, "e"), -1);
  EXPECT_EQ(FirstHolding(index, pages, "dd"), -1);
  EXPECT_EQ(FirstHolding(index, pages, "g"), 2);
  EXPECT_EQ(FirstHolding(index, pages, "h"), -1);
  index.Clear();
  EXPECT_EQ(FirstHolding(index, pages, "b"), -1);
}

// Against a plain map of leaves: many leaves added in random order across
// splits of the buckets, with keys longer than a head so that four leaves at
// a time share both heads; then every leaf again, in another order, which
// must find each one known, also where its equals straddle two buckets.
TEST(LeafIndexTest, AgreesWithAMapOfLeavesAcrossSplits) {
  std::mt19937 rng(7);
  auto key = [](int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%013d-%06d", n / 8, n);
    return std::string(buf);
  };
  std::map<int32_t, std::shared_ptr<Page>> pages;
  std::vector<int32_t> order;
  for (int n = 0; n < 3000; n += 3) {
    const int32_t ref = n / 3;
    pages[ref] = LeafAt(ref, {key(n), key(n + 1)});
    order.push_back(ref);
  }
  std::shuffle(order.begin(), order.end(), rng);
  LeafIndex index;
  std::map<std::string, int32_t> by_first;
  for (size_t i = 0; i < order.size(); ++i) {
    const Page& p = *pages[order[i]];
    index.Add(p);
    by_first[std::string(p.records.front().key())] = p.ref;
    // Checked now and then while the buckets fill and split.
    if (i % 97 != 0 && i + 1 != order.size()) continue;
    for (int n = 0; n < 3000; ++n) {
      int32_t want = -1;
      auto it = by_first.upper_bound(key(n));
      if (it != by_first.begin() && key(n) <= pages[std::prev(it)->second]->records.back().key())
        want = std::prev(it)->second;
      ASSERT_EQ(FirstHolding(index, pages, key(n)), want) << key(n) << " after " << i;
    }
  }
  EXPECT_EQ(index.size(), pages.size());
  std::shuffle(order.begin(), order.end(), rng);
  for (int32_t ref : order) index.Add(*pages[ref]);
  EXPECT_EQ(index.size(), pages.size());
}

}  // namespace
}  // namespace kavo
