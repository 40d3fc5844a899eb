// Several processes on one store file: readers together, a writer's commit
// waiting for readers, the next-number pattern of four writers, held rows,
// and writers killed in the middle of commits.
//
// The files live on a memory file system (/dev/shm) so that flushes cost
// nothing; what is tested here is the locking, not the disk.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "journal_store_util.h"
#include "store/locks.h"
#include "store/posix_file.h"
#include "store/store_transaction.h"
#include "store/table.h"
#include "store/transaction.h"

namespace kavo {
namespace {

using testing::Rows;

// Forks a child that runs body with a file system of its own (so that it
// opens the file anew instead of sharing the parent's open instance and its
// locks) and exits with body's result.
pid_t Child(const std::function<int(FileSystem*)>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    PosixFileSystem fs;
    _exit(body(&fs));
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  if (!WIFEXITED(status)) return -2;
  return WEXITSTATUS(status);
}

struct Pipe {
  Pipe() { EXPECT_EQ(pipe(fd), 0); }
  ~Pipe() {
    close(fd[0]);
    close(fd[1]);
  }
  void Signal() { (void)!write(fd[1], "x", 1); }
  bool Await() {
    char c;
    return read(fd[0], &c, 1) == 1;
  }
  int fd[2];
};

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/dev/shm/kavo_proc_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    name_ = dir_ + "/P";
    ASSERT_TRUE(testing::CreatePeople(name_, &fs_).ok());
  }
  void TearDown() override { (void)std::system(("rm -rf " + dir_).c_str()); }

  PosixFileSystem fs_;
  std::string dir_, name_;
};

TEST_F(ProcessTest, ReadersTogetherAndTheWritersCommitWaitsForThem) {
  {
    Table t;
    ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
    ASSERT_TRUE(testing::AddPerson(&t, 1, "A").ok());
  }
  Pipe inside, go;
  std::string marker = dir_ + "/released";
  // A reader in the middle of an operation: it holds its reader slot.
  pid_t reader = Child([&](FileSystem* fs) {
    std::unique_ptr<File> file;
    if (!fs->Open(name_ + ".VTF", OpenMode::kReadWrite, false, &file).ok()) return 1;
    FileLocks locks(file.get(), 7);
    if (!locks.LockReader()) return 2;
    inside.Signal();
    if (!go.Await()) return 3;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::FILE* f = std::fopen(marker.c_str(), "w");
    if (f == nullptr) return 4;
    std::fclose(f);
    locks.UnlockReader();
    return 0;
  });
  ASSERT_TRUE(inside.Await());
  // A second reader proceeds while the first is inside.
  pid_t second = Child([&](FileSystem* fs) {
    Rows rows;
    if (!testing::ReadPeople(name_, fs, &rows).ok()) return 1;
    return rows.size() == 1 ? 0 : 2;
  });
  EXPECT_EQ(Wait(second), 0);
  // A writer's commit waits until the first reader has left.
  go.Signal();
  pid_t writer = Child([&](FileSystem* fs) {
    Table t;
    if (!testing::OpenPeople(&t, name_, fs).ok()) return 1;
    if (!testing::AddPerson(&t, 2, "B").ok()) return 2;
    struct stat st;
    return stat(marker.c_str(), &st) == 0 ? 0 : 3;
  });
  EXPECT_EQ(Wait(writer), 0);
  EXPECT_EQ(Wait(reader), 0);
}

