#include "browse/thumb_stops.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kavo {
namespace {

std::vector<double> RealStops(double low, double high) {
  SetupRealStops(low, high);
  std::vector<double> stops;
  for (int i = 0; i < kThumbStops; ++i) stops.push_back(NextRealStop());
  return stops;
}

std::vector<std::string> StringStops(std::string_view low, std::string_view high, int size,
                                     int kind = kStopLetters) {
  SetupStringStops(low, high, size, kind);
  std::vector<std::string> stops;
  for (int i = 0; i < kThumbStops; ++i) stops.push_back(NextStringStop());
  return stops;
}

TEST(ThumbStops, NumericStopsRunEvenlyWithBothLimitsIncluded) {
  std::vector<double> stops = RealStops(1, 100);
  for (int i = 0; i < kThumbStops; ++i) EXPECT_DOUBLE_EQ(stops[i], i + 1);
  // 1 + 49/99 truncates to 1.
  stops = RealStops(1, 50);
  EXPECT_EQ(static_cast<int>(stops[1]), 1);
  EXPECT_DOUBLE_EQ(stops[99], 50);
  EXPECT_EQ(CR::CurrentStep, 100);
}

TEST(ThumbStops, EqualLimitsGiveEqualStops) {
  for (double s : RealStops(7.5, 7.5)) EXPECT_DOUBLE_EQ(s, 7.5);
}

TEST(ThumbStops, StringStopsBetweenAAandAZ) {
  std::vector<std::string> stops = StringStops("AA", "AZ", 2);
  EXPECT_EQ(CS::StringRoot, "A");
  EXPECT_EQ(CS::SortCharacterCount, 26);
  EXPECT_EQ(stops[0], "AA");
  EXPECT_EQ(stops[99], "AZ");
  for (int i = 1; i < 99; ++i) {
    ASSERT_EQ(stops[i].size(), 5u) << i;
    EXPECT_EQ(stops[i][0], 'A');
    EXPECT_GE(stops[i][1], 'A');
    EXPECT_LE(stops[i][1], 'Z');
    EXPECT_LE(stops[i - 1], stops[i]) << i;  // ascending, so a thumb search works
  }
}

TEST(ThumbStops, IdenticalFullLimitsGiveTheFirstCharacterTail) {
  std::vector<std::string> stops = StringStops("UA", "UA", 2);
  EXPECT_EQ(stops[0], "UA");
  EXPECT_EQ(stops[99], "UA");
  for (int i = 1; i < 99; ++i) EXPECT_EQ(stops[i], "UAAAAA") << i;
}

TEST(ThumbStops, ShortHighLimitIsPaddedWithTheLastCharacter) {
  // "B" is padded to "BZZ" (size 2 + 1), so the stops reach past every "B?".
  std::vector<std::string> stops = StringStops("A", "B", 2);
  EXPECT_EQ(CS::StringRoot, "");
  EXPECT_EQ(CS::HighString, "BZZ");
  EXPECT_EQ(stops[99], "BZZ");
}

TEST(ThumbStops, KindSelectsTheCharacterSet) {
  SetupStringStops("A", "B", 1, kStopDigits);
  EXPECT_EQ(CS::SortCharacters, "0123456789");
  SetupStringStops("A", "B", 1, kStopPunctuation);
  EXPECT_EQ(CS::SortCharacterCount, 30);
  // Ordered by code, not in the order of the punctuation table.
  EXPECT_EQ(CS::SortCharacters.front(), ' ');
  SetupStringStops("a", "b", 1, kStopLetters | kStopLowerCase);
  EXPECT_EQ(CS::SortCharacterCount, 52);
  EXPECT_EQ(CS::LowString, "a");  // not upper-cased when lower case counts
  SetupStringStops("a", "b", 1, kStopLetters);
  EXPECT_EQ(CS::LowString, "A");
}

TEST(ThumbStops, LargeSetsDoNotOverflow) {
  std::vector<std::string> stops = StringStops(
      "0000", "zzzz", 4, kStopLetters | kStopPunctuation | kStopDigits | kStopLowerCase);
  EXPECT_GT(CS::HighValue, CS::LowValue);
  for (int i = 1; i < kThumbStops; ++i) EXPECT_LE(stops[i - 1], stops[i]) << i;
}

TEST(ThumbStops, EmptySetStillAnswers) {
  std::vector<std::string> stops = StringStops("A", "B", 1, 0);
  EXPECT_EQ(CS::SortCharacterCount, 0);
  EXPECT_EQ(stops.size(), 100u);
}

}  // namespace
}  // namespace kavo
