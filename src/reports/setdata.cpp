#include "reports/setdata.h"

#include "data/globals.h"
#include "runtime/datetime.h"

namespace kavo::reports {
namespace {

class SystemTodayService final : public TodayService {
 public:
  int32_t Today() override { return kavo::Today(); }
};

}  // namespace

TodayService& SystemToday() {
  static SystemTodayService service;
  return service;
}

void SETDATAStart(TodayService& today) {
  GlobalRequest = 0;
  GlobalResponse = 0;
  if (D2.load() == 0) {
    D2 = today.Today();
    D1 = D2.load() - kDefaultPeriodDays;
  }
}

void SETDATAEnd() {
  GlobalResponse = kRequestCancelled;
}

}  // namespace kavo::reports
