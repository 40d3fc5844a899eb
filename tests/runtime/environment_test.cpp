#include "runtime/environment.h"

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace kavo {
namespace {

TEST(Environment, AppliesEverySection) {
  RegionalSettings s;
  CharTables t = CharTables::Defaults();
  EnvironmentParse p = ParseEnvironment(
      "; station settings\r\n"
      "[INTL]\r\n"
      "iTime=1\n"
      "iTLzero = 0\n"
      "sTime=.\n"
      "s1159=\"\xE4\xEF\"\n"
      "s2359=\n"
      "sShortDate=dd.MM.yyyy\n"
      "sLongDate=\" d MMMM yyyy \"\n"
      "[names]\n"
      "month3=\xEC\xE0\xF0\xF2\n"
      "mon3=\xEC\xE0\xF0\n"
      "day0=Sonntag\n"
      "dy6=Sa\n"
      "[tables]\n"
      "upper=\xC0\xC1\n"
      "lower=\xE0\xE1\n"
      "collate=\xC0\xE0\n",
      &s, &t);
  EXPECT_EQ(p.rejected, 0);
  EXPECT_EQ(p.applied, 13);
  EXPECT_TRUE(s.clock24);
  EXPECT_FALSE(s.hour_leading_zero);
  EXPECT_EQ(s.time_separator, ".");
  EXPECT_EQ(s.am, "\xE4\xEF");
  EXPECT_EQ(s.pm, "");
  EXPECT_EQ(s.short_date, "dd.MM.yyyy");
  EXPECT_EQ(s.long_date, " d MMMM yyyy ");
  EXPECT_EQ(s.month_names[2], "\xEC\xE0\xF0\xF2");
  EXPECT_EQ(s.month_abbreviations[2], "\xEC\xE0\xF0");
  EXPECT_EQ(s.day_names[0], "Sonntag");
  EXPECT_EQ(s.day_abbreviations[6], "Sa");
  EXPECT_EQ(t.partner[0xE0], 0xC0);
  EXPECT_EQ(t.klass[0xC1], kClassUpper);
  EXPECT_EQ(t.collation[0xE0], t.collation[0xC0] + 1);
}

TEST(Environment, MalformedLinesAreSkippedAndCounted) {
  RegionalSettings s;
  CharTables t = CharTables::Defaults();
  const CharTables defaults = CharTables::Defaults();
  EnvironmentParse p = ParseEnvironment(
      "iTime=1\n"  // 1: outside any section
      "[intl\n"    // 2: unclosed section
      "iTime=1\n"  // 3: still no section
      "[intl]\n"
      "iTime=2\n"        // 5: not 0 or 1
      "s1159=MORNING\n"  // 6: marker too long
      "sTime=\n"         // 7: empty separator
      "nonsense\n"       // 8: no '='
      "sColour=red\n"    // 9: unknown key
      "[names]\n"
      "month13=X\n"           // 11: no 13th month
      "month0=X\n"            // 12
      "day7=X\n"              // 13
      "month1=\n"             // 14: empty name
      "month99999999999=X\n"  // 15
      "[tables]\n"
      "lower=abc\n"       // 17: lower without upper
      "upper=\xC0\xC1\n"  // 18: waits for its lower= line
      "lower=\xE0\n"      // 19: lengths differ
      "collate=aa\n"      // 20: repeated byte
      "upper=\xC2\n",     // 21: never paired
      &s, &t);
  EXPECT_EQ(p.applied, 0);
  EXPECT_EQ(p.rejected, 17);
  EXPECT_EQ(p.first_rejected_line, 1);
  RegionalSettings fresh;
  EXPECT_EQ(s.clock24, fresh.clock24);
  EXPECT_EQ(s.am, fresh.am);
  EXPECT_EQ(s.time_separator, fresh.time_separator);
  EXPECT_EQ(s.month_names, fresh.month_names);
  EXPECT_EQ(t.partner, defaults.partner);
  EXPECT_EQ(t.collation, defaults.collation);
}

TEST(Environment, GarbageNeverBreaksTheDefaults) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
  garbage += "\n[tables]\ncollate=" + std::string(300, 'x') +
             "\n[intl]\nsLongDate=" + std::string(10000, 'd') + "\n";
  RegionalSettings s;
  CharTables t = CharTables::Defaults();
  ParseEnvironment(garbage, &s, &t);
  EXPECT_EQ(s.long_date, RegionalSettings().long_date);
  EXPECT_EQ(t.collation, CharTables::Defaults().collation);
}

TEST(Environment, FileNextToTheProgramIsNamedAfterIt) {
  std::string path = EnvironmentFilePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.size() - 4), ".ENV");
  EXPECT_NE(path.find("environment_test.ENV"), std::string::npos);
}

TEST(Environment, LoadsAFileAndIgnoresAMissingOne) {
  char name[] = "/tmp/kavo_env_XXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    std::ofstream out(name, std::ios::binary);
    out << "[intl]\niTime=1\n";
  }
  RegionalSettings s;
  CharTables t = CharTables::Defaults();
  EnvironmentParse p;
  EXPECT_TRUE(LoadEnvironmentFile(name, &s, &t, &p));
  EXPECT_TRUE(s.clock24);
  EXPECT_EQ(p.applied, 1);
  std::remove(name);
  RegionalSettings untouched;
  EXPECT_FALSE(LoadEnvironmentFile(name, &untouched, &t));
  EXPECT_FALSE(untouched.clock24);
  EXPECT_FALSE(LoadEnvironmentFile("/tmp", &untouched, &t));  // a directory
}

}  // namespace
}  // namespace kavo
