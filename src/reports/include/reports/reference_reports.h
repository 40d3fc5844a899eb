// The reports of the reference tables, instances of the report frame
// described as data like the log's reports (log_reports.h).
#pragma once

#include "reports/report_instance.h"

namespace kavo::reports {

// The islands of the IOTA group selected in the caller's group list
// (NA_:NAIM in its record buffer), in island order: name, prefix,
// territory and remark, one line each. Islands whose group name differs
// only in letter case belong to the group, as in the island list.
const ReportInstance& PRINTIOTA();

}  // namespace kavo::reports
