// The store's commits through the journal: a workload of adds, puts,
// deletes and a rename cascade across two files in one transaction, stopped
// at every write and flush in turn; transactions, rollback and the control
// file.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "journal_store_util.h"
#include "store/mem_file.h"
#include "store/posix_file.h"
#include "store/store_file.h"
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
void CreateAEmptyBWithThreeRows(MemFileSystem* mem) {
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
    ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
    FaultFileSystem fs(&mem);
    ASSERT_EQ(RunWorkload(&fs), static_cast<int>(model.size()) - 1);
    calls = fs.calls();
  }
  ASSERT_GT(calls, 20);
  for (int64_t at = 0; at < calls; ++at) {
    SCOPED_TRACE("crash at call " + std::to_string(at) + " of " + std::to_string(calls));
    MemFileSystem mem;
    ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
    FaultFileSystem fs(&mem);
    fs.Flushed("A.VTF");
    fs.Flushed("B.VTF");
    fs.Arm(at, crash, tear);
    // Every call of a commit up to its last flush counts: a stop at any of
    // them fails the step under way.
    int done = RunWorkload(&fs);
    ASSERT_LT(done, static_cast<int>(model.size()) - 1);

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
  ASSERT_NO_FATAL_FAILURE(CrashSweep(FaultFileSystem::Crash::kProcess, 0));
}

TEST(JournalStoreCrash, EveryWriteTornOnASector) {
  ASSERT_NO_FATAL_FAILURE(CrashSweep(FaultFileSystem::Crash::kProcess, 700));
}

TEST(JournalStoreCrash, PowerLossAtEveryCall) {
  ASSERT_NO_FATAL_FAILURE(CrashSweep(FaultFileSystem::Crash::kPowerLoss, 0));
}

TEST(JournalStoreCrash, PowerLossWithWritesLandedOutOfOrder) {
  ASSERT_NO_FATAL_FAILURE(CrashSweep(FaultFileSystem::Crash::kPowerLossHeaderLost, 0));
  ASSERT_NO_FATAL_FAILURE(CrashSweep(FaultFileSystem::Crash::kPowerLossHeaderOnly, 0));
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
    ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
    FaultFileSystem fs(&mem);
    Table b;
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
    int64_t before = fs.calls();
    ASSERT_TRUE(testing::AddPerson(&b, 20, "NEW").ok());
    calls = fs.calls() - before;
    std::string kinds = fs.kinds().substr(static_cast<size_t>(before));
    // The flush after the pending header, the first write to the header.
    journal_counts = static_cast<int64_t>(kinds.find('f', kinds.find('h')));
    // The journal of one add is small: the header that closes it is the last
    // call, left to the next commit's flushes.
    EXPECT_EQ(kinds.back(), 'h');
  }
  for (int64_t at = 0; at < calls; ++at) {
    SCOPED_TRACE("failed call " + std::to_string(at));
    MemFileSystem mem;
    ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
    FaultFileSystem fs(&mem);
    Table b;
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
    fs.FailOnce(fs.calls() + at);
    Status st = testing::AddPerson(&b, 20, "NEW");
    Rows rows;
    ASSERT_TRUE(testing::ReadOpen(&b, &rows).ok());
    EXPECT_FALSE(st.ok());
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
  ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
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

TEST(JournalStore, TransactionCountsEachFlushOnce) {
  // A file's commit in a transaction flushes as often as the same commit
  // alone; its count must not take the flushes of the prepared half twice.
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
  Table a, b;
  ASSERT_TRUE(testing::OpenPeople(&a, "A", &mem).ok());
  ASSERT_TRUE(testing::OpenPeople(&b, "B", &mem).ok());
  ASSERT_TRUE(testing::AddPerson(&a, 1, "ONE").ok());
  int before = b.store()->flushes();
  ASSERT_TRUE(testing::PutPerson(&b, 11, "ELEVEN").ok());
  const int alone = b.store()->flushes() - before;
  EXPECT_GT(alone, 0);

  const int a_before = a.store()->flushes();
  before = b.store()->flushes();
  ASSERT_TRUE(Logout(a).ok());
  ASSERT_TRUE(Logout(b).ok());
  ASSERT_TRUE(testing::PutPerson(&a, 1, "UNO").ok());
  ASSERT_TRUE(testing::PutPerson(&b, 10, "TEN").ok());
  ASSERT_TRUE(CommitTransaction().ok());
  EXPECT_EQ(a.store()->flushes() - a_before, alone);
  EXPECT_EQ(b.store()->flushes() - before, alone);
  ASSERT_TRUE(a.Close().ok());
  ASSERT_TRUE(b.Close().ok());
}

TEST(JournalStore, CommitLeavesNoJournalAndRewritesKeepTheFileSize) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
  const std::string& bytes = mem.Bytes("B.VTF");
  uint32_t committed = 0, journal = 0;
  std::memcpy(&committed, bytes.data() + 6, 4);
  std::memcpy(&journal, bytes.data() + 10, 4);
  EXPECT_EQ(committed, journal);
  // The ends name where the last journal began, after the data; its bytes
  // stay there.
  EXPECT_GT(committed, RegionEndOfFile(bytes.substr(0, 512)));
  EXPECT_GT(bytes.size(), committed);

  // Rewrites of one row in place, three flushes each: their journals take
  // turns between two places, and once both are used the file keeps its
  // size.
  Table b;
  ASSERT_TRUE(testing::OpenPeople(&b, "B", &mem).ok());
  const char* names[] = {"BROWN", "JONES", "BROWN", "JONES"};
  size_t size = 0;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    int flushes = b.store()->flushes();
    ASSERT_TRUE(testing::PutPerson(&b, 11, names[i]).ok());
    EXPECT_EQ(b.store()->flushes() - flushes, 3);
    if (i == 1) size = bytes.size();
  }
  EXPECT_EQ(bytes.size(), size);
  ASSERT_TRUE(b.Close().ok());
  Rows rows;
  ASSERT_TRUE(testing::ReadPeople("B", &mem, &rows).ok());
  EXPECT_EQ(rows, (Rows{{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}}));
}

