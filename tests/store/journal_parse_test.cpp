// Damaged journals and link records: the next open resolves what is whole or
// reports 36/90, never crashes, never reads out of bounds, and leaves a
// journal it cannot trust untouched.
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "file_bytes.h"
#include "journal_store_util.h"
#include "store/mem_file.h"
#include "store/store_transaction.h"
#include "store/table.h"

namespace kavo {
namespace {

using testing::FaultFileSystem;
using testing::Get32;
using testing::Put32;
using testing::Rows;

// Creates A with rows 1 to 30 and B empty.
void CreateAWithThirtyRows(MemFileSystem* mem) {
  ASSERT_TRUE(testing::CreatePeople("A", mem).ok());
  ASSERT_TRUE(testing::CreatePeople("B", mem).ok());
  Table a;
  ASSERT_TRUE(testing::OpenPeople(&a, "A", mem).ok());
  for (int n = 1; n <= 30; ++n) ASSERT_TRUE(testing::AddPerson(&a, n, "ROW").ok());
}

// Leaves A with a pending journal of one add (row 31), or of a two-file
// transaction (A row 31, B row 1) when two_files.
void PendingJournal(MemFileSystem* mem, bool two_files) {
  for (int64_t at = 0; at < 300; ++at) {
    MemFileSystem probe;
    ASSERT_NO_FATAL_FAILURE(CreateAWithThirtyRows(&probe));
    FaultFileSystem fs(&probe);
    fs.Arm(at);
    {
      Table a, b;
      ASSERT_TRUE(testing::OpenPeople(&a, "A", &fs).ok());
      ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
      if (two_files) {
        ASSERT_TRUE(Logout(a).ok());
        ASSERT_TRUE(Logout(b).ok());
        ASSERT_TRUE(testing::AddPerson(&b, 1, "ROW").ok());
      }
      ASSERT_TRUE(testing::AddPerson(&a, 31, "ROW").ok() || !two_files);
      if (two_files) (void)CommitTransaction();
      (void)RollbackTransaction();
    }
    bool ready = testing::JournalPending(probe.Bytes("A.VTF")) &&
                 (!two_files || testing::JournalPending(probe.Bytes("B.VTF")));
    if (!ready) continue;
    for (const char* path : {"A.VTF", "B.VTF", "vantor.tcf"}) {
      if (probe.Exists(path)) {
        std::unique_ptr<File> f;
        ASSERT_TRUE(mem->Open(path, OpenMode::kReadWrite, true, &f).ok());
        mem->Bytes(path) = probe.Bytes(path);
      }
    }
    return;
  }
  FAIL() << "no stop left a pending journal";
}

// Opens A and reads it; the status of the open or the first failing read.
Status OpenAndRead(MemFileSystem* mem, Rows* rows) {
  Table a;
  KAVO_RETURN_IF_ERROR(testing::OpenPeople(&a, "A", mem));
  return testing::ReadOpen(&a, rows);
}

TEST(JournalDamage, JournalRunningPastTheEndIsLeftAndReported) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, false));
  std::string& bytes = mem.Bytes("A.VTF");
  Put32(&bytes, 10, static_cast<uint32_t>(bytes.size() + 4096));
  std::string before = bytes;
  Rows rows;
  Status st = OpenAndRead(&mem, &rows);
  EXPECT_EQ(st.code(), err::kFileSystemError);
  EXPECT_EQ(st.check(), journal_check::kJournalPastEnd);
  EXPECT_EQ(mem.Bytes("A.VTF"), before);

  // Cut short instead: the same.
  Put32(&bytes, 10, Get32(before, 10) - 4096);
  bytes.resize(bytes.size() - 300);
  EXPECT_EQ(OpenAndRead(&mem, &rows).code(), err::kFileSystemError);
}

