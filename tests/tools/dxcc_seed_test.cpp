#include "tools/dxcc_seed.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "runtime/cp1251.h"
#include "store/table.h"
#include "store/transaction.h"
#include "tools/init_command.h"

namespace kavo::tool {
namespace {

namespace fs = std::filesystem;

// A few countries in the file's own format, with the cases the seed must
// get right: longest prefix, callsign entries, overrides, a prefix shared
// by several countries, a long name and the Russian countries.
constexpr char kSample[] =
    "UA,European Russia,54,EU,16,29,53.65,-41.37,-4.0,R U =R0BM/6 =UA9AA/1;\n"
    "UA9,Asiatic Russia,15,AS,17,30,55.88,-84.08,-7.0,R0(19)[33] R8 R9 U0 U8 U9 UA0 UA8 UA9;\n"
    "UA2,Kaliningrad,126,EU,15,29,54.72,-20.52,-2.0,R2F RA2 UA2;\n"
    "UN,Kazakhstan,130,AS,17,30,48.17,-65.18,-5.0,UN UO UP UQ;\n"
    "UR,Ukraine,288,EU,16,29,50.00,-30.00,-2.0,EM EN EO U5 UR US UT UU UV UW UX UY UZ;\n"
    "1A,Sov Mil Order of Malta,246,EU,15,28,41.90,-12.43,-1.0,1A;\n"
    "3B8,Mauritius,165,AF,39,53,-20.35,-57.50,-4.0,3B8;\n"
    "3B9,Rodriguez Island,207,AF,39,53,-19.70,-63.42,-4.0,3B9;\n"
    "*TA1,European Turkey,390,EU,20,39,41.02,-28.97,-2.0,TA1;\n"
    "KH6,Hawaii,110,OC,31,61,21.12,157.48,10.0,AH6 KH6 =KH7X;\n"
    "\r\n";

std::vector<CtyCountry> Sample() {
  std::vector<CtyCountry> countries;
  std::string error;
  EXPECT_TRUE(ParseCtyCsv(kSample, &countries, &error)) << error;
  return countries;
}

std::string NameOf(const std::vector<SeedRow>& rows, const std::string& prefix) {
  for (const SeedRow& row : rows) {
    if (row.PR == prefix) return row.STRANA;
  }
  return "(none)";
}

TEST(DxccSeedTest, ReadsCountriesWithoutCallsignsOrOverrides) {
  const std::vector<CtyCountry> countries = Sample();
  ASSERT_EQ(countries.size(), 9u);  // the award-only country is left out
  EXPECT_EQ(countries[0].name, "European Russia");
  EXPECT_EQ(countries[0].prefixes, (std::vector<std::string>{"R", "U"}));
  EXPECT_EQ(countries[1].prefixes.front(), "R0");
  EXPECT_EQ(countries.back().prefixes, (std::vector<std::string>{"AH6", "KH6"}));
}

TEST(DxccSeedTest, OneRowPerPrefixFromTheCountryThatCoversIt) {
  int shared = 0;
  const std::vector<SeedRow> rows = SeedRows(Sample(), &shared);
  // Longest prefix wins; the Russian countries are all RUSSIA.
  EXPECT_EQ(NameOf(rows, "UA"), "RUSSIA");
  EXPECT_EQ(NameOf(rows, "R0"), "RUSSIA");
  EXPECT_EQ(NameOf(rows, "UN"), "Kazakhstan");
  EXPECT_EQ(NameOf(rows, "U5"), "Ukraine");
  EXPECT_EQ(NameOf(rows, "EM"), "Ukraine");
  // Cut to the field's twenty characters.
  EXPECT_EQ(NameOf(rows, "1A"), "Sov Mil Order of Mal");
  // Covered only by longer prefixes of one country; shared ones get no row.
  EXPECT_EQ(NameOf(rows, "AH"), "Hawaii");
  EXPECT_EQ(NameOf(rows, "3B"), "(none)");
  EXPECT_EQ(shared, 1);
  EXPECT_EQ(NameOf(rows, "TA"), "(none)");
  // 36 under R and under U each, less UN..UQ, UR..UZ and U5 that other
  // countries own, plus 1A, AH, KH, EM, EN, EO.
  EXPECT_EQ(rows.size(), 36u + 36u + 6u);
  EXPECT_EQ(rows.front().PR, "1A");
  for (const SeedRow& row : rows) EXPECT_LE(row.STRANA.size(), 20u);
}

TEST(DxccSeedTest, RefusesLinesThatAreNotCountries) {
  std::vector<CtyCountry> countries;
  std::string error;
  EXPECT_FALSE(ParseCtyCsv("UA,European Russia,54,EU\n", &countries, &error));
  EXPECT_EQ(error, "line 1: a country takes 10 fields, found 4");
  EXPECT_FALSE(ParseCtyCsv("1A,Malta,246,EU,15,28,41.90,-12.43,-1.0,1A\n", &countries, &error));
  EXPECT_NE(error.find("does not end"), std::string::npos);
  EXPECT_FALSE(ParseCtyCsv("\n,,,,,,,,,1A;\n", &countries, &error));
  EXPECT_EQ(error, "line 2: a country needs a prefix and a name");
}

// Random bytes and damaged copies of a good file: an answer, never a crash.
TEST(DxccSeedCorruptTest, DamagedFilesGiveAnAnswer) {
  std::mt19937 random(7);
  const std::string good = kSample;
  for (int round = 0; round < 2000; ++round) {
    std::string text = good;
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < edits; ++i) {
      const std::size_t at = random() % text.size();
      switch (random() % 3) {
        case 0:
          text[at] = static_cast<char>(random() % 256);
          break;
        case 1:
          text.erase(at, 1 + random() % 20);
          break;
        default:
          text.insert(at, 1, ",;= ([\n"[random() % 7]);
          break;
      }
      if (text.empty()) text = "x";
    }
    std::vector<CtyCountry> countries;
    std::string error;
    if (ParseCtyCsv(text, &countries, &error)) {
      for (const SeedRow& row : SeedRows(countries)) {
        ASSERT_EQ(row.PR.size(), 2u);
        ASSERT_LE(row.STRANA.size(), 20u);
      }
    } else {
      ASSERT_FALSE(error.empty());
    }
  }
}

class SeedDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavo-seed-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    previous_control_file_ = SetControlFileName((dir_ / "vantor.tcf").string());
    std::ofstream(dir_ / "cty.csv", std::ios::binary) << kSample;
  }
  void TearDown() override {
    SetControlFileName(previous_control_file_);
    fs::remove_all(dir_);
  }

  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    Table dxcc;
    if (!dxcc.Open((dir_ / "DXCC").string(), &dict::DXCC()).ok()) return rows;
    (void)dxcc.SetKey(dict::DXCC().FindKey("DXC:BEY_S"));
    while (dxcc.Next().ok()) {
      dict::DXCCRecord rec;
      std::memcpy(&rec, dxcc.record(), sizeof rec);
      rows.push_back(std::string(dict::TextOf(rec.PR)) + "|" +
                     std::string(dict::TextOf(rec.STRANA)));
    }
    (void)dxcc.Close();
    return rows;
  }

  int Init(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return RunInitCommand(static_cast<int>(argv.size()), argv.data());
  }

  fs::path dir_;
  std::string previous_control_file_;
};