TEST(JournalStore, RollbackOfTwoFilesLeavesBothAsBefore) {
  MemFileSystem mem;
  ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
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
  ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
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
    ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
    FaultFileSystem fs(&mem);
    fs.Arm(at);
    ASSERT_NO_FATAL_FAILURE(TwoFileTransaction(&fs));
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
    ASSERT_NO_FATAL_FAILURE(CreateAEmptyBWithThreeRows(&mem));
    FaultFileSystem fs(&mem);
    fs.Arm(at);
    ASSERT_NO_FATAL_FAILURE(TwoFileTransaction(&fs));
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

// The disk, until a write to a transaction-control file finds every data
// file showing a pending journal: from then on every write and flush fails,
// as if the process had stopped after preparing the files and before letting
// the transaction go.
class StopBeforeRelease final : public FileSystem {
 public:
  explicit StopBeforeRelease(std::vector<std::string> data_files)
      : data_files_(std::move(data_files)) {}

  bool stopped() const { return stopped_; }
  bool MayWrite(const std::string& path) {
    if (stopped_) return false;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".tcf") != 0) return true;
    for (const std::string& file : data_files_) {
      std::ifstream in(file, std::ios::binary);
      std::string head(14, '\0');
      in.read(head.data(), 14);
      if (!testing::JournalPending(head)) return true;
    }
    stopped_ = true;
    return false;
  }

  Status Open(const std::string& path, OpenMode mode, bool create,
              std::unique_ptr<File>* file) override {
    std::unique_ptr<File> base;
    KAVO_RETURN_IF_ERROR(disk_.Open(path, mode, create, &base));
    *file = std::make_unique<StoppingFile>(this, path, std::move(base));
    return Status::OK();
  }
  bool Exists(const std::string& path) override { return disk_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return disk_.IsDirectory(path); }
  Status Remove(const std::string& path) override { return disk_.Remove(path); }
  Status Rename(const std::string& from, const std::string& to) override {
    return disk_.Rename(from, to);
  }
  std::string Canonical(const std::string& path) override { return disk_.Canonical(path); }

 private:
  class StoppingFile final : public File {
   public:
    StoppingFile(StopBeforeRelease* fs, std::string path, std::unique_ptr<File> base)
        : fs_(fs), path_(std::move(path)), base_(std::move(base)) {}
    Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override {
      return base_->Read(offset, buf, n, got);
    }
    Status Write(uint64_t offset, const void* buf, size_t n) override {
      return fs_->MayWrite(path_) ? base_->Write(offset, buf, n) : Status::Os(EIO);
    }
    Status Flush() override { return fs_->MayWrite(path_) ? base_->Flush() : Status::Os(EIO); }
    Status Size(uint64_t* size) override { return base_->Size(size); }
    Status Truncate(uint64_t size) override {
      return fs_->MayWrite(path_) ? base_->Truncate(size) : Status::Os(EIO);
    }
    Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) override {
      return base_->Lock(offset, length, exclusive, wait);
    }
    Status Unlock(uint64_t offset, uint64_t length) override {
      return base_->Unlock(offset, length);
    }

   private:
    StopBeforeRelease* fs_;
    std::string path_;
    std::unique_ptr<File> base_;
  };

  PosixFileSystem disk_;
  std::vector<std::string> data_files_;
  bool stopped_ = false;
};