TEST_F(ProcessTest, AnotherWriterWaitsForTheEndOfAStream) {
  Table streamer;
  ASSERT_TRUE(testing::OpenPeople(&streamer, name_, &fs_).ok());
  ASSERT_TRUE(streamer.Stream().ok());
  for (int n = 1; n <= 200; ++n) ASSERT_TRUE(testing::AddPerson(&streamer, n, "S").ok());
  // The stream's changes are only in memory: a commit of another process
  // now would be overwritten by the stream's own commit.
  Pipe started;
  std::string marker = dir_ + "/flushed";
  pid_t writer = Child([&](FileSystem* fs) {
    Table t;
    if (!testing::OpenPeople(&t, name_, fs).ok()) return 1;
    started.Signal();
    if (!testing::AddPerson(&t, 1000, "W").ok()) return 2;
    struct stat st;
    return stat(marker.c_str(), &st) == 0 ? 0 : 3;
  });
  ASSERT_TRUE(started.Await());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::FILE* f = std::fopen(marker.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  ASSERT_TRUE(streamer.Flush().ok());
  EXPECT_EQ(Wait(writer), 0);
  ASSERT_TRUE(streamer.Close().ok());
  Rows rows;
  ASSERT_TRUE(testing::ReadPeople(name_, &fs_, &rows).ok());
  EXPECT_EQ(rows.size(), 201u);
  EXPECT_EQ(rows.count(1000), 1u);
  std::string report;
  EXPECT_TRUE(testing::ToolCheck(name_ + ".VTF", &report)) << report;
}

// Waits up to five seconds for a child; kills it when it is still running
// (a process that waits for a lock it will never get).
int WaitAtMost(pid_t pid) {
  for (int i = 0; i < 500; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  (void)Wait(pid);
  return -3;
}

// A read batch keeps its reader slot from read to read: another process's
// commit waits for the batch's end, and the batch reads one state of the
// file throughout.
TEST_F(ProcessTest, AWriterWaitsForTheEndOfAReadBatch) {
  // Rows on many pages, so that a reopened table reads its first row from
  // the disk (which takes the slot).
  constexpr int kRows = 2000;
  {
    Table t;
    ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
    ASSERT_TRUE(t.Stream().ok());
    for (int n = 1; n <= kRows; ++n) ASSERT_TRUE(testing::AddPerson(&t, n, "A").ok());
    ASSERT_TRUE(t.Flush().ok());
  }
  Table t;
  ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
  ASSERT_TRUE(t.SetKey(1).ok());
  Pipe started;
  const std::string marker = dir_ + "/batch-ended";
  pid_t writer = -1;
  {
    Table::ReadBatch batch(t);
    ASSERT_TRUE(t.Next().ok());  // from the disk: takes the slot
    ASSERT_EQ(testing::NumberOf(t), 1);
    writer = Child([&](FileSystem* fs) {
      Table w;
      if (!testing::OpenPeople(&w, name_, fs).ok()) return 1;
      started.Signal();
      if (!testing::AddPerson(&w, kRows + 1, "W").ok()) return 2;

      struct stat st;
      return stat(marker.c_str(), &st) == 0 ? 0 : 3;
    });
    ASSERT_TRUE(started.Await());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // The rest of the rows as they were (a read that fails, such as the
    // one past the last row, would let the slot go).
    for (int n = 2; n <= kRows; ++n) ASSERT_TRUE(t.Next().ok());
    EXPECT_EQ(testing::NumberOf(t), kRows);
    std::FILE* f = std::fopen(marker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  EXPECT_EQ(WaitAtMost(writer), 0);
  testing::Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&t, &rows).ok());
  EXPECT_EQ(rows.size(), size_t{kRows} + 1);
}

// Inside a batch the process never waits on its own slot, and a read of
// another file lets the slot go, so that no process can wait for it while
// this one waits for that file.
TEST_F(ProcessTest, AReadBatchLetsItsSlotGoForWritesAndOtherFiles) {
  const std::string other = dir_ + "/Q";
  ASSERT_TRUE(testing::CreatePeople(other, &fs_).ok());
  {
    Table t, q;
    ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
    ASSERT_TRUE(testing::OpenPeople(&q, other, &fs_).ok());
    ASSERT_TRUE(testing::AddPerson(&t, 1, "A").ok());
    ASSERT_TRUE(testing::AddPerson(&q, 1, "Q").ok());
  }
  Table t, q;
  ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
  ASSERT_TRUE(testing::OpenPeople(&q, other, &fs_).ok());
  ASSERT_TRUE(t.SetKey(1).ok());
  Table::ReadBatch batch(t);
  ASSERT_TRUE(t.Next().ok());
  // A write of this process goes on at once.
  ASSERT_TRUE(testing::PutPerson(&t, 1, "B").ok());
  ASSERT_TRUE(t.SetKey(1).ok());
  ASSERT_TRUE(t.Next().ok());
  // A read of the other file lets the slot go: another process commits
  // while the batch is still open.
  ASSERT_TRUE(q.SetKey(1).ok());
  ASSERT_TRUE(q.Next().ok());
  pid_t writer = Child([&](FileSystem* fs) {
    Table w;
    if (!testing::OpenPeople(&w, name_, fs).ok()) return 1;
    return testing::AddPerson(&w, 2, "W").ok() ? 0 : 2;
  });
  EXPECT_EQ(WaitAtMost(writer), 0);
  testing::Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&t, &rows).ok());
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], "B");
}

