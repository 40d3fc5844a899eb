// Running a report procedure in the program: the report frame
// (reports/report_procedure.h) driven by its progress window "Готовлю отчет"
// with a timer every hundredth of a second, the period dialog, the print
// preview and the printer as its services.
//
// A started report ("on a thread of its own") gets a procedure context of its
// own and runs beside the other windows; a called report runs in the
// caller's context and the caller waits for it, its events still served.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "app/procedure_registry.h"
#include "app/progress_window.h"
#include "data/context.h"
#include "reports/report_instance.h"
#include "reports/report_procedure.h"

namespace kavo {

// The program's report services: SETDATA's window, ReportPreview and the
// platform's print dialog.
class WindowReportServices final : public reports::ReportServices {
 public:
  explicit WindowReportServices(QWidget* parent) : parent_(parent) {}
  void SETDATA() override;
  bool ReportPreview(const reports::PrintPreviewQueue& queue) override;
  void PrintPages(const reports::PrintPreviewQueue& queue) override;

 private:
  QPointer<QWidget> parent_;
};

// One run of a report: owns the frame, its services, its progress window and,
// for a started report, its procedure context. Deletes itself when the
// report has ended and emits Finished() first.
class ReportRun : public QObject {
  Q_OBJECT

 public:
  // context: the caller's, or nullptr for a context of the report's own.
  ReportRun(const reports::ReportInstance& instance, DataContext* context,
            std::unique_ptr<reports::ReportServices> services, QWidget* parent);
  ~ReportRun() override;

  // Starts the report; returns at once.
  void Begin();

  ProgressWindow* window() const { return window_; }

 signals:
  void Finished();

 private:
  void Tick();
  void ShowProgress();
  void Finish();

  QPointer<QWidget> parent_;
  std::unique_ptr<DataContext> own_context_;
  std::unique_ptr<reports::ReportServices> services_;
  reports::ReportProcedure procedure_;
  QPointer<ProgressWindow> window_;
  QTimer timer_;
  bool opened_ = false;
  int shown_changes_ = -1;
};

// Runs `instance` as the procedure context says: started (own context, the
// caller goes on) or called (caller's context, the caller waits).
void RunReport(const reports::ReportInstance& instance, const ProcedureContext& context);

// Registers every report that can be run by name, and the label menu.
void RegisterReports(ProcedureRegistry& registry);

}  // namespace kavo
