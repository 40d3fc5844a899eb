// The reports of the QSO log, each an instance of the report frame described
// as data: view, key, filter, bound names, saved selections and layout.
#pragma once

#include <span>
#include <string_view>

#include "reports/report_instance.h"

namespace kavo::reports {

// The band report: every contact on the band DIAPAZ, in band order.
const ReportInstance& PRINTDIAP();

// The reports that can be run by name (`kavo print REPORT`).
std::span<const ReportInstance* const> LogReports();
// The report of that name (any case), or nullptr.
const ReportInstance* FindLogReport(std::string_view name);

}  // namespace kavo::reports
