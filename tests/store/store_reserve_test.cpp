// Pages the cache trimmed are kept decoded for reuse; once another open
// instance of the file commits, none of them may be served again. Two
// instances of one file live in one process here through two file systems
// over the same bytes.
#include <string>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "journal_store_util.h"
#include "store/mem_file.h"
#include "store/table.h"

namespace kavo {
namespace {

using testing::Rows;

std::string NameOf(int n, int round) {
  return "N" + std::to_string(n * 7919 % 100003) + "R" + std::to_string(round);
}

TEST(StoreReserve, CommitsOfAnotherInstanceAreSeenOnEveryPage) {
  MemFileSystem mem;
  testing::FaultFileSystem other_fs(&mem);
  const std::string name = "PEOPLE";
  ASSERT_TRUE(testing::CreatePeople(name, &mem).ok());
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, name, &mem).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, name, &other_fs).ok());

  Rows model;
  ASSERT_TRUE(a.Stream().ok());
  for (int n = 1; n <= 4000; ++n) {
    ASSERT_TRUE(testing::AddPerson(&a, n, NameOf(n, 0)).ok());
    model[n] = NameOf(n, 0);
  }
  ASSERT_TRUE(a.Flush().ok());

  for (int round = 1; round <= 3; ++round) {
    // The reader walks the whole table (far more pages than the cache
    // keeps), so most of its pages sit in the reserve.
    Rows seen;
    ASSERT_TRUE(testing::ReadOpen(&a, &seen).ok());
    ASSERT_EQ(seen, model);
    // The other instance changes rows spread over every page and drops
    // some.
    for (int n = round; n <= 4000; n += 37) {
      if (model.count(n) == 0) continue;
      if (n % 5 == 0) {
        ASSERT_TRUE(testing::DeletePerson(&b, n).ok());
        model.erase(n);
      } else {
        ASSERT_TRUE(testing::PutPerson(&b, n, NameOf(n, round)).ok());
        model[n] = NameOf(n, round);
      }
    }
    ASSERT_TRUE(testing::ReadOpen(&a, &seen).ok());
    ASSERT_EQ(seen, model) << "round " << round;
    // The reader's own commit moves pages too.
    ASSERT_TRUE(testing::PutPerson(&a, 1, NameOf(1, round + 10)).ok());
    model[1] = NameOf(1, round + 10);
    ASSERT_TRUE(testing::ReadOpen(&b, &seen).ok());
    ASSERT_EQ(seen, model);
  }
  std::string report;
  EXPECT_TRUE(testing::CheckSound(&mem, name + ".VTF", &report)) << report;
}

}  // namespace
}  // namespace kavo
