#include "app/private_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavo {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kavo_profile_XXXXXX";
    dir_ = mkdtemp(pattern);
    file_ = (dir_ / "kavo.INI").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::string file_;
};

TEST(ProfileTextTest, LooksUpWithoutCaseAndBlanks) {
  const std::string text =
      "; settings\r\n"
      "Orphan=1\r\n"
      "[ main ]\r\n"
      "  xposit =  120  \r\n"
      "[Other]\r\n"
      "XPosit=7\r\n";
  EXPECT_EQ(FindProfileEntry(text, "Main", "XPosit"), "120");
  EXPECT_EQ(FindProfileEntry(text, "MAIN", "xPOSIT"), "120");
  EXPECT_EQ(FindProfileEntry(text, "Other", "XPosit"), "7");
  // An entry before any section belongs to none.
  EXPECT_EQ(FindProfileEntry(text, "", "Orphan"), std::nullopt);
  EXPECT_EQ(FindProfileEntry(text, "Main", "YPosit"), std::nullopt);
  EXPECT_EQ(FindProfileEntry(text, "Missing", "XPosit"), std::nullopt);
}

TEST(ProfileTextTest, GarbageNeverMatchesAndNeverBreaksLookup) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131) & 0xFF));
  const std::string texts[] = {
      "",
      "[",
      "[[[]]]\n===\n[Main\nXPosit=5",
      "[Main]XPosit=5",  // the entry sits on the header line
      std::string("[Main]\nXPosit=\0\xff"
                  "5\n",
                  14),
      binary,
      "[Main]\n" + std::string(200000, 'x') + "=1\nXPosit=9\n",
  };
  for (const std::string& text : texts) {
    std::optional<std::string> value = FindProfileEntry(text, "Main", "XPosit");
    if (value) {
      EXPECT_LE(value->size(), text.size());
    }
  }
  EXPECT_EQ(FindProfileEntry(texts[2], "Main", "XPosit"), std::nullopt);
  EXPECT_EQ(FindProfileEntry(texts[6], "Main", "XPosit"), "9");
}

TEST(ProfileTextTest, SetReplacesAddsOrAppendsAndKeepsTheRest) {
  const std::string text =
      "; keep me\n"
      "[Main]\n"
      "XPosit=1\n"
      "Strange line\n"
      "\n"
      "[Other]\n"
      "A=b\n";
  EXPECT_EQ(SetProfileEntry(text, "main", "XPOSIT", "250"),
            "; keep me\n[Main]\nXPOSIT=250\nStrange line\n\n[Other]\nA=b\n");
  EXPECT_EQ(SetProfileEntry(text, "Main", "Width", "640"),
            "; keep me\n[Main]\nXPosit=1\nStrange line\nWidth=640\n\n[Other]\nA=b\n");
  EXPECT_EQ(SetProfileEntry(text, "New", "Maximize", "No"), text + "[New]\nMaximize=No\n");
  EXPECT_EQ(SetProfileEntry("[Main]\nA=1", "Main", "B", "2"), "[Main]\nA=1\nB=2\n");
  EXPECT_EQ(SetProfileEntry("X=1", "Main", "B", "2"), "X=1\n[Main]\nB=2\n");
  EXPECT_EQ(SetProfileEntry("", "Main", "B", "2"), "[Main]\nB=2\n");
}

TEST(ProfileTextTest, WhatIsWrittenReadsBack) {
  std::string text;
  text = SetProfileEntry(text, "Main", "XPosit", "10");
  text = SetProfileEntry(text, "SETDATA", "XPosit", "20");
  text = SetProfileEntry(text, "Main", "Maximize", "Yes");
  text = SetProfileEntry(text, "Main", "XPosit", "30");
  EXPECT_EQ(FindProfileEntry(text, "Main", "XPosit"), "30");
  EXPECT_EQ(FindProfileEntry(text, "SETDATA", "XPosit"), "20");
  EXPECT_EQ(FindProfileEntry(text, "Main", "Maximize"), "Yes");
}

