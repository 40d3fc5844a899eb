// Byte-range locks between instances of one process and between processes.
#include "store/locks.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "store/posix_file.h"

namespace kavo {
namespace {

class LocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/kavo_locks_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/L.VTF";
  }
  void TearDown() override {
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
  }
  std::unique_ptr<File> OpenFile() {
    std::unique_ptr<File> file;
    EXPECT_TRUE(fs_.Open(path_, OpenMode::kReadWrite, true, &file).ok());
    return file;
  }

  PosixFileSystem fs_;
  std::string dir_, path_;
};

TEST_F(LocksTest, InstancesOfOneProcessExcludeEachOther) {
  auto fa = OpenFile(), fb = OpenFile();
  FileLocks a(fa.get(), 1022), b(fb.get(), 1022);

  // Same start slot: the second reader moves on, wrapping to slot 0.
  ASSERT_TRUE(a.LockReader());
  ASSERT_TRUE(b.LockReader());
  EXPECT_EQ(a.slot(), 1022);
  EXPECT_EQ(b.slot(), 0);

  // Readers do not block the writer byte; the writer byte excludes writers.
  ASSERT_TRUE(a.LockWriter());
  EXPECT_EQ(b.TryLockWriter(), LockResult::kBusy);
  EXPECT_TRUE(b.WriterBusyElsewhere());
  EXPECT_FALSE(a.WriterBusyElsewhere());
  a.UnlockWriter();
  EXPECT_FALSE(b.WriterBusyElsewhere());

  // Hold bytes: tried once, granted again to their holder.
  EXPECT_EQ(a.TryNumberByte(7), LockResult::kGranted);
  EXPECT_EQ(a.TryNumberByte(7), LockResult::kGranted);
  EXPECT_EQ(b.TryNumberByte(7), LockResult::kBusy);
  EXPECT_EQ(b.TryNumberByte(8), LockResult::kGranted);
  a.UnlockNumberByte(7);
  EXPECT_EQ(b.TryNumberByte(7), LockResult::kGranted);

  // Taking and dropping all slots keeps the own reader slot.
  b.UnlockReader();
  ASSERT_TRUE(a.LockAllSlots());
  a.UnlockAllSlots();
  EXPECT_EQ(fb->Lock(kLockBase + 1022, 1, true, false).code(), err::kFileLocked);
  EXPECT_TRUE(fb->Lock(kLockBase + 5, 1, true, false).ok());
}

// Forks a child that runs body and exits with its result.
template <typename Body>
pid_t Child(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body() ? 0 : 1);
  return pid;
}

bool ExitedCleanly(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(LocksTest, AllSlotsWaitForAReaderInAnotherProcess) {
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t child = Child([&] {
    auto file = OpenFile();
    FileLocks locks(file.get(), 100);
    if (!locks.LockReader()) return false;
    char c = 'r';
    if (write(ready[1], &c, 1) != 1) return false;
    if (read(go[0], &c, 1) != 1) return false;
    usleep(100000);
    // Written while the slot is still held: the parent must see it.
    if (file->Write(0, "done", 4).code() != 0) return false;
    locks.UnlockReader();
    return true;
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  auto file = OpenFile();
  FileLocks locks(file.get(), 100);
  // A second reader proceeds at once.
  ASSERT_TRUE(locks.LockReader());
  EXPECT_NE(locks.slot(), 100);
  locks.UnlockReader();
  ASSERT_EQ(write(go[1], "g", 1), 1);
  ASSERT_TRUE(locks.LockAllSlots());
  std::string seen(4, '\0');
  size_t got = 0;
  ASSERT_TRUE(file->Read(0, seen.data(), 4, &got).ok());
  EXPECT_EQ(seen, "done");
  locks.UnlockAllSlots();
  EXPECT_TRUE(ExitedCleanly(child));
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
}

TEST_F(LocksTest, KernelDropsTheLocksOfAKilledProcess) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = Child([&] {
    auto file = OpenFile();
    FileLocks locks(file.get(), 0);
    if (locks.TryNumberByte(42) != LockResult::kGranted || !locks.LockWriter()) return false;
    char c = 'h';
    if (write(ready[1], &c, 1) != 1) return false;
    pause();
    return true;
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  auto file = OpenFile();
  FileLocks locks(file.get(), 0);
  EXPECT_EQ(locks.TryNumberByte(42), LockResult::kBusy);
  EXPECT_TRUE(locks.WriterBusyElsewhere());
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(locks.TryNumberByte(42), LockResult::kGranted);
  EXPECT_TRUE(locks.LockWriter());
  close(ready[0]);
  close(ready[1]);
}

TEST(StartSlot, WithinTheSlotRange) {
  int s = StartSlot();
  EXPECT_GE(s, 0);
  EXPECT_LT(s, kReaderSlots);
}

}  // namespace
}  // namespace kavo
