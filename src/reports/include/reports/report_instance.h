// A report described as data: everything in which one report procedure
// differs from another. The report frame (report_procedure.h) runs any
// instance; a new report is a new instance, never new frame code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "data/context.h"
#include "data/procedure_files.h"
#include "expr/expr_scope.h"
#include "reports/report_layout.h"
#include "runtime/status.h"

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

// A value copied from a record buffer when the report starts (the contact
// the calling browse had highlighted), bound under `name`:
// "Report:Save::AAA:PREF" := "AAA:PREF". The buffer is the primary table's
// unless `table` names another registered table (the island report takes
// the group its caller's group list selected).
struct SavedSelection {
  SavedSelection(std::string name, std::string field, std::optional<FileId> table = std::nullopt)
      : name(std::move(name)), field(std::move(field)), table(table) {}

  std::string name;
  std::string field;
  std::optional<FileId> table;
};

class LayoutEngine;

// A report that does not print one band per record (the label sheets) lays
// out through a routine of its own, made afresh for each run.
class DetailRoutine {
 public:
  virtual ~DetailRoutine() = default;
  // After the tables are registered: binds the routine's own variables in
  // `scopes`, prepares what the view will read, and returns the divisor of
  // the progress percentage.
  virtual int32_t Prepare(DataContext& context, expr::BindScopes& scopes) = 0;
  // The record just read is in the primary table's buffer: prints the bands
  // it completes, if any.
  virtual Status Detail(const uint8_t* record, LayoutEngine& engine) = 0;
  // After the tables are released, whatever the outcome.
  virtual void Finish(DataContext& context) = 0;
};

struct ReportInstance {
  std::string name;                 // procedure name: "PRINTDIAP"
  std::span<const FileUse> files;   // registered in this order; the first is the primary table
  FileId primary = FileId::AAAA;    // the table the view reads
  std::string table_name = "AAAA";  // named by standard warning 35
  // A further registered table whose first record is read before the
  // progress window opens and whose fields the layout may name (the QSL
  // card's station record).
  std::optional<FileId> station;
  bool period_dialog = false;  // SETDATA is called first
  std::vector<BoundName> bound;
  std::vector<SavedSelection> saved;
  std::string key;                 // the view's order: "AAA:BEY_DIAP"
  std::string filter;              // "AAA:DIAPAZ = diapaz"
  int32_t RecordsToProcess = 500;  // divisor of the progress percentage
  ReportLayout layout;
  std::function<std::unique_ptr<DetailRoutine>()> routine;  // none: one band per record
};

}  // namespace kavo::reports
