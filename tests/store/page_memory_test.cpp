// The memory of decoded pages: every block holds all the bytes it was
// granted, apart from every other block, while blocks of all sizes come and
// go, on several threads at once; a freed block serves the next request of
// its size.
#include "store/page_memory.h"

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace kavo {
namespace {

struct Held {
  char* block;
  size_t granted;
  char fill;
};

// Allocates blocks of random sizes up to past the largest class, filling
// each with its own byte; frees and replaces random ones; checks that
// every block still holds its fill. Returns false at the first damage.
bool Churn(uint32_t seed, int rounds) {
  std::mt19937 rng(seed);
  std::vector<Held> held;
  auto check = [](const Held& h) {
    for (size_t i = 0; i < h.granted; ++i)
      if (h.block[i] != h.fill) return false;
    return true;
  };
  for (int round = 0; round < rounds; ++round) {
    if (held.size() < 200 || rng() % 2 == 0) {
      const size_t n = 1 + rng() % (page_memory::kLargest + 4096);
      const size_t granted = page_memory::Granted(n);
      Held h{page_memory::Allocate(n), granted, static_cast<char>(rng())};
      std::memset(h.block, h.fill, h.granted);
      held.push_back(h);
    } else {
      const size_t i = rng() % held.size();
      if (!check(held[i])) return false;
      page_memory::Free(held[i].block, held[i].granted);
      held[i] = held.back();
      held.pop_back();
    }
  }
  bool sound = true;
  for (const Held& h : held) {
    sound = sound && check(h);
    page_memory::Free(h.block, h.granted);
  }
  return sound;
}

TEST(PageMemory, LargerFreedBlockServesASmallerClassWithNoneOfItsOwn) {
  if (!page_memory::Pooled()) GTEST_SKIP() << "every block comes from the heap in this build";
  // First in the file, so that the pool is new when the tests run in one
  // process, as when ctest runs each on its own: its classes start empty.
  const size_t small = 13 * page_memory::kGrain;
  char* big = page_memory::Allocate(2 * small);
  std::memset(big, 'b', 2 * small);
  page_memory::Free(big, page_memory::Granted(2 * small));
  char* taken = page_memory::Allocate(small);
  EXPECT_EQ(taken, big);
  // It serves its new class from now on; beyond twice the size it is not taken.
  page_memory::Free(taken, page_memory::Granted(small));
  EXPECT_EQ(page_memory::Allocate(small - 1), big);
  char* far = page_memory::Allocate(5 * page_memory::kGrain);
  page_memory::Free(far, page_memory::Granted(5 * page_memory::kGrain));
  char* tiny = page_memory::Allocate(page_memory::kGrain);
  EXPECT_NE(tiny, far);
  page_memory::Free(big, page_memory::Granted(small));
  page_memory::Free(tiny, page_memory::Granted(page_memory::kGrain));
}

TEST(PageMemory, GrantsWholeClassesAndLargeRequestsAsAsked) {
  EXPECT_EQ(page_memory::Granted(0), page_memory::kGrain);
  EXPECT_EQ(page_memory::Granted(1), page_memory::kGrain);
  EXPECT_EQ(page_memory::Granted(page_memory::kGrain), page_memory::kGrain);
  EXPECT_EQ(page_memory::Granted(page_memory::kGrain + 1), 2 * page_memory::kGrain);
  EXPECT_EQ(page_memory::Granted(page_memory::kLargest), page_memory::kLargest);
  EXPECT_EQ(page_memory::Granted(page_memory::kLargest + 1), page_memory::kLargest + 1);
}

TEST(PageMemory, BlocksKeepTheirBytesApart) {
  EXPECT_TRUE(Churn(1, 20000));
}

TEST(PageMemory, BlocksKeepTheirBytesApartOnSeveralThreads) {
  bool sound[4] = {};
  std::vector<std::thread> threads;
  for (uint32_t t = 0; t < 4; ++t)
    threads.emplace_back([&, t] { sound[t] = Churn(100 + t, 5000); });
  for (std::thread& t : threads) t.join();
  for (bool s : sound) EXPECT_TRUE(s);
}

TEST(PageMemory, VectorsAndSharedObjectsLiveInIt) {
  std::vector<int32_t, page_memory::Allocator<int32_t>> v;
  for (int32_t i = 0; i < 10000; ++i) v.push_back(i);  // grows past the largest class
  for (int32_t i = 0; i < 10000; ++i) ASSERT_EQ(v[static_cast<size_t>(i)], i);
  std::weak_ptr<std::string> weak;
  {
    auto shared = std::allocate_shared<std::string>(page_memory::Allocator<std::string>(),
                                                    std::string(100, 'x'));
    weak = shared;
    EXPECT_EQ(*weak.lock(), std::string(100, 'x'));
  }
  EXPECT_TRUE(weak.expired());
}

TEST(PageMemory, FreedBlockServesTheNextRequestOfItsSize) {
  if (!page_memory::Pooled()) GTEST_SKIP() << "every block comes from the heap in this build";
  const size_t n = 3000;
  char* a = page_memory::Allocate(n);
  page_memory::Free(a, page_memory::Granted(n));
  char* b = page_memory::Allocate(n - 100);  // the same class
  EXPECT_EQ(a, b);
  char* c = page_memory::Allocate(n + page_memory::kGrain);  // another class
  EXPECT_NE(c, b);
  page_memory::Free(b, page_memory::Granted(n));
  page_memory::Free(c, page_memory::Granted(n + page_memory::kGrain));
}

}  // namespace
}  // namespace kavo