TEST(JournalDamage, ImagesWhoseSizesDoNotFit) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, false));
  const std::string good = mem.Bytes("A.VTF");
  uint32_t start = Get32(good, 6);
  for (uint16_t size : {0, 3, 5, 0x3B01, 0xFFFF}) {
    SCOPED_TRACE(size);
    std::string& bytes = mem.Bytes("A.VTF");
    bytes = good;
    bytes[start + 4] = static_cast<char>(size & 0xFF);
    bytes[start + 5] = static_cast<char>(size >> 8);
    Rows rows;
    Status st = OpenAndRead(&mem, &rows);
    EXPECT_EQ(st.code(), err::kFileSystemError);
    EXPECT_EQ(mem.Bytes("A.VTF"), bytes);
  }
  // A page image whose home is off the block grid or inside the journal.
  for (uint32_t home : {513u, 0x7FFFFF00u, start}) {
    SCOPED_TRACE(home);
    std::string& bytes = mem.Bytes("A.VTF");
    bytes = good;
    if (Get32(bytes, start) == 0) continue;  // the first image is the header
    Put32(&bytes, start, home);
    Rows rows;
    EXPECT_EQ(OpenAndRead(&mem, &rows).code(), err::kFileSystemError);
  }
  // The header image missing: every image claims to be a page.
  std::string& bytes = mem.Bytes("A.VTF");
  bytes = good;
  uint32_t end = Get32(bytes, 10);
  Put32(&bytes, 10, end - 512);
  Rows rows;
  Status st = OpenAndRead(&mem, &rows);
  EXPECT_EQ(st.code(), err::kFileSystemError);
}

TEST(JournalDamage, WholeJournalIsReplayed) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, false));
  Rows rows;
  ASSERT_TRUE(OpenAndRead(&mem, &rows).ok());
  EXPECT_EQ(rows.size(), 31u);
}

TEST(JournalDamage, ReadOnlyOpenResolvesThroughAWritableInstance) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, false));
  Table a;
  OpenOptions options;
  options.fs = &mem;
  options.mode = OpenMode::kReadOnly;
  ASSERT_TRUE(a.Open("A", &testing::PeopleDef(), options).ok());
  Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&a, &rows).ok());
  EXPECT_EQ(rows.size(), 31u);
  EXPECT_FALSE(testing::JournalPending(mem.Bytes("A.VTF")));
}

TEST(JournalDamage, LinkNamingAMissingControlFileReplays) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, true));
  ASSERT_TRUE(mem.Remove("vantor.tcf").ok());
  Rows a, b;
  ASSERT_TRUE(OpenAndRead(&mem, &a).ok());
  ASSERT_TRUE(testing::ReadPeople("B", &mem, &b).ok());
  EXPECT_EQ(a.size(), 31u);
  EXPECT_EQ(b.size(), 1u);
}

TEST(JournalDamage, LinkNamingAnUnreadableControlFileIsReported) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, true));
  const std::string a_before = mem.Bytes("A.VTF");
  // Not a store file.
  mem.Bytes("vantor.tcf") = "not a store file";
  Rows rows;
  EXPECT_EQ(OpenAndRead(&mem, &rows).code(), err::kInvalidDataFile);
  EXPECT_EQ(mem.Bytes("A.VTF"), a_before);
  // A directory.
  ASSERT_TRUE(mem.Remove("vantor.tcf").ok());
  mem.Mkdir("vantor.tcf");
  EXPECT_EQ(OpenAndRead(&mem, &rows).code(), err::kInvalidDataFile);
  EXPECT_EQ(mem.Bytes("A.VTF"), a_before);
}

TEST(JournalDamage, RandomFlipsInTheJournalNeverCrash) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(PendingJournal(&mem, true));
  const std::string good = mem.Bytes("A.VTF");
  const std::string tcf = mem.Bytes("vantor.tcf");
  uint32_t start = Get32(good, 6), end = Get32(good, 10);
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    std::string& bytes = mem.Bytes("A.VTF");
    bytes = good;
    mem.Bytes("vantor.tcf") = tcf;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
      uint32_t at = start + static_cast<uint32_t>(random() % (end - start));
      bytes[at] = static_cast<char>(random());
    }
    Rows rows;
    Status st = OpenAndRead(&mem, &rows);
    if (st.ok()) {
      EXPECT_LE(rows.size(), 31u);
    } else {
      EXPECT_TRUE(st.code() == err::kFileSystemError || st.code() == err::kInvalidDataFile)
          << st.code();
    }
  }
}

}  // namespace
}  // namespace kavo
