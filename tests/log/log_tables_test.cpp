// The rules that read the tables: the country list of a callsign and the
// next contact number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/dict_records.h"
#include "log/country_lookup.h"
#include "log/qso_number.h"
#include "store/mem_file.h"
#include "store/table.h"

namespace kavo::log {
namespace {

class LogTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenOptions options;
    options.fs = &fs_;
    ASSERT_TRUE(Table::Create("DXCC", dict::DXCC(), options).ok());
    ASSERT_TRUE(Table::Create("AAAA", dict::AAAA(), options).ok());
    ASSERT_TRUE(DXCC_.Open("DXCC", &dict::DXCC(), options).ok());
    ASSERT_TRUE(AAAA_.Open("AAAA", &dict::AAAA(), options).ok());
  }

  void AddCountry(const char* PR, const char* STRANA) {
    auto& DXC = *reinterpret_cast<dict::DXCCRecord*>(DXCC_.record());
    DXC.Clear();
    dict::SetText(DXC.PR, PR);
    dict::SetText(DXC.STRANA, STRANA);
    ASSERT_TRUE(DXCC_.Add().ok());
  }

  void AddContact(int N_QSO) {
    auto& AAA = *reinterpret_cast<dict::AAAARecord*>(AAAA_.record());
    AAA.Clear();
    AAA.N_QSO.set(N_QSO);
    ASSERT_TRUE(AAAA_.Add().ok());
  }

  std::vector<std::string> Countries(const char* callsign) {
    std::vector<std::string> countries;
    EXPECT_TRUE(CountriesOfCallsign(DXCC_, callsign, &countries).ok());
    return countries;
  }

  MemFileSystem fs_;
  Table DXCC_;
  Table AAAA_;
};

TEST_F(LogTablesTest, CountriesOfThePrefixOnceEachInCountryOrder) {
  EXPECT_TRUE(Countries("UA3AA").empty());
  ASSERT_NO_FATAL_FAILURE(AddCountry("UA", "RUSSIA"));
  ASSERT_NO_FATAL_FAILURE(AddCountry("ua", "ASIATIC RUSSIA"));
  ASSERT_NO_FATAL_FAILURE(AddCountry("UA", "RUSSIA"));
  ASSERT_NO_FATAL_FAILURE(AddCountry("UB", "UKRAINE"));
  ASSERT_NO_FATAL_FAILURE(AddCountry("U", "NOWHERE"));
  EXPECT_EQ(Countries("UA3AA"), (std::vector<std::string>{"ASIATIC RUSSIA", "RUSSIA"}));
  EXPECT_EQ(Countries("ua9xx"), (std::vector<std::string>{"ASIATIC RUSSIA", "RUSSIA"}));
  EXPECT_EQ(Countries("UB5A"), (std::vector<std::string>{"UKRAINE"}));
  // A one-character callsign compares with a blank-padded prefix.
  EXPECT_EQ(Countries("U"), (std::vector<std::string>{"NOWHERE"}));
  EXPECT_TRUE(Countries("UC1A").empty());
}

TEST_F(LogTablesTest, NextNumberFollowsTheHighestNotTheLastAdded) {
  std::int64_t number = 0;
  ASSERT_TRUE(NextQsoNumber(AAAA_, &number).ok());
  EXPECT_EQ(number, 1);
  ASSERT_NO_FATAL_FAILURE(AddContact(7));
  ASSERT_NO_FATAL_FAILURE(AddContact(3));
  ASSERT_TRUE(NextQsoNumber(AAAA_, &number).ok());
  EXPECT_EQ(number, 8);
}

}  // namespace
}  // namespace kavo::log
