// The reports of the QSO log, each an instance of the report frame described
// as data: view, key, filter, bound names, saved selections and layout.
#pragma once

#include <span>
#include <string_view>

#include "reports/report_instance.h"

namespace kavo::reports {

// The band report: every contact on the band DIAPAZ, in band order.
const ReportInstance& PRINTDIAP();
// The period reports (SETDATA first): contacts of the highlighted contact's
// Russian region, all contacts by mode and band, by date and time, and by
// country in three orders.
const ReportInstance& STRANA21();
const ReportInstance& STRANA22();
const ReportInstance& PRINTAAA_BEY_D();
const ReportInstance& STRANA();
const ReportInstance& STRANA1();
const ReportInstance& STRANA2();
// The contacts that share the highlighted contact's country, or its mode.
const ReportInstance& PRINTAAA_BEY_SS();
const ReportInstance& PRINTMODE();
// The QSL card of the contact numbered QSO.
const ReportInstance& REPORTQSL();

// The reports that can be run by name (`kavo print REPORT`).
std::span<const ReportInstance* const> LogReports();
// The report of that name (any case), or nullptr.
const ReportInstance* FindLogReport(std::string_view name);

}  // namespace kavo::reports
