// The size limits of a store file: pages anywhere below the lock bytes at
// 2 GiB, a commit that would reach them refused as a full disk, and rows
// longer than the tree takes (written elsewhere) read but never written.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "journal_store_util.h"
#include "store/format.h"
#include "store/header.h"
#include "store/mem_file.h"
#include "store/page.h"
#include "store/record_codec.h"
#include "store/store_file.h"
#include "store/table.h"

namespace kavo {
namespace {

// The block at which the lock bytes begin.
constexpr int32_t kEndBlock = static_cast<int32_t>((kLockBase - 512) / 256);

// A store file made of one leaf page at block `at`.
struct OneLeaf {
  std::string header;
  std::string page;
  int64_t home = 0;
};

// The records of a store file small enough to be one leaf, and its last
// issued number.
void LeafRecords(FileSystem* fs, const std::string& path, std::vector<Record>* records,
                 uint32_t* last_number) {
  std::shared_ptr<StoreFile> sf;
  OpenOptions opt;
  ASSERT_TRUE(StoreFile::Acquire(fs, path, opt, false, &sf).ok());
  ASSERT_TRUE(sf->Begin(false).ok());
  std::shared_ptr<Page> root;
  ASSERT_TRUE(sf->Root(&root).ok());
  ASSERT_TRUE(root->leaf());
  records->assign(root->records.begin(), root->records.end());
  *last_number = sf->header().last_number;
  ASSERT_TRUE(sf->End(Status::OK()).ok());
}

void BuildLeaf(const std::vector<Record>& records, uint32_t last_number, int32_t at, OneLeaf* out) {
  Page p;
  p.ref = at;
  for (const Record& r : records) p.records.push_back(r);
  out->home = fmt::RefOffset(at);
  EncodedPage e;
  ASSERT_TRUE(EncodePage(p, out->home, &e).ok());
  FileHeader h = FileHeader::Fresh();
  h.region_start[e.blocks] = at;
  h.region_end[e.blocks] = at + e.blocks;
  h.root = at;
  h.committed_end = h.journal_end = static_cast<uint32_t>(fmt::RefOffset(at + e.blocks));
  h.change_counter = 1;
  h.last_number = last_number;
  uint8_t raw[fmt::kHeaderSize];
  h.Encode(raw);
  out->header.assign(reinterpret_cast<char*>(raw), sizeof raw);
  out->page = std::move(e.bytes);
}

// A disk file with the leaf at its home address and nothing in between (a
// sparse file on any common file system).
void WriteSparse(const std::string& path, const OneLeaf& leaf) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, leaf.header.data(), leaf.header.size(), 0),
            static_cast<ssize_t>(leaf.header.size()));
  ASSERT_EQ(::pwrite(fd, leaf.page.data(), leaf.page.size(), leaf.home),
            static_cast<ssize_t>(leaf.page.size()));
  ::close(fd);
}

int64_t FileSize(const std::string& path) {
  std::error_code ec;
  auto n = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<int64_t>(n);
}

class StoreLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/kavo_limits_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    small_ = dir_ + "/SMALL";
    ASSERT_TRUE(testing::CreatePeople(small_, DefaultFileSystem()).ok());
    Table t;
    ASSERT_TRUE(testing::OpenPeople(&t, small_, DefaultFileSystem()).ok());
    for (int n = 1; n <= 5; ++n) ASSERT_TRUE(testing::AddPerson(&t, n, "ROW").ok());
    ASSERT_TRUE(t.Close().ok());
    ASSERT_NO_FATAL_FAILURE(
        LeafRecords(DefaultFileSystem(), small_ + ".VTF", &records_, &last_number_));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string dir_;
  std::string small_;
  std::vector<Record> records_;
  uint32_t last_number_ = 0;
};

