#include "app/report_run.h"

#include <QEventLoop>
#include <QMdiArea>

#include "app/label_menu_window.h"
#include "app/page_output.h"
#include "app/qt_text.h"
#include "app/report_preview.h"
#include "app/setdata_window.h"
#include "reports/log_reports.h"

namespace kavo {

void WindowReportServices::SETDATA() {
  kavo::SETDATA(parent_);
}

bool WindowReportServices::ReportPreview(const reports::PrintPreviewQueue& queue) {
  return kavo::ReportPreview(queue, parent_) == kRequestCompleted;
}

void WindowReportServices::PrintPages(const reports::PrintPreviewQueue& queue) {
  PrintReport(queue, parent_);
}

ReportRun::ReportRun(const reports::ReportInstance& instance, DataContext* context,
                     std::unique_ptr<reports::ReportServices> services, QWidget* parent)
    : parent_(parent),
      own_context_(context == nullptr ? std::make_unique<DataContext>() : nullptr),
      services_(std::move(services)),
      procedure_(instance, context == nullptr ? *own_context_ : *context, *services_) {
  timer_.setInterval(reports::ReportProcedure::kTimerMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &ReportRun::Tick);
}

ReportRun::~ReportRun() {
  delete window_;
}

void ReportRun::Begin() {
  procedure_.Start();
  window_ = new ProgressWindow(FromCp1251(procedure_.progress().caption), parent_);
  // A called report holds its caller; a started one runs beside the others.
  window_->setModal(own_context_ == nullptr);
  connect(window_, &ProgressWindow::CancelRequested, this, [this] {
    procedure_.Cancel();
    Tick();
  });
  ShowProgress();
  window_->show();
  timer_.start();
}

void ReportRun::Tick() {
  if (!opened_) {
    opened_ = true;
    procedure_.WindowOpened();
  } else {
    procedure_.TimerEvent();
  }
  ShowProgress();
  if (procedure_.close_requested()) {
    timer_.stop();
    window_->done(0);
    // The preview opens once the progress window has gone.
    QTimer::singleShot(0, this, &ReportRun::Finish);
  }
}

void ReportRun::ShowProgress() {
  const reports::ReportProgress& p = procedure_.progress();
  if (p.changes == shown_changes_) return;
  shown_changes_ = p.changes;
  window_->SetThermometer(p.Thermometer);
  window_->SetPctText(FromCp1251(p.PctText));
  window_->SetUserString(FromCp1251(p.UserString));
}

void ReportRun::Finish() {
  procedure_.End();
  emit Finished();
  deleteLater();
}

void RunReport(const reports::ReportInstance& instance, const ProcedureContext& context) {
  QWidget* parent = context.mdi_area != nullptr ? context.mdi_area->window() : nullptr;
  auto services = std::make_unique<WindowReportServices>(parent);
  if (context.launch == Launch::kStart) {
    (new ReportRun(instance, nullptr, std::move(services), parent))->Begin();
    return;
  }
  DataContext* caller = context.data != nullptr ? context.data : &ThisThreadData();
  auto* run = new ReportRun(instance, caller, std::move(services), parent);
  QEventLoop loop;
  QObject::connect(run, &ReportRun::Finished, &loop, &QEventLoop::quit);
  run->Begin();
  loop.exec();
}

void RegisterReports(ProcedureRegistry& registry) {
  for (const reports::ReportInstance* report : reports::LogReports()) {
    registry.Register(report->name,
                      [report](const ProcedureContext& context) { RunReport(*report, context); });
  }
  // The label menu is modal in its caller's context; the sheets it runs are
  // called there too and read the log through the caller's files.
  registry.Register("menurec", [](const ProcedureContext& context) {
    ProcedureContext sheet = context;
    sheet.launch = Launch::kCall;
    QWidget* parent = context.mdi_area != nullptr ? context.mdi_area->window() : nullptr;
    menurec(parent, [sheet](const reports::ReportInstance& report) { RunReport(report, sheet); });
  });
}

}  // namespace kavo
