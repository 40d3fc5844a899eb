// menurec, the label menu, without its window: which label sheet each of its
// buttons runs, and the procedure's start and end. The menu stays open after
// a sheet has run, so the operator may print the other sheet as well; only
// "Отмена" or the close box ends it.
//
// REQUIRES: the window thread (GlobalRequest and GlobalResponse are written
// there only).
#pragma once

#include <functional>

#include "reports/report_instance.h"

namespace kavo::reports {

// The menu's buttons, named as its window names them.
enum class LabelMenuButton {
  kBUTTON3,  // "В 2 ряда": PEC1_NAKL
  kBUTTON2,  // "В 3 ряда": PECAT_NAKL
  kBUTTON1,  // "Отмена"
};

class LabelMenu {
 public:
  // Runs a label report to its end in the menu's context.
  using Runner = std::function<void(const ReportInstance& report)>;

  // The start of a window procedure: GlobalRequest and GlobalResponse are
  // cleared. No caller hands the menu a request, so none is kept.
  explicit LabelMenu(Runner run);

  // A button was pressed: runs its sheet, if any. False when the menu
  // closes.
  bool Accepted(LabelMenuButton button);

  // After the window has closed: GlobalResponse is 2 (the menu completes no
  // request), whatever the label reports left there.
  void End();

 private:
  Runner run_;
};

}  // namespace kavo::reports