// Adds count rows numbered by the next-number pattern of the QSO form: read
// the last number by the primary key, add number + 1, retry on error 40.
int AddNumbered(FileSystem* fs, const std::string& name, int count) {
  Table t;
  if (!testing::OpenPeople(&t, name, fs).ok()) return 1;
  for (int added = 0; added < count;) {
    int last = 0;
    if (!testing::LastNumber(&t, &last).ok()) return 2;
    Status st = testing::AddPerson(&t, last + 1, "N");
    if (st.code() == err::kDuplicateKey) continue;
    if (!st.ok()) return 3;
    ++added;
  }
  return 0;
}

TEST_F(ProcessTest, FourWritersNumberWithoutGapsOrRepeats) {
  constexpr int kWriters = 4, kEach = 2000;
  std::vector<pid_t> writers;
  for (int i = 0; i < kWriters; ++i) {
    writers.push_back(Child([&](FileSystem* fs) { return AddNumbered(fs, name_, kEach); }));
  }
  for (pid_t pid : writers) EXPECT_EQ(Wait(pid), 0);
  Rows rows;
  ASSERT_TRUE(testing::ReadPeople(name_, &fs_, &rows).ok());
  ASSERT_EQ(rows.size(), size_t{kWriters * kEach});
  EXPECT_EQ(rows.begin()->first, 1);
  EXPECT_EQ(rows.rbegin()->first, kWriters * kEach);
  std::string report;
  EXPECT_TRUE(testing::ToolCheck(name_ + ".VTF", &report)) << report;
}

TEST_F(ProcessTest, LogoutInTheOtherOrderFailsAtOnceInsteadOfWaiting) {
  const std::string second = dir_ + "/Q";
  ASSERT_TRUE(testing::CreatePeople(second, &fs_).ok());
  Table first_here, second_here;
  ASSERT_TRUE(testing::OpenPeople(&first_here, name_, &fs_).ok());
  ASSERT_TRUE(testing::OpenPeople(&second_here, second, &fs_).ok());
  ASSERT_TRUE(Logout(first_here).ok());
  Pipe holds, tried;
  pid_t other = Child([&](FileSystem* fs) {
    // A hang here would be the deadlock; the alarm turns it into a failure.
    alarm(20);
    Table a, b;
    if (!testing::OpenPeople(&a, name_, fs).ok()) return 1;
    if (!testing::OpenPeople(&b, second, fs).ok()) return 1;
    if (!Logout(b).ok()) return 2;
    holds.Signal();
    int code = Logout(a).code();
    tried.Await();
    (void)RollbackTransaction();
    return code == err::kFileLocked ? 0 : 3;
  });
  ASSERT_TRUE(holds.Await());
  EXPECT_EQ(Logout(second_here).code(), err::kFileLocked);
  tried.Signal();
  EXPECT_EQ(Wait(other), 0);
  ASSERT_TRUE(RollbackTransaction().ok());
  // Once the other let go, the file can be logged out and written.
  ASSERT_TRUE(Logout(second_here).ok());
  ASSERT_TRUE(testing::AddPerson(&second_here, 1, "Q").ok());
  ASSERT_TRUE(CommitTransaction().ok());
}

