// Held rows and table locks between contexts of one process. The contexts
// share one open store file, and so one open file description whose byte
// locks the kernel would grant to either; they must still exclude each other
// exactly as two processes do, and one context's release or close must never
// drop another's hold.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "journal_store_util.h"
#include "runtime/errors.h"
#include "store/mem_file.h"
#include "store/table.h"

namespace kavo {
namespace {

class StoreHoldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::CreatePeople(name_, &fs_).ok());
    Table t;
    ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
    ASSERT_TRUE(testing::AddPerson(&t, 1, "A").ok());
    ASSERT_TRUE(testing::AddPerson(&t, 2, "B").ok());
  }

  // Holds (with seconds) and reads row number n through its key.
  Status HoldRow(Table* t, int n, int seconds = 0) {
    if (Status st = t->Hold(seconds); !st.ok()) return st;
    int32_t v = n;
    std::memcpy(t->record(), &v, 4);
    return t->Get(0);
  }

  MemFileSystem fs_;
  std::string name_ = "PEOPLE";
};

TEST_F(StoreHoldTest, HeldRowExcludesOtherContextsUntilReleased) {
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, name_, &fs_).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, name_, &fs_).ok());
  ASSERT_TRUE(HoldRow(&a, 1).ok());
  // Holding the row again from its holder is fine.
  ASSERT_TRUE(HoldRow(&a, 1).ok());

  EXPECT_EQ(HoldRow(&b, 1, 1).code(), err::kRecordHeld);
  // Writing the held row back without holding it is refused; the other row
  // is free to both.
  ASSERT_TRUE(b.Release().ok());
  EXPECT_EQ(testing::PutPerson(&b, 1, "X").code(), err::kAccessDenied);
  EXPECT_TRUE(testing::PutPerson(&b, 2, "Y").ok());
  // The holder itself writes its row.
  std::memcpy(a.record() + 4, "AA", 2);
  EXPECT_TRUE(a.Put().ok());

  ASSERT_TRUE(a.Release().ok());
  EXPECT_TRUE(HoldRow(&b, 1).ok());
  EXPECT_EQ(HoldRow(&a, 1, 1).code(), err::kRecordHeld);
}

TEST_F(StoreHoldTest, EveryChangeOfAHeldRowIsRefused) {
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, name_, &fs_).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, name_, &fs_).ok());
  ASSERT_TRUE(HoldRow(&a, 1).ok());
  uint32_t held = a.Pointer();

  // b reads the row without holding it, then tries every kind of change.
  int32_t one = 1;
  std::memcpy(b.record(), &one, 4);
  ASSERT_TRUE(b.Get(0).ok());
  std::memcpy(b.record() + 4, "X", 1);
  EXPECT_EQ(b.PutRecord(held).code(), err::kAccessDenied);
  EXPECT_EQ(b.Delete().code(), err::kAccessDenied);
  EXPECT_EQ(b.Put().code(), err::kAccessDenied);

  testing::Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&b, &rows).ok());
  EXPECT_EQ(rows, (testing::Rows{{1, "A"}, {2, "B"}}));

  // Once released, the same changes go through.
  ASSERT_TRUE(a.Release().ok());
  std::memcpy(b.record(), &one, 4);
  ASSERT_TRUE(b.Get(0).ok());
  std::memcpy(b.record() + 4, "X", 1);
  EXPECT_TRUE(b.PutRecord(held).ok());
  EXPECT_TRUE(b.Delete().ok());
  ASSERT_TRUE(testing::ReadOpen(&b, &rows).ok());
  EXPECT_EQ(rows, (testing::Rows{{2, "B"}}));
}

TEST_F(StoreHoldTest, ReleaseOrCloseOfOneContextKeepsAnothersHold) {
  Table holder;
  ASSERT_TRUE(testing::OpenPeople(&holder, name_, &fs_).ok());
  ASSERT_TRUE(HoldRow(&holder, 1).ok());
  {
    // Another context holds and releases a different row, then closes.
    Table other;
    ASSERT_TRUE(testing::OpenPeople(&other, name_, &fs_).ok());
    ASSERT_TRUE(HoldRow(&other, 2).ok());
    EXPECT_EQ(HoldRow(&other, 1, 1).code(), err::kRecordHeld);
    ASSERT_TRUE(other.Release().ok());
    // A release of a context that holds nothing.
    ASSERT_TRUE(other.Release().ok());
  }
  Table third;
  ASSERT_TRUE(testing::OpenPeople(&third, name_, &fs_).ok());
  EXPECT_EQ(HoldRow(&third, 1, 1).code(), err::kRecordHeld);
  // Row 2 came free with the release.
  EXPECT_TRUE(HoldRow(&third, 2).ok());

  // Moving the hold to another row frees the first one for everyone.
  EXPECT_EQ(HoldRow(&holder, 2, 1).code(), err::kRecordHeld);
  ASSERT_TRUE(third.Release().ok());
  ASSERT_TRUE(HoldRow(&holder, 2).ok());
  EXPECT_TRUE(HoldRow(&third, 1).ok());

  // Closing the holder frees its row.
  ASSERT_TRUE(holder.Close().ok());
  ASSERT_TRUE(third.Release().ok());
  EXPECT_TRUE(HoldRow(&third, 2).ok());
}

TEST_F(StoreHoldTest, TableLockExcludesOtherContexts) {
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, name_, &fs_).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, name_, &fs_).ok());
  ASSERT_TRUE(a.Lock().ok());
  EXPECT_TRUE(a.Lock().ok());
  EXPECT_EQ(b.Lock().code(), err::kFileLocked);
  // b's unlock of a lock it never took leaves a's lock in place.
  ASSERT_TRUE(b.Unlock().ok());
  EXPECT_EQ(b.Lock().code(), err::kFileLocked);
  ASSERT_TRUE(a.Unlock().ok());
  EXPECT_TRUE(b.Lock().ok());
  ASSERT_TRUE(b.Close().ok());
  EXPECT_TRUE(a.Lock().ok());
}

}  // namespace
}  // namespace kavo
