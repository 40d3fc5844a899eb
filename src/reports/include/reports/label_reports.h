// The QSL label sheets: one label per tagged contact of the log, in QSO
// number order, two or three to a row. Each run fills the label buffer
// PRINT.TMP from the tag store, reads it through the report frame and
// removes it at the end.
#pragma once

#include "reports/report_instance.h"

namespace kavo::reports {

// Three labels a row, 8 rows (24 labels) a page.
const ReportInstance& PECAT_NAKL();
// Two labels a row, 10 rows (20 labels) a page.
const ReportInstance& PEC1_NAKL();

}  // namespace kavo::reports
