// Printing the text viewer's lines (`ASC1:REPORT`): one detail band per line
// in the program's fixed-pitch font, laid out by the layout engine into page
// images like every other report.
//
// A line wider than the band continues on the bands below it, so nothing of
// it is cut; a tab moves to the next multiple of kTabColumns.
#pragma once

#include <string>
#include <vector>

#include "reports/print_preview_queue.h"
#include "reports/report_layout.h"
#include "runtime/status.h"

namespace kavo::reports {

inline constexpr int kTabColumns = 8;

// The layout of `ASC1:REPORT`, its positions converted from thousandths of
// an inch; the field is "ASC1:STRING".
ReportLayout AsciiReportLayout();

// Characters of the fixed-pitch font that one band holds.
int AsciiPrintColumns();

// The bands of one line: its tabs expanded, cut into pieces of at most
// AsciiPrintColumns() characters (an empty line gives one empty band).
std::vector<std::string> AsciiPrintBands(const std::string& line);

// Lays out every line of lines in order into queue.
Status LayOutAsciiLines(const std::vector<std::string>& lines, PrintPreviewQueue* queue);

}  // namespace kavo::reports
