// The period dialog's logic: the first call of a run proposes the last 30
// days ending today, later calls keep what was chosen, and the outcome is 2.
#include <gtest/gtest.h>

#include "data/globals.h"
#include "reports/setdata.h"

namespace kavo::reports {
namespace {

class SetToday : public TodayService {
 public:
  int32_t Today() override { return day; }
  int32_t day = 82000;
};

TEST(SETDATA, FirstUseProposesTheLastThirtyDaysAndLaterUsesKeepTheChoice) {
  ResetGlobals();
  SetToday today;
  GlobalRequest = kChangeRecord;
  SETDATAStart(today);
  EXPECT_EQ(GlobalRequest.load(), 0);
  EXPECT_EQ(D2.load(), 82000);
  EXPECT_EQ(D1.load(), 82000 - 30);
  EXPECT_TRUE(ZAGOL.IsBlank());
  // The user picks another period; the next day the dialog shows it again.
  D1 = 81000;
  D2 = 81010;
  ZAGOL.Set("Contest");
  SETDATAEnd();
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  today.day = 82001;
  SETDATAStart(today);
  EXPECT_EQ(D1.load(), 81000);
  EXPECT_EQ(D2.load(), 81010);
  EXPECT_EQ(ZAGOL.Trimmed(), "Contest");
  ResetGlobals();
}

}  // namespace
}  // namespace kavo::reports