// Runs in the data directory, as the program does, and comes back.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST(JournalStoreDisk, EveryProcessFindsTheControlFileWhateverItsWorkingDirectory) {
  char made[] = "/tmp/kavo_tcf_XXXXXX";
  ASSERT_NE(mkdtemp(made), nullptr);
  const std::string dir = std::filesystem::canonical(made).string();
  const std::string elsewhere = dir + "/elsewhere";
  std::filesystem::create_directory(elsewhere);
  const std::string previous = SetControlFileName("vantor.tcf");
  const Rows b_before = {{10, "SMITH"}, {11, "JONES"}, {12, "SMITH"}};
  {
    // The program, in its data directory, stops between preparing both
    // files and letting the transaction go.
    WorkingDirectory in_data(dir);
    ASSERT_TRUE(testing::CreatePeople("A", DefaultFileSystem()).ok());
    ASSERT_TRUE(testing::CreatePeople("B", DefaultFileSystem()).ok());
    StopBeforeRelease fs({dir + "/A.VTF", dir + "/B.VTF"});
    Table a, b;
    ASSERT_TRUE(testing::OpenPeople(&a, "A", &fs).ok());
    ASSERT_TRUE(testing::OpenPeople(&b, "B", &fs).ok());
    for (const auto& [n, name] : b_before) ASSERT_TRUE(testing::AddPerson(&b, n, name).ok());
    ASSERT_TRUE(Logout(a).ok());
    ASSERT_TRUE(Logout(b).ok());
    ASSERT_TRUE(testing::AddPerson(&a, 1, "X").ok());
    ASSERT_TRUE(testing::PutPerson(&b, 10, "X").ok());
    EXPECT_FALSE(CommitTransaction().ok());
    ASSERT_TRUE(fs.stopped());
  }
  EXPECT_TRUE(std::filesystem::exists(dir + "/vantor.tcf"));
  {
    // A process started elsewhere (kavo-tool) finds the transaction listed
    // and discards both journals.
    WorkingDirectory in_other(elsewhere);
    Rows rows;
    ASSERT_TRUE(testing::ReadPeople(dir + "/A", DefaultFileSystem(), &rows).ok());
    EXPECT_EQ(rows, Rows{});
    ASSERT_TRUE(testing::ReadPeople(dir + "/B", DefaultFileSystem(), &rows).ok());
    EXPECT_EQ(rows, b_before);

    // Its own transaction keeps the control file beside the data files and
    // names it in full in the links.
    Table a, b;
    ASSERT_TRUE(testing::OpenPeople(&a, dir + "/A", DefaultFileSystem()).ok());
    ASSERT_TRUE(testing::OpenPeople(&b, dir + "/B", DefaultFileSystem()).ok());
    ASSERT_TRUE(Logout(a).ok());
    ASSERT_TRUE(Logout(b).ok());
    ASSERT_TRUE(testing::AddPerson(&a, 2, "Y").ok());
    ASSERT_TRUE(testing::AddPerson(&b, 20, "Y").ok());
    ASSERT_TRUE(CommitTransaction().ok());
  }
  EXPECT_FALSE(std::filesystem::exists(elsewhere + "/vantor.tcf"));
  std::string link;
  ASSERT_TRUE(testing::LinkOf(DefaultFileSystem(), dir + "/A.VTF", &link));
  EXPECT_EQ(link.substr(4), dir + "/vantor.tcf" + '\0');
  SetControlFileName(previous);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavo
