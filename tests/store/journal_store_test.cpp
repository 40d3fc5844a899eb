// The store's commits through the journal: a workload of adds, puts,
// deletes and a rename cascade across two files in one transaction, stopped
// at every write and flush in turn; transactions, rollback and the control
// file.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "journal_store_util.h"
#include "store/mem_file.h"
#include "store/store_transaction.h"
#include "store/table.h"
#include "store/transaction.h"

namespace kavo {
namespace {

using testing::FaultFileSystem;
using testing::Rows;

// One step of the workload and the rows it leaves, per file.
struct Expect {
  Rows a, b;
};

// Runs the workload on fs; returns how many steps finished before the first
// failure (the "crash").
int RunWorkload(FileSystem* fs) {
  Table a, b;
  if (!testing::OpenPeople(&a, "A", fs).ok() || !testing::OpenPeople(&b, "B", fs).ok()) return 0;
  std::vector<std::function<Status()>> steps;
  // Adds, each committed on its own, a rewrite and a delete.
  for (int n = 1; n <= 4; ++n) {
    steps.push_back([&a, n] { return testing::AddPerson(&a, n, n % 2 ? "SMITH" : "JONES"); });
  }
  steps.push_back([&a] { return testing::PutPerson(&a, 3, "BROWN"); });
  steps.push_back([&a] { return testing::DeletePerson(&a, 2); });
  // The rename cascade: every SMITH in both files becomes TAYLOR, in one
  // transaction.
  steps.push_back([&a, &b] {
    KAVO_RETURN_IF_ERROR(Logout(a));
    KAVO_RETURN_IF_ERROR(Logout(b));
    KAVO_RETURN_IF_ERROR(testing::PutPerson(&a, 1, "TAYLOR"));
    KAVO_RETURN_IF_ERROR(testing::PutPerson(&b, 10, "TAYLOR"));
    KAVO_RETURN_IF_ERROR(testing::PutPerson(&b, 12, "TAYLOR"));
    KAVO_RETURN_IF_ERROR(testing::AddPerson(&b, 13, "TAYLOR"));
    return CommitTransaction();
  });
  int done = 0;
  for (auto& step : steps) {
    if (!step().ok()) break;
    ++done;
  }
  (void)RollbackTransaction();
  (void)a.Close();
  (void)b.Close();
  return done;
}

std::vector<Expect> Model() {
  Rows a0, b0 = {{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}};
  std::vector<Expect> m;
  m.push_back({a0, b0});
  Rows a = a0;
  for (int n = 1; n <= 4; ++n) {
    a[n] = n % 2 ? "SMITH" : "JONES";
    m.push_back({a, b0});
  }
  a[3] = "BROWN";
  m.push_back({a, b0});
  a.erase(2);
  m.push_back({a, b0});
  Rows b = b0;
  a[1] = "TAYLOR";
  b[10] = b[12] = b[13] = "TAYLOR";
  m.push_back({a, b});
  return m;
}

// Builds the two files before the workload: A empty, B with three rows.
void Seed(MemFileSystem* mem) {
  ASSERT_TRUE(testing::CreatePeople("A", mem).ok());
  ASSERT_TRUE(testing::CreatePeople("B", mem).ok());
  Table b;
  ASSERT_TRUE(testing::OpenPeople(&b, "B", mem).ok());
  ASSERT_TRUE(testing::AddPerson(&b, 10, "SMITH").ok());
  ASSERT_TRUE(testing::AddPerson(&b, 11, "JONES").ok());
  ASSERT_TRUE(testing::AddPerson(&b, 12, "SMITH").ok());
  ASSERT_TRUE(b.Close().ok());
}

void CrashSweep(FaultFileSystem::Crash crash, size_t tear) {
  std::vector<Expect> model = Model();
  int64_t calls = 0;
  {
    MemFileSystem mem;
    Seed(&mem);
    FaultFileSystem fs(&mem);
    ASSERT_EQ(RunWorkload(&fs), static_cast<int>(model.size()) - 1);
    calls = fs.calls();
  }
  ASSERT_GT(calls, 20);
  for (int64_t at = 0; at < calls; ++at) {
    SCOPED_TRACE("crash at call " + std::to_string(at) + " of " + std::to_string(calls));
    MemFileSystem mem;
    Seed(&mem);
    FaultFileSystem fs(&mem);
    fs.Flushed("A.VTF");
    fs.Flushed("B.VTF");
    fs.Arm(at, crash, tear);
    // A stop at the very last call (cutting off the dead journal after the
    // last flush) fails nothing.
    int done = RunWorkload(&fs);
    ASSERT_LT(done, static_cast<int>(model.size()) - (at + 1 == calls ? 0 : 1));

    // Reopen on the bare files, as the next process would.
    Rows a, b;
    ASSERT_TRUE(testing::ReadPeople("A", &mem, &a).ok());
    ASSERT_TRUE(testing::ReadPeople("B", &mem, &b).ok());
    const Expect& before = model[static_cast<size_t>(done)];
    const Expect& after = model[std::min(static_cast<size_t>(done) + 1, model.size() - 1)];
    bool old_state = a == before.a && b == before.b;
    bool new_state = a == after.a && b == after.b;
    EXPECT_TRUE(old_state || new_state) << "step " << done;
    std::string problem;
    EXPECT_TRUE(testing::CheckSound(&mem, "A.VTF", &problem)) << problem;
    EXPECT_TRUE(testing::CheckSound(&mem, "B.VTF", &problem)) << problem;
  }
}

TEST(JournalStoreCrash, EveryWriteAndFlush) {
  CrashSweep(FaultFileSystem::Crash::kProcess, 0);
}

TEST(JournalStoreCrash, EveryWriteTornOnASector) {
  CrashSweep(FaultFileSystem::Crash::kProcess, 700);
}

TEST(JournalStoreCrash, PowerLossAtEveryCall) {
  CrashSweep(FaultFileSystem::Crash::kPowerLoss, 0);
}

TEST(JournalStore, FailedWriteDropsTheChangeAndTheFileGoesOn) {
  // A disk error at each write or flush of one add in turn: the add fails and
  // the next add works. Up to the flush that makes the journal count, the
  // table shows the rows before the add; after it, the journal completes the
  // add at the next read.
  int64_t calls = 0;
  int64_t journal_counts = -1;
  {
    MemFileSystem mem;
    Seed(&mem);
    FaultFileSystem fs(&mem);
    Table b;
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
    int64_t before = fs.calls();
    ASSERT_TRUE(testing::AddPerson(&b, 20, "NEW").ok());
    calls = fs.calls() - before;
    std::string kinds = fs.kinds().substr(static_cast<size_t>(before));
    journal_counts = static_cast<int64_t>(kinds.find('f', kinds.find('f') + 1));
  }
  for (int64_t at = 0; at < calls; ++at) {
    SCOPED_TRACE("failed call " + std::to_string(at));
    MemFileSystem mem;
    Seed(&mem);
    FaultFileSystem fs(&mem);
    Table b;
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
    fs.FailOnce(fs.calls() + at);
    Status st = testing::AddPerson(&b, 20, "NEW");
    Rows rows;
    ASSERT_TRUE(testing::ReadOpen(&b, &rows).ok());
    // Only the cut of the dead journal after the last flush may fail without
    // failing the add.
    EXPECT_EQ(st.ok(), at + 1 == calls);
    if (at <= journal_counts) {
      EXPECT_EQ(rows, (Rows{{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}}));
    } else {
      EXPECT_EQ(rows, (Rows{{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}, {20, "NEW"}}));
    }
    ASSERT_TRUE(testing::AddPerson(&b, 21, "NEXT").ok());
    ASSERT_TRUE(b.Close().ok());
    ASSERT_TRUE(testing::ReadPeople("B", &mem, &rows).ok());
    EXPECT_EQ(rows.count(21), 1u);
    std::string problem;
    EXPECT_TRUE(testing::CheckSound(&mem, "B.VTF", &problem)) << problem;
  }
}

TEST(JournalStore, FailedTransactionLeavesEveryFileAsOnDisk) {
  // The second file's disk is full when the transaction commits: the commit
  // fails, and the first file, whose journal was already written, must read
  // what its disk holds and commit only the next change.
  MemFileSystem mem;
  Seed(&mem);
  FaultFileSystem fs(&mem);
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, "A", &fs).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
  ASSERT_TRUE(testing::AddPerson(&a, 1, "ONE").ok());
  ASSERT_TRUE(testing::AddPerson(&a, 2, "TWO").ok());
  ASSERT_TRUE(Logout(a).ok());
  ASSERT_TRUE(Logout(b).ok());
  ASSERT_TRUE(testing::PutPerson(&a, 1, "CANCELLED").ok());
  ASSERT_TRUE(testing::AddPerson(&a, 3, "CANCELLED").ok());
  ASSERT_TRUE(testing::PutPerson(&b, 10, "CANCELLED").ok());
  fs.FillUp("B.VTF");
  EXPECT_FALSE(CommitTransaction().ok());
  EXPECT_FALSE(Transaction::Process().active());

