#include "app/frame_logic.h"

#include <gtest/gtest.h>

#include "data/globals.h"
#include "runtime/datetime.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

TEST(DayNameTest, SevenDayCycleFromSunday) {
  EXPECT_EQ(DayName(4), "Thursday");  // 1 January 1801
  EXPECT_EQ(DayName(7), "Sunday");
  EXPECT_EQ(DayName(0), "Sunday");
  EXPECT_EQ(DayName(700000), "Sunday");
  EXPECT_EQ(DayName(-1), "Saturday");
  EXPECT_EQ(DayName(-7), "Sunday");
  EXPECT_EQ(DayName(6), "Saturday");
  EXPECT_EQ(DayName(3), "Wednesday");  // the widest name, no blank cut
  for (int32_t day = -20; day < 400; ++day) EXPECT_EQ(DayName(day), DayName(day + 7));
}

TEST(StatusTextTest, ZonesUseTheirPictures) {
  int32_t day = DateFromParts(2026, 12, 8);
  Picture d8, t4;
  ASSERT_TRUE(Picture::Compile("@D8", &d8).ok);
  ASSERT_TRUE(Picture::Compile("@T4", &t4).ok);
  EXPECT_EQ(StatusDayText(day), "Tuesday, " + d8.FormatNumber(day));
  int32_t clock = TimeFromParts(9, 5, 7, 0);
  EXPECT_EQ(StatusTimeText(clock), t4.FormatNumber(clock));
  EXPECT_NE(StatusTimeText(clock).find("05"), std::string::npos);
}

TEST(FrameTimerPeriodTest, OutOfRangeBecomesOneSecond) {
  EXPECT_EQ(FrameTimerPeriod(0), 100);
  EXPECT_EQ(FrameTimerPeriod(250), 100);
  EXPECT_EQ(FrameTimerPeriod(-5), 100);
  EXPECT_EQ(FrameTimerPeriod(101), 100);
  EXPECT_EQ(FrameTimerPeriod(1), 1);
  EXPECT_EQ(FrameTimerPeriod(100), 100);
  EXPECT_EQ(FrameTimerPeriod(50), 50);
}

TEST(ArrangeIconSlotsTest, RowsFromTheBottomLeft) {
  std::vector<IconSlot> s = ArrangeIconSlots(5, 100, 30, 250, 300);
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0].x, 0);
  EXPECT_EQ(s[0].y, 270);
  EXPECT_EQ(s[1].x, 100);
  EXPECT_EQ(s[1].y, 270);
  EXPECT_EQ(s[2].x, 0);
  EXPECT_EQ(s[2].y, 240);
  EXPECT_EQ(s[4].y, 210);
  // An area narrower than one icon still gets one per row.
  std::vector<IconSlot> narrow = ArrangeIconSlots(2, 100, 30, 50, 300);
  EXPECT_EQ(narrow[1].x, 0);
  EXPECT_EQ(narrow[1].y, 240);
  EXPECT_TRUE(ArrangeIconSlots(0, 100, 30, 250, 300).empty());
  EXPECT_EQ(ArrangeIconSlots(1, 0, 0, 0, 0).size(), 1u);
}

TEST(MainLogicTest, OpeningTakesOverAndClearsTheRequest) {
  ResetGlobals();
  GlobalRequest = 3;
  GlobalResponse = 1;
  MainLogic logic;
  logic.Open();
  EXPECT_EQ(logic.LocalRequest(), 3);
  EXPECT_EQ(logic.OriginalRequest(), 3);
  EXPECT_EQ(GlobalRequest, 0);
  EXPECT_EQ(GlobalResponse, 0);
  logic.Close();
  EXPECT_EQ(GlobalResponse, kRequestCancelled);
}

TEST(MainLogicTest, FirstAcceptedControlClosesTheSplashOnce) {
  MainLogic logic;
  logic.Open();
  EXPECT_FALSE(logic.ControlAccepted());  // no splash yet
  logic.WindowOpened(7);
  EXPECT_EQ(logic.SplashProcedureThread(), 7);
  EXPECT_TRUE(logic.ControlAccepted());
  EXPECT_EQ(logic.SplashProcedureThread(), 0);
  EXPECT_FALSE(logic.ControlAccepted());
}

TEST(GlobalsTest, ResetGivesStartValues) {
  GlobalRequest = 2;
  VCRRequest = 5;
  D1 = 80000;
  MODE.Set("SSB");
  ZAGOL.Set("Report");
  ASCIIFileName.Set("readme.txt");
  QSO = 17;
  TAG_AAAA.Add(5);
  ResetGlobals();
  EXPECT_EQ(GlobalRequest, 0);
  EXPECT_EQ(VCRRequest, 0);
  EXPECT_EQ(D1, 0);
  EXPECT_TRUE(MODE.IsBlank());
  EXPECT_TRUE(ZAGOL.IsBlank());
  EXPECT_TRUE(ASCIIFileName.IsBlank());
  EXPECT_EQ(QSO, 0);
  EXPECT_EQ(TAG_AAAA.Records(), 0u);
}

TEST(GlobalsTest, FixedTextIsCutAndPadded) {
  FixedText<5> mode;
  mode.Set("RTTY-45");
  EXPECT_EQ(mode.View(), "RTTY-");
  mode.Set("CW");
  EXPECT_EQ(mode.View(), "CW   ");
  EXPECT_EQ(mode.Trimmed(), "CW");
}

TEST(GlobalsTest, TagQueueKeepsPointerOrderWithoutDuplicates) {
  TagQueue q;
  for (int32_t pole : {30, 10, 20, 10, 40}) q.Add(pole);
  ASSERT_EQ(q.Records(), 4u);
  EXPECT_EQ(q.Get(1).POLE, 10);
  EXPECT_EQ(q.Get(4).POLE, 40);
  EXPECT_TRUE(q.Contains(20));
  q.Delete(20);
  q.Delete(99);
  EXPECT_FALSE(q.Contains(20));
  EXPECT_EQ(q.Records(), 3u);
  EXPECT_EQ(q.Get(2).POLE, 30);
}

}  // namespace
}  // namespace kavo
