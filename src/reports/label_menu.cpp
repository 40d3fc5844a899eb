#include "reports/label_menu.h"

#include <utility>

#include "data/globals.h"
#include "reports/label_reports.h"

namespace kavo::reports {

LabelMenu::LabelMenu(Runner run) : run_(std::move(run)) {
  GlobalRequest = 0;
  GlobalResponse = 0;
}

bool LabelMenu::Accepted(LabelMenuButton button) {
  switch (button) {
    case LabelMenuButton::kBUTTON3:
      run_(PEC1_NAKL());
      return true;
    case LabelMenuButton::kBUTTON2:
      run_(PECAT_NAKL());
      return true;
    case LabelMenuButton::kBUTTON1:
      break;
  }
  return false;
}

void LabelMenu::End() {
  GlobalResponse = kRequestCancelled;
}

}  // namespace kavo::reports
