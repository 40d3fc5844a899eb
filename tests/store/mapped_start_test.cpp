// Comparing a file's first bytes through a shared mapping: it sees every
// write at once, and a file cut short under it answers "not equal" instead
// of killing the process; a fault outside the comparison still does.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "store/mapped_start.h"

namespace kavo {
namespace {

class MappedStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/kavo-mapped-XXXXXX";
    fd_ = ::mkstemp(name);
    ASSERT_GE(fd_, 0);
    path_ = name;
    header_.assign(512, 'h');
    ASSERT_EQ(::pwrite(fd_, header_.data(), header_.size(), 0), 512);
  }
  void TearDown() override {
    ::close(fd_);
    ::unlink(path_.c_str());
  }

  int fd_ = -1;
  std::string path_;
  std::string header_;
};

TEST_F(MappedStartTest, SeesWritesOfOtherDescriptorsAtOnce) {
  MappedStart start;
  ASSERT_TRUE(start.Map(fd_, 512));
  EXPECT_TRUE(start.Equals(header_.data(), header_.size()));
  int other = ::open(path_.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::pwrite(other, "X", 1, 300), 1);
  EXPECT_FALSE(start.Equals(header_.data(), header_.size()));
  header_[300] = 'X';
  EXPECT_TRUE(start.Equals(header_.data(), header_.size()));
  ::close(other);
}

TEST_F(MappedStartTest, FileCutShortUnderTheMappingIsNotEqual) {
  MappedStart start;
  ASSERT_TRUE(start.Map(fd_, 512));
  ASSERT_EQ(::truncate(path_.c_str(), 100), 0);
  EXPECT_FALSE(start.Equals(header_.data(), header_.size()));
  // Nothing left of the page: the access faults, and the guard catches it,
  // as often as it happens.
  ASSERT_EQ(::truncate(path_.c_str(), 0), 0);
  EXPECT_FALSE(start.Equals(header_.data(), header_.size()));
  EXPECT_FALSE(start.Equals(header_.data(), header_.size()));
  ASSERT_EQ(::pwrite(fd_, header_.data(), header_.size(), 0), 512);
  EXPECT_TRUE(start.Equals(header_.data(), header_.size()));
}

TEST_F(MappedStartTest, ShortFileIsNotMapped) {
  ASSERT_EQ(::ftruncate(fd_, 200), 0);
  MappedStart start;
  EXPECT_FALSE(start.Map(fd_, 512));
  EXPECT_FALSE(start.Equals(header_.data(), header_.size()));
}

TEST_F(MappedStartTest, FaultOutsideTheComparisonStillEndsTheProcess) {
  MappedStart start;
  ASSERT_TRUE(start.Map(fd_, 512));
  EXPECT_EXIT(
      {
        void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd_, 0);
        if (::ftruncate(fd_, 0) != 0) std::_Exit(3);
        volatile const char* bytes = static_cast<const char*>(page);
        std::_Exit(bytes[0] == 0 ? 4 : 5);
      },
      [](int status) {
        // Killed by the signal, or reported by a sanitizer's own handler,
        // which was there before ours.
        return (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) ||
               (WIFEXITED(status) && WEXITSTATUS(status) == 1);
      },
      "");
}

}  // namespace
}  // namespace kavo