TEST_F(ProcessTest, HeldRowsAcrossProcesses) {
  {
    Table t;
    ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
    ASSERT_TRUE(testing::AddPerson(&t, 1, "A").ok());
    ASSERT_TRUE(testing::AddPerson(&t, 2, "B").ok());
  }
  Table holder;
  ASSERT_TRUE(testing::OpenPeople(&holder, name_, &fs_).ok());
  ASSERT_TRUE(holder.Hold(0).ok());
  std::memcpy(holder.record(), "\x01\0\0\0", 4);
  ASSERT_TRUE(holder.Get(0).ok());

  // Another process that wants to hold the row gives up after its seconds.
  pid_t waiter = Child([&](FileSystem* fs) {
    Table t;
    if (!testing::OpenPeople(&t, name_, fs).ok()) return 100;
    if (!t.Hold(1).ok()) return 101;
    std::memcpy(t.record(), "\x01\0\0\0", 4);
    return t.Get(0).code();
  });
  EXPECT_EQ(Wait(waiter), err::kRecordHeld);

  // One that rewrites the held row without holding it is refused; another
  // row is free.
  pid_t writer = Child([&](FileSystem* fs) {
    Table t;
    if (!testing::OpenPeople(&t, name_, fs).ok()) return 100;
    int held = testing::PutPerson(&t, 1, "X").code();
    int free = testing::PutPerson(&t, 2, "Y").code();
    return held == err::kAccessDenied && free == 0 ? 0 : 100 + held;
  });
  EXPECT_EQ(Wait(writer), 0);
  ASSERT_TRUE(holder.Release().ok());

  // A row read by one process and changed by another before the first
  // writes it back: error 89, and nothing is written.
  Pipe read_done, changed;
  pid_t late = Child([&](FileSystem* fs) {
    Table t;
    if (!testing::OpenPeople(&t, name_, fs).ok()) return 100;
    std::memcpy(t.record(), "\x02\0\0\0", 4);
    if (!t.Get(0).ok()) return 101;
    read_done.Signal();
    if (!changed.Await()) return 102;
    std::memcpy(t.record() + 4, "LATE", 4);
    return t.Put().code();
  });
  ASSERT_TRUE(read_done.Await());
  ASSERT_TRUE(testing::PutPerson(&holder, 2, "FIRST").ok());
  changed.Signal();
  EXPECT_EQ(Wait(late), err::kRecordChanged);
  Rows rows;
  ASSERT_TRUE(testing::ReadOpen(&holder, &rows).ok());
  EXPECT_EQ(rows, (Rows{{1, "A"}, {2, "FIRST"}}));
}

TEST_F(ProcessTest, WaitingHoldLetsTheHolderCommit) {
  {
    Table t;
    ASSERT_TRUE(testing::OpenPeople(&t, name_, &fs_).ok());
    ASSERT_TRUE(testing::AddPerson(&t, 1, "A").ok());
  }
  Table holder;
  ASSERT_TRUE(testing::OpenPeople(&holder, name_, &fs_).ok());
  ASSERT_TRUE(holder.Hold(0).ok());
  std::memcpy(holder.record(), "\x01\0\0\0", 4);
  ASSERT_TRUE(holder.Get(0).ok());

  // Another process waits to hold the row while the holder writes it back
  // and lets it go: the waiter must not keep the holder's commit waiting.
  Pipe waiting;
  pid_t waiter = Child([&](FileSystem* fs) {
    Table t;
    if (!testing::OpenPeople(&t, name_, fs).ok()) return 100;
    if (!t.Hold(10).ok()) return 101;
    std::memcpy(t.record(), "\x01\0\0\0", 4);
    waiting.Signal();
    Status st = t.Get(0);
    if (!st.ok()) return st.code();
    return std::memcmp(t.record() + 4, "PUT", 3) == 0 ? 0 : 102;
  });
  ASSERT_TRUE(waiting.Await());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::memcpy(holder.record() + 4, "PUT", 3);
  ASSERT_TRUE(holder.Put().ok());
  ASSERT_TRUE(holder.Release().ok());
  EXPECT_EQ(Wait(waiter), 0);
}