  const Rows a_before = {{1, "ONE"}, {2, "TWO"}};
  const Rows b_before = {{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}};
  Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&a, &rows).ok());
  EXPECT_EQ(rows, a_before);
  ASSERT_TRUE(testing::ReadOpen(&b, &rows).ok());
  EXPECT_EQ(rows, b_before);

  ASSERT_TRUE(testing::PutPerson(&a, 2, "PLAIN").ok());
  ASSERT_TRUE(a.Close().ok());
  ASSERT_TRUE(b.Close().ok());
  ASSERT_TRUE(testing::ReadPeople("A", &mem, &rows).ok());
  EXPECT_EQ(rows, (Rows{{1, "ONE"}, {2, "PLAIN"}}));
  ASSERT_TRUE(testing::ReadPeople("B", &mem, &rows).ok());
  EXPECT_EQ(rows, b_before);
  std::string problem;
  EXPECT_TRUE(testing::CheckSound(&mem, "A.VTF", &problem)) << problem;
  EXPECT_TRUE(testing::CheckSound(&mem, "B.VTF", &problem)) << problem;
}

TEST(JournalStore, CommitLeavesNoJournalAndFileEndsAtLastRegion) {
  MemFileSystem mem;
  Seed(&mem);
  const std::string& bytes = mem.Bytes("B.VTF");
  uint32_t committed = 0, journal = 0;
  std::memcpy(&committed, bytes.data() + 6, 4);
  std::memcpy(&journal, bytes.data() + 10, 4);
  EXPECT_EQ(committed, journal);
  EXPECT_EQ(committed, bytes.size());
  EXPECT_EQ(RegionEndOfFile(bytes.substr(0, 512)), bytes.size());
}