TEST_F(SeedDirTest, SeedingNeverChangesARowAlreadyThere) {
  ASSERT_TRUE(Table::Create((dir_ / "DXCC").string(), dict::DXCC()).ok());
  {
    Table dxcc;
    ASSERT_TRUE(dxcc.Open((dir_ / "DXCC").string(), &dict::DXCC()).ok());
    dict::DXCCRecord rec;
    rec.Clear();
    dict::SetText(rec.PR, "ua");
    dict::SetText(rec.STRANA, Cp1251FromUtf8("Россия"));
    std::memcpy(dxcc.record(), &rec, sizeof rec);
    ASSERT_TRUE(dxcc.Add().ok());
    ASSERT_TRUE(dxcc.Close().ok());
  }
  SeedResult result;
  std::string error;
  ASSERT_TRUE(SeedDxcc(dir_.string(), (dir_ / "cty.csv").string(), &result, &error)) << error;
  EXPECT_EQ(result.added, 77);
  EXPECT_EQ(result.kept, 1);
  const std::vector<std::string> rows = Rows();
  ASSERT_EQ(rows.size(), 78u);
  EXPECT_NE(std::find(rows.begin(), rows.end(), "ua|" + Cp1251FromUtf8("Россия")), rows.end());
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                          [](const std::string& r) { return r.starts_with("UA|"); }),
            0);

  // A second run adds nothing.
  ASSERT_TRUE(SeedDxcc(dir_.string(), (dir_ / "cty.csv").string(), &result, &error));
  EXPECT_EQ(result.added, 0);
  EXPECT_EQ(Rows().size(), 78u);
}

TEST_F(SeedDirTest, InitFillsAnEmptyTableAndLeavesItEmptyWithoutTheFile) {
  const std::string with = (dir_ / "with").string();
  ASSERT_EQ(Init({"init", with, "--callsign", "UA1ABC", "--cty", (dir_ / "cty.csv").string()}), 0);
  const std::string without = (dir_ / "without").string();
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(Init({"init", without, "--callsign", "UA1ABC", "--cty", (dir_ / "none.csv").string()}),
            0);
  const std::string said = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("no country file at"), std::string::npos);
  dir_ = with;
  EXPECT_EQ(Rows().size(), 78u);
  dir_ = without;
  EXPECT_TRUE(Rows().empty());
  dir_ = fs::path(with).parent_path();
}

TEST_F(SeedDirTest, AMissingOrDamagedFileIsAnError) {
  SeedResult result;
  std::string error;
  EXPECT_FALSE(SeedDxcc(dir_.string(), (dir_ / "none.csv").string(), &result, &error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos);
  std::ofstream(dir_ / "bad.csv") << "not a country\n";
  EXPECT_FALSE(SeedDxcc(dir_.string(), (dir_ / "bad.csv").string(), &result, &error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
  EXPECT_TRUE(Rows().empty());
}

}  // namespace
}  // namespace kavo::tool
