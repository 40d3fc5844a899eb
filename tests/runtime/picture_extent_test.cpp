#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/picture.h"
#include "runtime/picture_extent.h"

namespace kavo {
namespace {

std::vector<std::string> Widest(std::string_view text) {
  Picture p;
  EXPECT_TRUE(Picture::Compile(text, &p).ok) << text;
  return WidestTexts(p, '8', 'W');
}

bool Has(const std::vector<std::string>& texts, std::string_view text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool HasPart(const std::vector<std::string>& texts, std::string_view part) {
  return std::any_of(texts.begin(), texts.end(),
                     [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// Every text is `text`.
bool All(const std::vector<std::string>& texts, std::string_view text) {
  return !texts.empty() &&
         std::all_of(texts.begin(), texts.end(), [&](const std::string& t) { return t == text; });
}

// A date shows its widest with two-digit days and months: a one-digit day
// shown with a leading blank would leave a box one digit short.
TEST(WidestTexts, DatesHaveEveryDigitPositionFilled) {
  EXPECT_TRUE(All(Widest("@D6"), "88/88/8888"));
  EXPECT_TRUE(Has(Widest("@D6."), "88.88.8888"));
  EXPECT_TRUE(Has(Widest("@D1"), "88/88/88"));
}

// Names differ in width from month to month and day to day: every one of
// them is offered, with the longest month name among them.
TEST(WidestTexts, DatesWithNamesOfferEveryMonthAndWeekday) {
  const std::vector<std::string> texts = Widest("@D18");
  EXPECT_TRUE(HasPart(texts, "September"));
  for (const char* day : {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"}) {
    EXPECT_TRUE(HasPart(texts, day)) << day;
  }
  for (const std::string& text : texts)
    EXPECT_EQ(text.find_first_of("012345679"), std::string::npos);
}

TEST(WidestTexts, TimesOfferBothMarkers) {
  EXPECT_TRUE(Has(Widest("@T1"), "88:88"));
  const std::vector<std::string> texts = Widest("@T3");
  EXPECT_TRUE(Has(texts, "88:88AM"));
  EXPECT_TRUE(Has(texts, "88:88PM"));
}

// The most digits that fit, with and without a sign, never the overflow
// marks.
TEST(WidestTexts, NumbersFillTheirWidthWithoutOverflow) {
  std::vector<std::string> texts = Widest("@n-10.0");
  // Grouping gives way to digits that fit only without it.
  EXPECT_TRUE(Has(texts, "8888888888"));
  EXPECT_TRUE(Has(texts, "-888888888"));
  texts = Widest("@n5.1");
  EXPECT_TRUE(Has(texts, "888.8"));
  EXPECT_TRUE(Has(texts, "-88.8"));
  EXPECT_FALSE(HasPart(Widest("@n4.1"), "#"));
}

TEST(WidestTexts, PatternsAndTexts) {
  EXPECT_TRUE(All(Widest("@P<<<#P"), "8888"));
  EXPECT_TRUE(All(Widest("@s12"), std::string(12, 'W')));
  EXPECT_TRUE(WidestTexts(Picture(), '8', 'W').empty());
}

}  // namespace
}  // namespace kavo