TEST(ProfileNameTest, RejectsNamesThatWouldNotReadBack) {
  EXPECT_TRUE(IsValidProfileName("BrowseAAAA"));
  EXPECT_FALSE(IsValidProfileName(""));
  EXPECT_FALSE(IsValidProfileName("   "));
  EXPECT_FALSE(IsValidProfileName("a]b"));
  EXPECT_FALSE(IsValidProfileName("a=b"));
  EXPECT_FALSE(IsValidProfileName("a\nb"));
}

TEST_F(ProfileFileTest, MissingFileGivesDefaultAndIsCreatedOnWrite) {
  EXPECT_EQ(GetPrivateProfileString("Main", "XPosit", "dflt", file_), "dflt");
  ASSERT_TRUE(WritePrivateProfileString("Main", "XPosit", "12", file_));
  EXPECT_EQ(GetPrivateProfileString("Main", "XPosit", "", file_), "12");
  EXPECT_EQ(ReadFile(file_), "[Main]\nXPosit=12\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// Two copies of the program writing their own sections at once keep every
// entry, and leave no temporary file behind.
TEST_F(ProfileFileTest, ConcurrentWritersFromTwoProcessesLoseNothing) {
  constexpr int kEntries = 150;
  auto write_section = [this](const char* section) {
    for (int i = 0; i < kEntries; ++i) {
      if (!WritePrivateProfileString(section, "E" + std::to_string(i), std::to_string(i), file_)) {
        return false;
      }
    }
    return true;
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(write_section("Child") ? 0 : 1);
  EXPECT_TRUE(write_section("Parent"));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::string text = ReadFile(file_);
  int kept = 0;
  for (const char* section : {"Child", "Parent"}) {
    for (int i = 0; i < kEntries; ++i) {
      kept += FindProfileEntry(text, section, "E" + std::to_string(i)) == std::to_string(i);
    }
  }
  EXPECT_EQ(kept, 2 * kEntries);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ProfileFileTest, ReplacedFileKeepsItsPermissions) {
  WriteFile(file_, "[Main]\nXPosit=1\n");
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WritePrivateProfileString("Main", "XPosit", "2", file_));
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileFileTest, InvalidWritesLeaveTheFileAlone) {
  WriteFile(file_, "[Main]\nXPosit=1\n");
  EXPECT_FALSE(WritePrivateProfileString("Ma]in", "XPosit", "2", file_));
  EXPECT_FALSE(WritePrivateProfileString("Main", "X=Posit", "2", file_));
  EXPECT_FALSE(WritePrivateProfileString("Main", "XPosit", "2\n[Evil]", file_));
  EXPECT_EQ(ReadFile(file_), "[Main]\nXPosit=1\n");
}

TEST_F(ProfileFileTest, OversizedFileIsNeitherReadNorRewritten) {
  std::string big = "[Main]\nXPosit=5\n" + std::string(kMaxProfileBytes, ';');
  WriteFile(file_, big);
  EXPECT_EQ(GetPrivateProfileString("Main", "XPosit", "", file_), "");
  EXPECT_FALSE(WritePrivateProfileString("Main", "XPosit", "6", file_));
  EXPECT_EQ(fs::file_size(file_), big.size());
}

TEST_F(ProfileFileTest, UnreadableFileGivesDefaults) {
  fs::create_directory(file_);  // a directory where the file should be
  EXPECT_EQ(GetPrivateProfileString("Main", "XPosit", "d", file_), "d");
  EXPECT_FALSE(WritePrivateProfileString("Main", "XPosit", "6", file_));
  fs::remove(file_);

  WriteFile(file_, "[Main]\nXPosit=5\n");
  chmod(file_.c_str(), 0);
  if (geteuid() != 0) {  // root reads any file
    EXPECT_EQ(GetPrivateProfileString("Main", "XPosit", "d", file_), "d");
  }
}

}  // namespace
}  // namespace kavo