// Opens the table in a child process with mode and share, adds a row there
// when it opened, and returns the open's error code.
int OpenInChild(const std::string& name, OpenMode mode, ShareMode share, int add) {
  return Wait(Child([&](FileSystem* fs) {
    Table t;
    OpenOptions options;
    options.fs = fs;
    options.mode = mode;
    options.share = share;
    Status st = t.Open(name, &testing::PeopleDef(), options);
    if (!st.ok()) return st.code();
    if (add != 0 && !testing::AddPerson(&t, add, "CHILD").ok()) return 100;
    return 0;
  }));
}

TEST_F(ProcessTest, ShareModesHoldBetweenProcesses) {
  auto open_here = [&](Table* t, OpenMode mode, ShareMode share) {
    OpenOptions options;
    options.fs = &fs_;
    options.mode = mode;
    options.share = share;
    return t->Open(name_, &testing::PeopleDef(), options);
  };
  {
    // Deny all: nobody else opens, to read or to write.
    Table t;
    ASSERT_TRUE(open_here(&t, OpenMode::kReadWrite, ShareMode::kDenyAll).ok());
    ASSERT_TRUE(testing::AddPerson(&t, 1, "OWNER").ok());
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadWrite, ShareMode::kDenyNone, 2),
              err::kAccessDenied);
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadOnly, ShareMode::kDenyNone, 0), err::kAccessDenied);
    ASSERT_TRUE(testing::AddPerson(&t, 3, "OWNER").ok());
  }
  {
    // Deny write: others may read, not write.
    Table t;
    ASSERT_TRUE(open_here(&t, OpenMode::kReadWrite, ShareMode::kDenyWrite).ok());
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadOnly, ShareMode::kDenyNone, 0), 0);
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadWrite, ShareMode::kDenyNone, 4),
              err::kAccessDenied);
    ASSERT_TRUE(testing::AddPerson(&t, 5, "OWNER").ok());
  }
  {
    // Shared for writing: nobody may open denying what it does.
    Table t;
    ASSERT_TRUE(open_here(&t, OpenMode::kReadWrite, ShareMode::kDenyNone).ok());
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadWrite, ShareMode::kDenyAll, 6), err::kAccessDenied);
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadWrite, ShareMode::kDenyWrite, 6),
              err::kAccessDenied);
    EXPECT_EQ(OpenInChild(name_, OpenMode::kReadWrite, ShareMode::kCompatibility, 7), 0);
    ASSERT_TRUE(testing::AddPerson(&t, 8, "OWNER").ok());
  }
  // Once every open has closed, a deny-all open succeeds again; no row was
  // lost on the way.
  EXPECT_EQ(OpenInChild(name_, OpenMode::kReadWrite, ShareMode::kDenyAll, 9), 0);
  Rows rows;
  ASSERT_TRUE(testing::ReadPeople(name_, &fs_, &rows).ok());
  EXPECT_EQ(
      rows,
      (Rows{{1, "OWNER"}, {3, "OWNER"}, {5, "OWNER"}, {7, "CHILD"}, {8, "OWNER"}, {9, "CHILD"}}));
  std::string report;
  EXPECT_TRUE(testing::ToolCheck(name_ + ".VTF", &report)) << report;
}

TEST_F(ProcessTest, WriterKilledInCommitsNeverLeavesAnUnsoundFile) {
  std::mt19937 random(7);
  int last = 0;
  int pending = 0;
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Pipe started;
    pid_t writer = Child([&](FileSystem* fs) {
      Table t;
      if (!testing::OpenPeople(&t, name_, fs).ok()) return 1;
      int n = 0;
      if (!testing::LastNumber(&t, &n).ok()) return 2;
      started.Signal();
      for (;;) {
        ++n;
        if (!testing::AddPerson(&t, n, std::string(1 + n % 19, 'W')).ok()) return 3;
        if (n % 5 == 0 && !testing::DeletePerson(&t, n - 2).ok()) return 4;
      }
    });
    ASSERT_TRUE(started.Await());
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(writer, SIGKILL);
    EXPECT_EQ(Wait(writer), -2);

    std::string head(512, '\0');
    if (std::FILE* f = std::fopen((name_ + ".VTF").c_str(), "rb")) {
      head.resize(std::fread(head.data(), 1, head.size(), f));
      std::fclose(f);
    }
    if (testing::JournalPending(head)) ++pending;
    // The check (a read-only open) comes first: it meets the journal as the
    // kill left it.
    std::string report;
    ASSERT_TRUE(testing::ToolCheck(name_ + ".VTF", &report)) << report;
    Rows rows;
    ASSERT_TRUE(testing::ReadPeople(name_, &fs_, &rows).ok());
    // Every add before the kill is there; the one in flight may be. Rows
    // 3, 8, 13, ... are deleted again (unless the kill came just before).
    int top = rows.empty() ? 0 : rows.rbegin()->first;
    EXPECT_GE(top, last);
    for (int n = 1; n <= top; ++n) {
      if (n % 5 != 3) {
        EXPECT_EQ(rows.count(n), 1u) << n;
      }
    }
    last = top;
  }
  RecordProperty("pending_journals_found", pending);
}