TEST_F(StoreLimitsTest, PagesBeyondOneGibibyteAreData) {
  // The leaf at 1.5 GiB: the file opens, reads, takes new rows and checks
  // sound.
  const std::string far = dir_ + "/FAR";
  OneLeaf leaf;
  ASSERT_NO_FATAL_FAILURE(BuildLeaf(records_, last_number_, int32_t{3} << 21, &leaf));
  ASSERT_GT(leaf.home, int64_t{3} << 29);
  ASSERT_NO_FATAL_FAILURE(WriteSparse(far + ".VTF", leaf));

  Table t;
  ASSERT_TRUE(testing::OpenPeople(&t, far, DefaultFileSystem()).ok()) << ERROR();
  testing::Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&t, &rows).ok());
  EXPECT_EQ(rows.size(), 5u);
  for (int n = 6; n <= 40; ++n) ASSERT_TRUE(testing::AddPerson(&t, n, "MORE").ok()) << n;
  ASSERT_TRUE(testing::PutPerson(&t, 1, "FIRST").ok());
  ASSERT_TRUE(t.Close().ok());
  ASSERT_TRUE(testing::ReadPeople(far, DefaultFileSystem(), &rows).ok());
  EXPECT_EQ(rows.size(), 40u);
  EXPECT_EQ(rows[1], "FIRST");
  std::string report;
  EXPECT_TRUE(testing::ToolCheck(far + ".VTF", &report)) << report;
}

TEST_F(StoreLimitsTest, CommitThatWouldReachTheLockBytesIsAFullFile) {
  // The leaf ends exactly at the lock bytes: it reads, but the journal of
  // any change would lie beyond them.
  const std::string full = dir_ + "/FULL";
  OneLeaf probe;
  ASSERT_NO_FATAL_FAILURE(BuildLeaf(records_, last_number_, 0, &probe));
  int32_t blocks = static_cast<int32_t>(probe.page.size() / fmt::kBlockSize);
  OneLeaf leaf;
  ASSERT_NO_FATAL_FAILURE(BuildLeaf(records_, last_number_, kEndBlock - blocks, &leaf));
  ASSERT_EQ(leaf.home + static_cast<int64_t>(leaf.page.size()), static_cast<int64_t>(kLockBase));
  ASSERT_NO_FATAL_FAILURE(WriteSparse(full + ".VTF", leaf));
  const int64_t size = FileSize(full + ".VTF");

  Table t;
  ASSERT_TRUE(testing::OpenPeople(&t, full, DefaultFileSystem()).ok()) << ERROR();
  EXPECT_EQ(testing::AddPerson(&t, 6, "NEW").code(), OsErrorCode(ENOSPC));
  // A full file is not a damaged one: the table goes on reading.
  testing::Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&t, &rows).ok());
  EXPECT_EQ(rows.size(), 5u);
  EXPECT_EQ(testing::PutPerson(&t, 1, "CHANGED").code(), OsErrorCode(ENOSPC));
  ASSERT_TRUE(t.Close().ok());
  EXPECT_EQ(FileSize(full + ".VTF"), size);
  ASSERT_TRUE(testing::ReadPeople(full, DefaultFileSystem(), &rows).ok());
  EXPECT_EQ(rows[1], "ROW");
}

TEST(StoreLimitsHeader, RegionsEndAtTheLockBytesAtTheLatest) {
  auto decode = [](int32_t end) {
    FileHeader h = FileHeader::Fresh();
    h.region_start[1] = end - 1;
    h.region_end[1] = end;
    h.root = end - 1;
    h.committed_end = h.journal_end = static_cast<uint32_t>(fmt::RefOffset(end));
    uint8_t raw[fmt::kHeaderSize];
    h.Encode(raw);
    FileHeader out;
    return FileHeader::Decode(raw, &out);
  };
  EXPECT_TRUE(decode((int32_t{1} << 22) + 1).ok());
  EXPECT_TRUE(decode(kEndBlock).ok());
  EXPECT_EQ(decode(kEndBlock + 1).check(), 103);
}

