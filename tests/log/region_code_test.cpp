#include "log/region_code.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kavo::log {
namespace {

// Every code of the normalisation table and the code it becomes.
const std::vector<std::pair<std::string, std::string>> kTable = {
    {"1B", "1A"}, {"1D", "1A"}, {"1H", "1A"}, {"1M", "1A"}, {"1L", "1A"}, {"1I", "1A"},
    {"1F", "1A"}, {"1G", "1A"}, {"1J", "1A"}, {"3B", "3A"}, {"3C", "3A"}, {"3F", "3A"},
    {"3H", "3A"}, {"1R", "1Q"}, {"1S", "1Q"}, {"1U", "1T"}, {"1X", "1W"}, {"1Y", "1Z"},
    {"3J", "3I"}, {"3O", "3N"}, {"4B", "4A"}, {"4D", "4C"}, {"4I", "4H"}, {"4M", "4L"},
    {"4O", "4N"}, {"4Q", "4P"}, {"4T", "4S"}, {"6B", "6A"}, {"6C", "6A"}, {"6D", "6A"},
    {"6F", "6H"}, {"6G", "6H"}, {"6M", "6L"}, {"6N", "6L"}, {"6O", "6L"}, {"6Q", "6P"},
    {"6R", "6P"}, {"6V", "6U"}, {"9B", "9A"}, {"9D", "9C"}, {"9E", "9C"}, {"9I", "9H"},
    {"9N", "9M"}, {"9P", "9O"}, {"9R", "9Q"}, {"9V", "9U"}, {"0F", "0E"}, {"0G", "0E"},
    {"0M", "0L"}, {"0N", "0L"}, {"0P", "0O"}, {"0R", "0Q"}, {"0T", "0S"}, {"0V", "0U"},
};

TEST(RegionCode, EveryTableRowOnCallsignsOfTheThreeShapes) {
  for (const auto& [code, becomes] : kTable) {
    const char digit = code[0];
    const char letter = code[1];
    // Letter, letter, digit, letter: characters 3 and 4.
    const std::string four = std::string("UA") + digit + letter;
    // Letter, letter, digit, three letters: characters 3 and 4.
    const std::string six = std::string("RA") + digit + letter + "XY";
    // Letter, digit, letter, letter: the third is a letter, so 2 and 3.
    const std::string short_form = std::string("R") + digit + letter + "A";
    for (const std::string& call : {four, six, short_form}) {
      EXPECT_EQ(DerivedRegionCode(call), code) << call;
      EXPECT_EQ(RegionCodeOfCallsign(call), becomes) << call;
      EXPECT_EQ(RegionCodeOfCallsign(call + "    "), becomes) << "blank-padded " << call;
    }
  }
}

TEST(RegionCode, CodesOutsideTheTableStayAsDerived) {
  EXPECT_EQ(RegionCodeOfCallsign("R3AA"), "3A");
  EXPECT_EQ(RegionCodeOfCallsign("UA3A"), "3A");
  EXPECT_EQ(RegionCodeOfCallsign("RA9ABC"), "9A");
  EXPECT_EQ(RegionCodeOfCallsign("UA0K"), "0K");
  // Lower-case callsigns find their row; the result is the table's code.
  EXPECT_EQ(RegionCodeOfCallsign("ua1b"), "1A");
  // A four-character callsign whose third character is a digit.
  EXPECT_EQ(DerivedRegionCode("UA19"), "19");
  // Too short to hold a code.
  EXPECT_EQ(DerivedRegionCode("UA"), "");
  EXPECT_EQ(DerivedRegionCode("UA3"), "3");
  EXPECT_EQ(DerivedRegionCode(""), "");
}

TEST(RegionCode, RuleRunsOnlyForRussiaWithoutARegion) {
  EXPECT_TRUE(RegionRuleApplies("RUSSIA              ", "  "));
  EXPECT_TRUE(RegionRuleApplies("Russia", ""));
  EXPECT_FALSE(RegionRuleApplies("RUSSIA", "3A"));
  EXPECT_FALSE(RegionRuleApplies("UKRAINE", ""));
  EXPECT_FALSE(RegionRuleApplies("", ""));
}

}  // namespace
}  // namespace kavo::log