TEST(JournalStore, RollbackOfTwoFilesLeavesBothAsBefore) {
  MemFileSystem mem;
  Seed(&mem);
  std::string a_before = mem.Bytes("A.VTF"), b_before = mem.Bytes("B.VTF");
  {
    Table a, b;
    ASSERT_TRUE(testing::OpenPeople(&a, "A", &mem).ok());
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &mem).ok());
    ASSERT_TRUE(Logout(a).ok());
    ASSERT_TRUE(Logout(b).ok());
    ASSERT_TRUE(testing::AddPerson(&a, 1, "X").ok());
    ASSERT_TRUE(testing::PutPerson(&b, 10, "Y").ok());
    ASSERT_TRUE(testing::DeletePerson(&b, 11).ok());
    ASSERT_TRUE(RollbackTransaction().ok());
    EXPECT_FALSE(Transaction::Process().active());
    // The tables read the old state at once.
    Rows rows;
    ASSERT_TRUE(testing::ReadOpen(&b, &rows).ok());
    EXPECT_EQ(rows, (Rows{{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}}));
  }
  EXPECT_EQ(mem.Bytes("A.VTF"), a_before);
  EXPECT_EQ(mem.Bytes("B.VTF"), b_before);
}

TEST(JournalStore, OneChangedFileNeverTouchesTheControlFile) {
  MemFileSystem mem;
  Seed(&mem);
  SetControlFileName("ctl.tcf");
  {
    Table a, b;
    ASSERT_TRUE(testing::OpenPeople(&a, "A", &mem).ok());
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &mem).ok());
    ASSERT_TRUE(Logout(a).ok());
    ASSERT_TRUE(Logout(b).ok());
    ASSERT_TRUE(testing::AddPerson(&a, 1, "X").ok());
    ASSERT_TRUE(CommitTransaction().ok());
  }
  EXPECT_FALSE(mem.Exists("ctl.tcf"));
  Rows a;
  ASSERT_TRUE(testing::ReadPeople("A", &mem, &a).ok());
  EXPECT_EQ(a, (Rows{{1, "X"}}));

  // Two changed files: the control file is created, and left without the
  // transaction's record.
  {
    Table a2, b2;
    ASSERT_TRUE(testing::OpenPeople(&a2, "A", &mem).ok());
    ASSERT_TRUE(testing::OpenPeople(&b2, "B", &mem).ok());
    ASSERT_TRUE(Logout(a2).ok());
    ASSERT_TRUE(Logout(b2).ok());
    ASSERT_TRUE(testing::AddPerson(&a2, 2, "X").ok());
    ASSERT_TRUE(testing::AddPerson(&b2, 20, "X").ok());
    ASSERT_TRUE(CommitTransaction().ok());
  }
  EXPECT_TRUE(mem.Exists("ctl.tcf"));
  EXPECT_EQ(testing::ControlRecords(&mem, "ctl.tcf"), 0u);
  std::string link;
  ASSERT_TRUE(testing::LinkOf(&mem, "B.VTF", &link));
  EXPECT_EQ(link.substr(4), std::string("ctl.tcf") + '\0');
  SetControlFileName("vantor.tcf");
}