// A table declared with rows of 8000 bytes, longer than this store writes:
// one row and its entry, as a file written elsewhere would hold them.
TEST(StoreLimitsRows, RowLongerThanTheTreeTakesIsReadButNeverWritten) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  TableDef def;
  def.label = "LONG";
  def.prefix = "LNG";
  def.record_length = 7000;
  FieldDef number;
  number.name = "LNG:N";
  number.type = FieldType::kLong;
  number.size = 4;
  FieldDef text;
  text.name = "LNG:TEXT";
  text.type = FieldType::kString;
  text.offset = 4;
  text.size = text.declared_length = 6996;
  text.index = 1;
  def.fields = {number, text};
  KeyDef by_number;
  by_number.name = "LNG:BEY_N";
  by_number.flags = kKeyPrimary;
  by_number.components = {{0, 0}};
  def.keys = {by_number};
  ASSERT_TRUE(Table::Create("LONG", def, opt).ok());
  {
    Table t;
    ASSERT_TRUE(t.Open("LONG", &def, opt).ok());
    t.ClearRecord();
    int32_t one = 1;
    std::memcpy(t.record(), &one, 4);
    std::memcpy(t.record() + 4, "HELLO", 5);
    ASSERT_TRUE(t.Add().ok());
  }

  // Stretch the declaration and the row to 8000 bytes.
  std::vector<Record> records;
  uint32_t last_number = 0;
  ASSERT_NO_FATAL_FAILURE(LeafRecords(&fs, "LONG.VTF", &records, &last_number));
  def.record_length = 8000;
  def.fields[1].size = def.fields[1].declared_length = 7996;
  std::string stream = rec::EncodeDefinition(def);
  ASSERT_LE(stream.size(), 512u);
  std::vector<Record> stretched;
  for (const Record& r : records) {
    uint8_t kind = r.key().size() > 4 ? static_cast<uint8_t>(r.key()[4]) : 0;
    if (kind == fmt::kKindDefinition) {
      uint16_t block = fmt::Get16(fmt::U8(r.key()) + 5);
      if (block * 512u < stream.size())
        stretched.emplace_back(r.key(), stream.substr(block * 512u, 512));
    } else if (kind == fmt::kKindRow) {
      std::string row(r.data());
      row.resize(8000, ' ');
      stretched.emplace_back(r.key(), row);
    } else {
      stretched.push_back(r);
    }
  }
  OneLeaf leaf;
  ASSERT_NO_FATAL_FAILURE(BuildLeaf(stretched, last_number, 0, &leaf));
  fs.Bytes("LONG.VTF") = leaf.header + leaf.page;

  Table t;
  ASSERT_TRUE(t.Open("LONG", nullptr, opt).ok()) << ERROR();
  ASSERT_EQ(t.record_length(), 8000u);
  ASSERT_TRUE(t.Set().ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(t.record()) + 4, 5), "HELLO");
  uint32_t row = t.Pointer();

  std::memcpy(t.record() + 4, "WORLD", 5);
  EXPECT_EQ(t.Put().code(), err::kInvalidRecordDeclaration);
  EXPECT_EQ(t.PutRecord(row).code(), err::kInvalidRecordDeclaration);
  EXPECT_EQ(t.Add().code(), err::kInvalidRecordDeclaration);
  EXPECT_EQ(t.RebuildKeys().code(), err::kInvalidRecordDeclaration);
  // Nothing failed the table: it reads as before and the row can go.
  uint32_t count = 0;
  ASSERT_TRUE(t.Records(&count).ok());
  EXPECT_EQ(count, 1u);
  ASSERT_TRUE(t.GetRecord(row).ok());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(t.record()) + 4, 5), "HELLO");
  EXPECT_TRUE(t.Delete().ok());
  ASSERT_TRUE(t.Records(&count).ok());
  EXPECT_EQ(count, 0u);
}

}  // namespace
}  // namespace kavo
