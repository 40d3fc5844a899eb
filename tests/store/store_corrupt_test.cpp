// Damaged store files: truncated headers, wrong magic, pages whose sizes do
// not fit their regions or that do not decode, and random byte flips. Every
// case must end in an error code (36 or 90 for damage) and never in a crash,
// a hang or a read out of bounds. Runs under AddressSanitizer and UBSan.
#include <algorithm>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "store/format.h"
#include "store/header.h"
#include "store/mem_file.h"
#include "store/store_file.h"
#include "store/table.h"
#include "store/verify.h"
#include "store_test_util.h"

namespace kavo {
namespace {

using testing::T;

// A store file with two tables, a tree several levels deep and memos.
std::string BuildSample() {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  TableDef def = testing::TestTable(400);
  MemoDef memo;
  memo.name = "TST:NOTE";
  memo.size = 700;
  def.memos = {memo};
  EXPECT_TRUE(Table::Create("s\\!ROWS", def, opt).ok());
  EXPECT_TRUE(Table::Create("s\\!MORE", testing::TestTable(), opt).ok());
  Table t;
  EXPECT_TRUE(t.Open("s\\!ROWS", &def, opt).ok());
  EXPECT_TRUE(t.Stream().ok());
  for (int i = 0; i < 300; ++i) {
    t.ClearRecord();
    testing::PutLong(t.record(), T::kId, i);
    testing::PutLong(t.record(), T::kDay, 70000 + i % 17);
    char name[16];
    std::snprintf(name, sizeof name, "N%d", i * 37 % 101);
    testing::PutText(t.record(), T::kName, 12, name);
    t.memo(0) = std::string(static_cast<size_t>(i % 5) * 150, static_cast<char>('a' + i % 26));
    EXPECT_TRUE(t.Add().ok());
  }
  EXPECT_TRUE(t.Flush().ok());
  EXPECT_TRUE(t.Close().ok());
  return fs.Bytes("s.VTF");
}

bool IsDamageCode(int code) {
  return code == err::kInvalidDataFile || code == err::kFileSystemError ||
         code == err::kFileNotFound || code == err::kInvalidRecordDeclaration ||
         code == err::kAccessDenied || code == err::kRecordNotAvailable ||
         code == err::kRecordNotFound || code == err::kDuplicateKey || code == err::kRecordChanged;
}

// Opens every table it can and reads everything through every key, checks,
// and writes; returns the first error code met (0 when none).
int Exercise(const std::string& bytes) {
  MemFileSystem fs;
  fs.Bytes("s.VTF") = bytes;
  OpenOptions opt;
  opt.fs = &fs;
  int first = 0;
  auto note = [&](const Status& st) {
    if (!st.ok() && first == 0) first = st.code();
    EXPECT_TRUE(st.ok() || IsDamageCode(st.code())) << st.code();
  };
  for (const char* name : {"s\\!ROWS", "s\\!MORE", "s"}) {
    Table t;
    Status st = t.Open(name, nullptr, opt);
    if (st.code() != err::kFileNotFound) note(st);
    if (!st.ok()) continue;
    for (int k = -1; k < static_cast<int>(t.def().keys.size()); ++k) {
      note(k < 0 ? t.Set() : t.SetKey(k));
      int steps = 0;
      for (;; ++steps) {
        Status n = t.Next();
        if (!n.ok()) {
          if (n.code() != err::kRecordNotAvailable) note(n);
          break;
        }
        if (steps > 5000) {
          ADD_FAILURE() << "walk does not end";
          return -1;
        }
      }
      if (k >= 0) {
        note(t.SetKey(k));
        (void)t.Previous();
      }
    }
    std::vector<std::string> problems;
    note(t.Verify(&problems));
    TreeReport report;
    if (t.store() != nullptr) note(VerifyTree(*t.store(), &report));
    t.ClearRecord();
    testing::PutLong(t.record(), 0, 99999);
    note(t.Add());
    Status got = t.GetRecord(5);
    if (got.code() != err::kRecordNotFound) note(got);
    if (t.Pointer() != 0) {
      t.record()[T::kName] = 'Z';
      note(t.Put());
      note(t.Delete());
    }
  }
  return first;
}

class StoreCorruptTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sample_ = new std::string(BuildSample()); }
  static void TearDownTestSuite() { delete sample_; }
  static std::string* sample_;
};
std::string* StoreCorruptTest::sample_ = nullptr;

TEST_F(StoreCorruptTest, SampleIsSound) {
  EXPECT_EQ(Exercise(*sample_), 0);
}

TEST_F(StoreCorruptTest, TruncatedHeaderAndWrongMagic) {
  for (size_t n : {1u, 13u, 14u, 200u, 511u}) {
    EXPECT_EQ(Exercise(sample_->substr(0, n)), err::kInvalidDataFile) << n;
  }
  std::string bad = *sample_;
  bad[14] = 'Q';
  EXPECT_EQ(Exercise(bad), err::kInvalidDataFile);
}

TEST_F(StoreCorruptTest, TruncatedPagesAreCheckFailures) {
  FileHeader h;
  ASSERT_TRUE(FileHeader::Decode(fmt::U8(*sample_), &h).ok());
  const size_t end = h.committed_end;
  for (size_t cut : {size_t{512}, size_t{768}, end / 2, end - 256}) {
    int code = Exercise(sample_->substr(0, cut));
    EXPECT_EQ(code, err::kFileSystemError) << cut;
  }
}

