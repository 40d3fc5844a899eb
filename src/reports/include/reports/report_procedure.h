// The report procedure frame: reads a report's view record by record, lays
// out one detail band per record onto pages kept in the preview queue, shows
// the progress, and at the end hands the pages to the preview and, when the
// user chooses, to the printer. Every report is this one class run over a
// ReportInstance; the windows stay outside.
//
// Driving it: Start(); then the progress window's events: WindowOpened()
// once, TimerEvent() every hundredth of a second and Cancel() from its
// button or close box, until close_requested(); the window closes; End().
// RunWithoutWindow() does the same without a window or pacing.
//
// States: kPreparing until WindowOpened(); kEmpty when nothing was found;
// kLayingOut while bands are laid out; kPreviewing while the preview shows
// the pages; kClosed after End().
//
// Outcome: GlobalResponse is 1 when the report was laid out to the end
// (whether or not it was printed) and 2 otherwise. Cancel discards the pages
// laid out so far. A read error other than the end of the view shows
// standard warning 35 and ends the view there: the pages so far are
// previewed. A page that cannot be stored (a full disk) shows a message and
// ends the report without a preview.
//
// The frame keeps its own binding scope for names of the filter and the
// layout, so that reports running side by side on one thread never see each
// other's names.
//
// REQUIRES: one thread at a time (the thread of `context`).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/context.h"
#include "data/procedure_files.h"
#include "expr/expr_scope.h"
#include "reports/layout_engine.h"
#include "reports/print_preview_queue.h"
#include "reports/report_instance.h"
#include "reports/report_view.h"

namespace kavo::reports {

// What the frame needs from outside: the period dialog, the preview and the
// printer. The program shows windows; tests and `kavo print` script them.
class ReportServices {
 public:
  virtual ~ReportServices() = default;
  // The period dialog: updates D1, D2 and ZAGOL.
  virtual void SETDATA() = 0;
  // Shows the pages; true when the user chose to print them.
  virtual bool ReportPreview(const PrintPreviewQueue& queue) = 0;
  // Sends the pages to the printer in queue order.
  virtual void PrintPages(const PrintPreviewQueue& queue) = 0;
};

// What the progress window shows. Texts are code page 1251.
struct ReportProgress {
  uint8_t Thermometer = 0;
  std::string PctText;
  std::string UserString;
  std::string caption;
  // Counts the changes of the values above: the window redraws when it moves.
  int changes = 0;
};

enum class ReportState { kPreparing, kEmpty, kLayingOut, kPreviewing, kClosed };

// How a report ended, for callers without a window to report it.
enum class ReportOutcome {
  kNotEnded,
  kEmpty,      // no record was found (or the first read failed)
  kPreviewed,  // laid out to the end and handed to the preview
  kCancelled,  // cancelled while laying out
  kFailed,     // a page could not be stored; a message said so
};

// Makes the view over the primary table (TableReportView when not given).
using ReportViewFactory = std::function<std::unique_ptr<ReportView>(DataFile& primary)>;

class ReportProcedure {
 public:
  // `page_folder`: where the page images go (the temporary folder if empty).
  ReportProcedure(const ReportInstance& instance, DataContext& context, ReportServices& services,
                  ReportViewFactory view_factory = nullptr, std::string page_folder = {});
  // Runs End() if it has not run.
  ~ReportProcedure();
  ReportProcedure(const ReportProcedure&) = delete;
  ReportProcedure& operator=(const ReportProcedure&) = delete;

  void Start();
  void WindowOpened();
  void TimerEvent();
  void Cancel();
  void End();
  void RunWithoutWindow();

  bool close_requested() const { return close_requested_; }
  ReportState state() const { return state_; }
  ReportOutcome outcome() const { return outcome_; }
  const ReportProgress& progress() const { return progress_; }

  int32_t LocalResponse() const { return LocalResponse_; }
  int32_t RecordsProcessed() const { return RecordsProcessed_; }
  uint8_t PercentProgress() const { return PercentProgress_; }
  int32_t CISLO() const { return engine_.CISLO(); }

  static constexpr int32_t kRecordsPerCycle = 25;
  // The progress window's timer period.
  static constexpr int kTimerMilliseconds = 10;

 private:
  void BindSelection();
  void SaveSelections();
  void GetNextRecord();
  void ValidateRecord();
  void ReadAcceptable();
  void ShowPercent();
  void PageError(const Status& st);
  void ProcedureReturn();

  const ReportInstance& instance_;
  DataContext& context_;
  ReportServices& services_;
  ReportViewFactory view_factory_;
  ProcedureFiles files_;
  expr::BindScopes scopes_;
  std::unique_ptr<ReportView> view_;
  LayoutEngine engine_;
  PrintPreviewQueue PrintPreviewQueue_;
  ReportState state_ = ReportState::kPreparing;
  ReportOutcome outcome_ = ReportOutcome::kNotEnded;
  ReportProgress progress_;
  bool close_requested_ = false;
  bool ended_ = false;

  // The selection variables as they were at the start, and the saved
  // selections (each a copy of the record buffer read at its field's place).
  struct Selection {
    double D1 = 0;
    double D2 = 0;
    double DIAPAZ = 0;
    int32_t QSO = 0;
    char ZAGOL[60];
    char MODE[5];
  } selection_;
  std::vector<std::vector<uint8_t>> saved_records_;

  int32_t LocalRequest_ = 0;
  int32_t LocalResponse_ = 0;
  int32_t RecordsToProcess_ = 0;
  int32_t RecordsPerCycle_ = 0;
  int32_t RecordsProcessed_ = 0;
  uint8_t PercentProgress_ = 0;
  uint8_t RecordStatus_ = 0;
};

}  // namespace kavo::reports
