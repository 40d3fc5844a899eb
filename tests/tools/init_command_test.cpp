#include "tools/init_command.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data_test_util.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

using testing::ScratchDir;

int Init(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return tool::RunInitCommand(static_cast<int>(argv.size()), argv.data());
}

// Reads the station records of DIR/SETUP.
std::vector<dict::SETUPRecord> Stations(const std::string& dir) {
  std::vector<dict::SETUPRecord> rows;
  Table setup;
  if (!setup.Open(dir + "/SETUP", &dict::SETUP()).ok()) return rows;
  while (setup.Next().ok()) {
    dict::SETUPRecord r;
    std::memcpy(&r, setup.record(), sizeof r);
    rows.push_back(r);
  }
  (void)setup.Close();
  return rows;
}

TEST(InitCommand, CreatesEveryTableAndOneStationRecord) {
  ScratchDir dir;
  ASSERT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC", "--name", "Иван", "--surname",
                  "Петров", "--qth", "St. Petersburg", "--locator", "KO59FW", "--gmt", "3"}),
            0);
  for (const char* file : {"AAAA.VTF", "PRINT.TMP", "DXCC.VTF", "IOTA.VTF", "NA_IOTA.VTF",
                           "PREFRUS.VTF", "RAJON.VTF", "SETUP.VTF"}) {
    EXPECT_TRUE(dir.Exists(file)) << file;
  }
  std::vector<dict::SETUPRecord> rows = Stations(dir.path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(dict::TextOf(rows[0].CALLSIGN), "UA1ABC");
  EXPECT_EQ(dict::TextOf(rows[0].IMJA), Cp1251FromUtf8("Иван"));
  EXPECT_EQ(dict::TextOf(rows[0].FAM), Cp1251FromUtf8("Петров"));
  EXPECT_EQ(dict::TextOf(rows[0].QTH), "St. Petersburg");
  EXPECT_EQ(dict::TextOf(rows[0].LOC), "KO59FW");
  double gmt = rows[0].GMT;
  EXPECT_EQ(gmt, 3.0);
}

TEST(InitCommand, OnlyTheCallsignIsRequired) {
  ScratchDir dir;
  const std::string sub = dir.File("new/station");
  ASSERT_EQ(Init({"init", sub, "--callsign", "NOCALL"}), 0);
  std::vector<dict::SETUPRecord> rows = Stations(sub);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(dict::TextOf(rows[0].CALLSIGN), "NOCALL");
  EXPECT_EQ(dict::TextOf(rows[0].IMJA), "");
  double gmt = rows[0].GMT;
  EXPECT_EQ(gmt, 0.0);
}

TEST(InitCommand, ExistingStationRecordIsKept) {
  ScratchDir dir;
  ASSERT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC"}), 0);
  ASSERT_EQ(Init({"init", dir.path(), "--callsign", "RV3XYZ"}), 0);
  std::vector<dict::SETUPRecord> rows = Stations(dir.path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(dict::TextOf(rows[0].CALLSIGN), "UA1ABC");
}

// Reads the group names of DIR/NA_IOTA in file order.
std::vector<std::string> IotaGroups(const std::string& dir) {
  std::vector<std::string> names;
  Table groups;
  if (!groups.Open(dir + "/NA_IOTA", &dict::NA_IOTA()).ok()) return names;
  while (groups.Next().ok()) {
    dict::NA_IOTARecord r;
    std::memcpy(&r, groups.record(), sizeof r);
    names.emplace_back(dict::TextOf(r.NAIM));
  }
  (void)groups.Close();
  return names;
}

TEST(InitCommand, ContinentGroupsAreAddedOnceToAnEmptyGroupTable) {
  ScratchDir dir;
  ASSERT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC"}), 0);
  const std::vector<std::string> first = IotaGroups(dir.path());
  EXPECT_EQ(first, (std::vector<std::string>{"AF", "AN", "AS", "EU", "NA", "OC", "SA"}));
  ASSERT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC"}), 0);
  EXPECT_EQ(IotaGroups(dir.path()), first);
}

TEST(InitCommand, WrongArgumentsChangeNothing) {
  ScratchDir dir;
  EXPECT_EQ(Init({"init"}), 2);
  EXPECT_EQ(Init({"init", dir.path()}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign"}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", ""}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", "TOOLONGCALL"}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC", "--locator", "KO59FWX"}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC", "--gmt", "3h"}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC", "--gmt", "24"}), 2);
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC", "--colour", "red"}), 2);
  EXPECT_FALSE(dir.Exists("SETUP.VTF"));
  EXPECT_FALSE(dir.Exists("AAAA.VTF"));
  // Twelve Cyrillic letters fill the 12-byte name field exactly.
  EXPECT_EQ(Init({"init", dir.path(), "--callsign", "UA1ABC", "--name", "Александраня"}), 0);
}

}  // namespace
}  // namespace kavo
