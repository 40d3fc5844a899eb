// The label menu: each sheet button runs its sheet and keeps the menu open
// for the other; the menu's outcome is "cancelled" whatever the sheets left.
#include <gtest/gtest.h>

#include <vector>

#include "data/globals.h"
#include "reports/label_menu.h"
#include "reports/label_reports.h"

namespace kavo::reports {
namespace {

TEST(LabelMenuTest, SheetsRunWhileTheMenuStaysOpenUntilCancel) {
  ResetGlobals();
  GlobalRequest = kSelectRecord;
  std::vector<const ReportInstance*> ran;
  LabelMenu menu([&](const ReportInstance& report) {
    ran.push_back(&report);
    GlobalResponse = kRequestCompleted;  // as a sheet laid out to the end leaves it
  });
  EXPECT_EQ(GlobalRequest.load(), 0);
  EXPECT_TRUE(menu.Accepted(LabelMenuButton::kBUTTON3));
  EXPECT_TRUE(menu.Accepted(LabelMenuButton::kBUTTON2));
  EXPECT_TRUE(menu.Accepted(LabelMenuButton::kBUTTON3));
  EXPECT_FALSE(menu.Accepted(LabelMenuButton::kBUTTON1));
  EXPECT_EQ(ran, (std::vector<const ReportInstance*>{&PEC1_NAKL(), &PECAT_NAKL(), &PEC1_NAKL()}));
  menu.End();
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  ResetGlobals();
}

}  // namespace
}  // namespace kavo::reports