// A header that names space far past the data is damage: trusting it
// would write the next journal gigabytes away.
void ExpectRefusedWithoutGrowing(const std::string& bad) {
  MemFileSystem fs;
  fs.Bytes("s.VTF") = bad;
  OpenOptions opt;
  opt.fs = &fs;
  Table t;
  Status st = t.Open("s\\!ROWS", nullptr, opt);
  if (st.ok()) st = t.Add();
  EXPECT_EQ(st.code(), err::kFileSystemError);
  EXPECT_EQ(fs.Bytes("s.VTF").size(), bad.size());
}

TEST_F(StoreCorruptTest, CommittedEndBeyondTheFileIsACheckFailure) {
  std::string bad = *sample_;
  for (int i = 6; i < 14; ++i) bad[i] = '\xFF';
  ExpectRefusedWithoutGrowing(bad);
}

TEST_F(StoreCorruptTest, RegionBeyondTheCommittedEndIsACheckFailure) {
  // A region's end is where the next journal goes.
  FileHeader h;
  ASSERT_TRUE(FileHeader::Decode(reinterpret_cast<const uint8_t*>(sample_->data()), &h).ok());
  int32_t top = 0;
  for (int k = 1; k < 60; ++k)
    if (h.region_start[k] != h.region_end[k]) top = std::max(top, h.region_end[k]);
  for (int k = 26; k < 60; ++k) h.region_start[k] = h.region_end[k] = top;
  h.region_end[26] += 26 * 100000;
  std::string bad = *sample_;
  h.Encode(reinterpret_cast<uint8_t*>(bad.data()));
  ExpectRefusedWithoutGrowing(bad);
}

TEST_F(StoreCorruptTest, StoredSizeThatDoesNotFitItsRegion) {
  FileHeader h;
  ASSERT_TRUE(FileHeader::Decode(fmt::U8(*sample_), &h).ok());
  std::string bad = *sample_;
  size_t root = static_cast<size_t>(fmt::RefOffset(h.root));
  int k = h.RegionOf(h.root);
  // A stored size one block larger than the page's region allows.
  fmt::Put16(reinterpret_cast<uint8_t*>(bad.data()) + root + 4,
             static_cast<uint16_t>(k * fmt::kBlockSize + 1));
  EXPECT_EQ(Exercise(bad), err::kFileSystemError);
  EXPECT_EQ(ERRORCODE(), err::kFileSystemError);
  // The table carries the failed mark until it is closed.
  MemFileSystem fs;
  fs.Bytes("s.VTF") = *sample_;
  OpenOptions opt;
  opt.fs = &fs;
  Table t;
  ASSERT_TRUE(t.Open("s\\!ROWS", nullptr, opt).ok());
  fs.Bytes("s.VTF") = bad;
  // Force the header to be read again: another change counter.
  FileHeader h2 = h;
  h2.change_counter += 5;
  h2.Encode(reinterpret_cast<uint8_t*>(fs.Bytes("s.VTF").data()));
  Status st = t.SetKey(0);
  if (st.ok()) st = t.Next();
  ASSERT_EQ(st.code(), err::kFileSystemError);
  EXPECT_NE(st.check(), 0);
  EXPECT_EQ(ERROR(), "s.VTF\\!ROWS");
  fs.Bytes("s.VTF") = *sample_;
  EXPECT_EQ(t.Set().code(), err::kFileSystemError);
  EXPECT_TRUE(t.Close().ok());
  ASSERT_TRUE(t.Open("s\\!ROWS", nullptr, opt).ok());
  EXPECT_TRUE(t.Set().ok());
}

TEST_F(StoreCorruptTest, BodyThatDoesNotDecode) {
  FileHeader h;
  ASSERT_TRUE(FileHeader::Decode(fmt::U8(*sample_), &h).ok());
  std::string bad = *sample_;
  size_t root = static_cast<size_t>(fmt::RefOffset(h.root));
  // One record more than the body holds.
  uint8_t* count = reinterpret_cast<uint8_t*>(bad.data()) + root + 10;
  fmt::Put16(count, static_cast<uint16_t>(fmt::Get16(count) + 1));
  EXPECT_EQ(Exercise(bad), err::kFileSystemError);
}

TEST_F(StoreCorruptTest, RandomByteFlipsNeverCrash) {
  std::mt19937 rng(20261208);
  int damaged = 0;
  for (int round = 0; round < 400; ++round) {
    std::string bad = *sample_;
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) {
      size_t at = round % 4 == 0 ? rng() % 512 : rng() % bad.size();
      bad[at] = static_cast<char>(bad[at] ^ static_cast<char>(1 + rng() % 255));
    }
    int code = Exercise(bad);
    ASSERT_NE(code, -1) << "round " << round;
    if (code != 0) ++damaged;
  }
  EXPECT_GT(damaged, 0);
}

TEST(StoreOddDefinitions, RecordOfNoBytes) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  TableDef def;
  def.record_length = 0;
  ASSERT_TRUE(Table::Create("z", def, opt).ok());
  Table t;
  ASSERT_TRUE(t.Open("z", nullptr, opt).ok());
  t.ClearRecord();
  ASSERT_TRUE(t.Add().ok());
  ASSERT_TRUE(t.Set().ok());
  EXPECT_TRUE(t.Next().ok());
  EXPECT_TRUE(t.Put().ok());
  EXPECT_TRUE(t.Delete().ok());
}

}  // namespace
}  // namespace kavo
