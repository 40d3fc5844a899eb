#include "runtime/errors.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace kavo {
namespace {

TEST(ErrorText, FixedTextsAndFallback) {
  EXPECT_EQ(ErrorText(46), "Key File Must Be Rebuilt");
  EXPECT_EQ(ErrorText(89), "Record Changed By Another Station");
  EXPECT_EQ(ErrorText(78), "Invalid Number Of Parameters ");
  EXPECT_EQ(ErrorText(350), "Not Supported ");
  EXPECT_EQ(ErrorText(507), "Internal error 07");
  EXPECT_EQ(ErrorText(802), "Mismatched PUSHSCOPE/POPSCOPE");
  EXPECT_EQ(ErrorText(6), "Unknown Error Posted : 6");
  EXPECT_EQ(ErrorText(-1), "Unknown Error Posted : -1");
  EXPECT_EQ(ErrorText(0), "Unknown Error Posted");
}

TEST(LastError, PostAndClear) {
  PostError(40);
  EXPECT_EQ(ERRORCODE(), 40);
  EXPECT_EQ(ERROR(), "Creates Duplicate Key");
  ClearError();
  EXPECT_EQ(ERRORCODE(), 0);
  EXPECT_EQ(ERROR(), "");
}

TEST(LastError, ZeroPostsOperatingSystemError) {
  errno = 2;
  PostError(0);
  EXPECT_EQ(ERRORCODE(), 302);
  EXPECT_EQ(ERROR(), "File Not Found");
  errno = ENOSPC;
  PostError(0);
  EXPECT_EQ(ERRORCODE(), 339);
  EXPECT_EQ(ERROR(), "Handle Disk Full");
  errno = 200;
  PostError(0);
  EXPECT_EQ(ERRORCODE(), 391);
  EXPECT_EQ(ERROR(), "Unknown Error");
}

// This platform's error numbers land on the codes whose texts say the same.
TEST(LastError, NativeErrorsCarryTheirMeaning) {
  const struct {
    int errno_value;
    OsAccess access;
    const char* text;
  } cases[] = {
      {ENOSPC, OsAccess::kWrite, "Handle Disk Full"},
      {EACCES, OsAccess::kRead, "Access Denied"},
      {EPERM, OsAccess::kWrite, "Access Denied"},
      {EROFS, OsAccess::kWrite, "Write Protect"},
      {EIO, OsAccess::kWrite, "Write Fault"},
      {EIO, OsAccess::kRead, "Read Fault"},
      {EMFILE, OsAccess::kRead, "Too Many Open Files"},
      {ENOMEM, OsAccess::kRead, "Insufficient Memory"},
      {EEXIST, OsAccess::kWrite, "File Already Exists"},
      {EINVAL, OsAccess::kRead, "Invalid Parameter"},
      {ENOENT, OsAccess::kRead, "File Not Found"},
      {ENOTDIR, OsAccess::kRead, "Path Not Found"},
      {ENOTSOCK, OsAccess::kRead, "Unknown Error"},
  };
  for (const auto& c : cases) {
    int code = OsErrorCode(c.errno_value, c.access);
    EXPECT_GT(code, 300) << c.errno_value;
    EXPECT_LT(code, 392) << c.errno_value;
    EXPECT_EQ(ErrorText(code), c.text) << c.errno_value;
  }
}

TEST(LastError, FileSystemErrorTexts) {
  PostFileSystemError("", "check 12");
  EXPECT_EQ(ERRORCODE(), 90);
  EXPECT_EQ(ERROR(), "File System Error : check 12");
  PostFileSystemError("   Page 7 does not decode", "ignored");
  EXPECT_EQ(ERROR(), "Page 7 does not decode");
  PostFileSystemError(std::string(200, 'x'));
  EXPECT_EQ(ERROR().size(), 79u);
}

}  // namespace
}  // namespace kavo