// Runs a two-file transaction on fs, stopped at call `at`.
void TwoFileTransaction(FileSystem* fs) {
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, "A", fs).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, "B", fs).ok());
  ASSERT_TRUE(Logout(a).ok());
  ASSERT_TRUE(Logout(b).ok());
  ASSERT_TRUE(testing::AddPerson(&a, 1, "X").ok());
  ASSERT_TRUE(testing::AddPerson(&b, 20, "X").ok());
  (void)CommitTransaction();
}

TEST(JournalStore, PendingTransactionStillListedIsDiscarded) {
  // Find the first stop at which both files show their pending journal while
  // the control file still lists the transaction.
  for (int64_t at = 0;; ++at) {
    ASSERT_LT(at, 200);
    MemFileSystem mem;
    Seed(&mem);
    FaultFileSystem fs(&mem);
    fs.Arm(at);
    TwoFileTransaction(&fs);
    ASSERT_TRUE(fs.crashed());
    if (!testing::JournalPending(mem.Bytes("A.VTF")) ||
        !testing::JournalPending(mem.Bytes("B.VTF"))) {
      continue;
    }
    EXPECT_EQ(testing::ControlRecords(&mem, "vantor.tcf"), 1u);
    Rows a, b;
    ASSERT_TRUE(testing::ReadPeople("A", &mem, &a).ok());
    ASSERT_TRUE(testing::ReadPeople("B", &mem, &b).ok());
    EXPECT_EQ(a, Rows{});
    EXPECT_EQ(b, (Rows{{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}}));
    EXPECT_FALSE(testing::JournalPending(mem.Bytes("A.VTF")));
    EXPECT_FALSE(testing::JournalPending(mem.Bytes("B.VTF")));
    break;
  }
}

TEST(JournalStore, PendingTransactionNoLongerListedIsReplayed) {
  // Stop after the control file let the transaction go but before both files
  // published: the next open replays, both files show the whole change.
  bool seen = false;
  for (int64_t at = 0; at < 200 && !seen; ++at) {
    MemFileSystem mem;
    Seed(&mem);
    FaultFileSystem fs(&mem);
    fs.Arm(at);
    TwoFileTransaction(&fs);
    if (!fs.crashed()) break;
    if (!testing::JournalPending(mem.Bytes("A.VTF")) ||
        !testing::JournalPending(mem.Bytes("B.VTF")) ||
        testing::ControlRecords(&mem, "vantor.tcf") != 0) {
      continue;
    }
    seen = true;
    Rows a, b;
    ASSERT_TRUE(testing::ReadPeople("A", &mem, &a).ok());
    ASSERT_TRUE(testing::ReadPeople("B", &mem, &b).ok());
    EXPECT_EQ(a, (Rows{{1, "X"}}));
    EXPECT_EQ(b, (Rows{{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}, {20, "X"}}));
  }
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace kavo
