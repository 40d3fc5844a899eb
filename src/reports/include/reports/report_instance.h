// A report described as data: everything in which one report procedure
// differs from another. The report frame (report_procedure.h) runs any
// instance; a new report is a new instance, never new frame code.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "data/procedure_files.h"
#include "reports/report_layout.h"

namespace kavo::reports {

// The program-wide selection variables a report may bind. The report copies
// them when it starts, so a caller that changes them later does not change a
// report already under way.
enum class SelectionVar { kD1, kD2, kDIAPAZ, kQSO, kZAGOL, kMODE };

// A name the filter or the layout may use for a selection variable.
struct BoundName {
  std::string name;  // as the expressions write it: "diapaz", "d1"
  SelectionVar var;
};

// A value copied from the primary table's record buffer when the report
// starts (the contact the calling browse had highlighted), bound under
// `name`: "Report:Save::AAA:PREF" := "AAA:PREF".
struct SavedSelection {
  std::string name;
  std::string field;
};

struct ReportInstance {
  std::string name;                 // procedure name: "PRINTDIAP"
  std::span<const FileUse> files;   // registered in this order; the first is the primary table
  FileId primary = FileId::AAAA;    // the table the view reads
  std::string table_name = "AAAA";  // named by standard warning 35
  bool period_dialog = false;       // SETDATA is called first
  std::vector<BoundName> bound;
  std::vector<SavedSelection> saved;
  std::string key;                 // the view's order: "AAA:BEY_DIAP"
  std::string filter;              // "AAA:DIAPAZ = diapaz"
  int32_t RecordsToProcess = 500;  // divisor of the progress percentage
  ReportLayout layout;
};

}  // namespace kavo::reports
