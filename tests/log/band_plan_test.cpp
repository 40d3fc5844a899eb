#include "log/band_plan.h"

#include <gtest/gtest.h>

#include "log/qso_lists.h"

namespace kavo::log {
namespace {

TEST(BandPlan, EveryListValueHasAnAdifBandThatLeadsBackToIt) {
  for (double DIAPAZ : BandList()) {
    const BandPlanRow* row = BandOfDiapaz(DIAPAZ);
    ASSERT_NE(row, nullptr) << DIAPAZ;
    EXPECT_TRUE(row->in_list);
    // The band of a frequency inside the value's own range is the value.
    EXPECT_TRUE(SameDiapaz(*DiapazOfFrequency((row->low_mhz + row->high_mhz) / 2), DIAPAZ))
        << DIAPAZ;
  }
  EXPECT_EQ(*DiapazOfAdifBand("20M"), 14.0);
  EXPECT_EQ(*DiapazOfAdifBand("2m"), 144.0);
  EXPECT_EQ(*DiapazOfAdifBand("10m"), 28.0);
  EXPECT_EQ(*DiapazOfAdifBand("23cm"), 1.2);
  EXPECT_EQ(*DiapazOfAdifBand("70CM"), 430.0);
}

TEST(BandPlan, SharedBandsSplitAtTheUpperValue) {
  EXPECT_EQ(*DiapazOfFrequency(28.5), 28.0);
  EXPECT_EQ(*DiapazOfFrequency(29.0), 29.0);
  EXPECT_EQ(*DiapazOfFrequency(29.6), 29.0);
  EXPECT_EQ(*DiapazOfFrequency(144.3), 144.0);
  EXPECT_EQ(*DiapazOfFrequency(145.5), 145.0);
  EXPECT_EQ(*DiapazOfFrequency(1296.2), 1.2);
  EXPECT_EQ(*DiapazOfFrequency(10.136), 10.0);
}

TEST(BandPlan, BandsOutsideTheListKeepTheirLowerEdgeAndOthersAreNotBands) {
  EXPECT_EQ(*DiapazOfAdifBand("6m"), 50.0);
  EXPECT_EQ(*DiapazOfFrequency(50.313), 50.0);
  EXPECT_STREQ(BandOfDiapaz(50.0)->adif, "6m");
  EXPECT_FALSE(BandOfDiapaz(50.0)->in_list);
  EXPECT_FALSE(DiapazOfAdifBand("13cm").has_value());
  EXPECT_FALSE(DiapazOfAdifBand("").has_value());
  EXPECT_FALSE(DiapazOfFrequency(14.5).has_value());
  EXPECT_FALSE(DiapazOfFrequency(2400.0).has_value());
  EXPECT_EQ(BandOfDiapaz(0.0), nullptr);
}

TEST(QsoLists, QslStatesCarryTheirMarksAndIgnoreTrailingBlanks) {
  ASSERT_EQ(QslStates().size(), 4u);
  for (const QslState& state : QslStates()) {
    EXPECT_EQ(&QslStateOf(state.sent, state.received), &state);
    EXPECT_EQ(FindQslState(std::string(state.QSL) + "  "), &state);
  }
  EXPECT_EQ(QslStateOf(false, false).QSL, kDefaultQSL);
  EXPECT_EQ(FindQslState(""), nullptr);
  EXPECT_EQ(FindQslState("Y"), nullptr);
}

}  // namespace
}  // namespace kavo::log
