// A table that runs out of room reports "Handle Disk Full" (339), whatever
// this platform numbers the condition. Each case fills the room in a child
// process: a file system of 64 KiB mounted for the child alone (where the
// child may mount one), and the limit on the size of the files a process
// may write (always).

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "runtime/errors.h"
#include "store/table.h"
#include "store_test_util.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

constexpr int kRoom = 64 * 1024;
// The child's exit code when it could not make the small room.
constexpr int kNoRoomMade = 77;

bool WriteText(const char* path, const std::string& text) {
  int fd = ::open(path, O_WRONLY);
  if (fd < 0) return false;
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

// Mounts a 64 KiB file system on dir, seen by this process only: in a mount
// namespace of its own, and a user namespace too where that is needed.
bool MountSmallFileSystem(const std::string& dir) {
  if (::unshare(CLONE_NEWNS) != 0) {
    uid_t uid = ::getuid();
    gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    WriteText("/proc/self/setgroups", "deny");
    if (!WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
      return false;
    }
  }
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  std::string size = "size=" + std::to_string(kRoom);
  return ::mount("kavo-full", dir.c_str(), "tmpfs", 0, size.c_str()) == 0;
}

// Lets this process write files of at most 64 KiB; growing one further
// fails instead of raising the signal.
bool LimitFileSize(const std::string&) {
  ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = {kRoom, kRoom};
  return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavo-full-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // In a child process made small by make_room: adds rows to a new table
  // until the store refuses one and returns the last error as "<code>
  // <text>"; empty when the child could not make the room.
  std::string FillTable(const std::function<bool(const std::string&)>& make_room) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(out[0]);
      if (!make_room(dir_.string())) ::_exit(kNoRoomMade);
      ::_exit(AddUntilRefused(out[1]));
    }
    ::close(out[1]);
    std::string result;
    char buf[256];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) result.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoRoomMade) return {};
    return result;
  }

  int AddUntilRefused(int out) {
    const std::string name = (dir_ / "FULL").string();
    if (!Table::Create(name, testing::TestTable()).ok()) return 1;
    Table table;
    if (!table.Open(name, nullptr).ok() || !table.Stream().ok()) return 1;
    Status st;
    for (int32_t id = 1; st.ok() && id < 100000; ++id) {
      table.ClearRecord();
      std::memcpy(table.record() + testing::T::kId, &id, sizeof id);
      st = table.Add();
    }
    if (st.ok()) st = table.Flush();
    std::string error = std::to_string(ERRORCODE()) + " " + ERROR();
    return ::write(out, error.data(), error.size()) > 0 ? 0 : 1;
  }

  fs::path dir_;
};

TEST_F(FullDiskTest, SmallFileSystemRunsFull) {
  std::string error = FillTable(MountSmallFileSystem);
  if (error.empty()) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_EQ(error, "339 Handle Disk Full");
}

TEST_F(FullDiskTest, FileSizeLimitReadsAsAFullDisk) {
  EXPECT_EQ(FillTable(LimitFileSize), "339 Handle Disk Full");
}

}  // namespace
}  // namespace kavo