TEST_F(ProcessTest, TwoProcessesCommittingTwoFileTransactions) {
  std::string other = dir_ + "/Q";
  ASSERT_TRUE(testing::CreatePeople(other, &fs_).ok());
  std::string control = dir_ + "/ctl.tcf";
  constexpr int kEach = 40;
  std::vector<pid_t> writers;
  for (int w = 0; w < 2; ++w) {
    writers.push_back(Child([&, w](FileSystem* fs) {
      SetControlFileName(control);
      Table a, b;
      if (!testing::OpenPeople(&a, name_, fs).ok()) return 1;
      if (!testing::OpenPeople(&b, other, fs).ok()) return 2;
      for (int k = 1; k <= kEach; ++k) {
        int n = w * 1000 + k;
        // Begun without waiting: when the other writer has either file,
        // let go of both and try again.
        while (!Logout(a).ok() || !Logout(b).ok()) {
          if (ERRORCODE() != err::kFileLocked) return 3;
          (void)RollbackTransaction();
          std::this_thread::sleep_for(std::chrono::milliseconds(1 + w));
        }
        if (!testing::AddPerson(&a, n, "T").ok()) return 4;
        if (!testing::AddPerson(&b, n, "T").ok()) return 5;
        if (!CommitTransaction().ok()) return 6;
      }
      return 0;
    }));
  }
  for (pid_t pid : writers) EXPECT_EQ(Wait(pid), 0);
  Rows a, b;
  ASSERT_TRUE(testing::ReadPeople(name_, &fs_, &a).ok());
  ASSERT_TRUE(testing::ReadPeople(other, &fs_, &b).ok());
  EXPECT_EQ(a.size(), size_t{2 * kEach});
  EXPECT_EQ(a, b);
  EXPECT_EQ(testing::ControlRecords(&fs_, control), 0u);
}

TEST_F(ProcessTest, ToolLoadsInOneTransactionOrNotAtAll) {
  std::string tsv = dir_ + "/rows.tsv", bad = dir_ + "/bad.tsv", out;
  {
    std::FILE* f = std::fopen(tsv.c_str(), "w");
    std::fputs("PEO:N\tPEO:NAME\n", f);
    for (int n = 1; n <= 500; ++n) std::fprintf(f, "%d\tNAME%d\n", n, n);
    std::fclose(f);
    f = std::fopen(bad.c_str(), "w");
    std::fputs("PEO:N\tPEO:NAME\n501\tNEW\n7\tTWICE\n502\tNEW\n", f);
    std::fclose(f);
  }
  ASSERT_EQ(testing::RunTool("load --transaction " + name_, tsv, &out), 0) << out;
  // A duplicate in the middle: nothing of this load stays.
  EXPECT_EQ(testing::RunTool("load --transaction " + name_, bad, &out), 1) << out;
  Rows rows;
  ASSERT_TRUE(testing::ReadPeople(name_, &fs_, &rows).ok());
  EXPECT_EQ(rows.size(), 500u);
  EXPECT_EQ(rows.count(501), 0u);
  EXPECT_TRUE(testing::ToolCheck(name_ + ".VTF", &out)) << out;
}

}  // namespace
}  // namespace kavo
