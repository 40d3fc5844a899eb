#include "reports/report_procedure.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "data/globals.h"
#include "data/standard_warning.h"
#include "expr/expr_view.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/message_box.h"
#include "runtime/picture.h"

namespace kavo::reports {
namespace {

constexpr uint8_t kFullPercent = 100;

// The texts of the progress window and of the page failure box (UTF-8 here,
// code page 1251 where they are used).
constexpr char kCaption[] = "Готовлю отчет";
constexpr char kStartPercent[] = "0% выполнено";
constexpr char kPercentSuffix[] = "% выполнено";
constexpr char kPercentPicture[] = "N3";
constexpr char kPageErrorTitle[] = "Отчет";
constexpr char kPageErrorText[] = "Не удалось сохранить страницу отчета: ";

// Leaves a failed operation's status as the last error, as the warnings quote it.
void PostStatus(const Status& st, const DataFile& file) {
  if (st.is_check()) {
    PostFileSystemError(file.Name(), st.detail());
  } else {
    PostError(st.code());
  }
}

void CopyText(std::string_view text, char* out, size_t size) {
  std::memset(out, ' ', size);
  std::memcpy(out, text.data(), std::min(size, text.size()));
}

}  // namespace

ReportProcedure::ReportProcedure(const ReportInstance& instance, DataContext& context,
                                 ReportServices& services, ReportViewFactory view_factory,
                                 std::string page_folder)
    : instance_(instance),
      context_(context),
      services_(services),
      view_factory_(std::move(view_factory)),
      files_(context, instance.files),
      PrintPreviewQueue_(std::move(page_folder)) {}

ReportProcedure::~ReportProcedure() {
  if (state_ != ReportState::kPreparing || files_.FilesOpened != 0) End();
}

void ReportProcedure::BindSelection() {
  selection_.D1 = D1.load();
  selection_.D2 = D2.load();
  selection_.DIAPAZ = DIAPAZ.load();
  selection_.QSO = QSO.load();
  CopyText(ZAGOL.View(), selection_.ZAGOL, sizeof selection_.ZAGOL);
  CopyText(MODE.View(), selection_.MODE, sizeof selection_.MODE);
  for (const BoundName& b : instance_.bound) {
    expr::VarRef var;
    switch (b.var) {
      case SelectionVar::kD1:
        var = expr::VarRef::Real(&selection_.D1);
        break;
      case SelectionVar::kD2:
        var = expr::VarRef::Real(&selection_.D2);
        break;
      case SelectionVar::kDIAPAZ:
        var = expr::VarRef::Real(&selection_.DIAPAZ);
        break;
      case SelectionVar::kQSO:
        var = expr::VarRef::Long(&selection_.QSO);
        break;
      case SelectionVar::kZAGOL:
        var = expr::VarRef::String(selection_.ZAGOL, sizeof selection_.ZAGOL);
        break;
      case SelectionVar::kMODE:
        var = expr::VarRef::String(selection_.MODE, sizeof selection_.MODE);
        break;
    }
    scopes_.Bind(b.name, var);
  }
}

void ReportProcedure::SaveSelections() {
  saved_records_.reserve(instance_.saved.size());
  for (const SavedSelection& s : instance_.saved) {
    Table& table = FileOf(context_, s.table.value_or(instance_.primary)).file();
    const uint8_t* record = table.record();
    saved_records_.emplace_back(record, record + table.record_length());
    int field = table.def().FindField(s.field);
    expr::VarRef var;
    if (field >= 0 && expr::FieldVar(table.def().fields[static_cast<size_t>(field)],
                                     saved_records_.back().data(), &var)) {
      scopes_.Bind(s.name, var);
    }
  }
}

void ReportProcedure::ReadStation(DataFile& station) {
  Table& table = station.file();
  Status st = table.Set();
  if (st.ok()) st = table.Next();
  if (!st.ok()) {
    table.ClearRecord();
    if (st.code() != err::kRecordNotAvailable) {
      PostStatus(st, station);
      StandardWarning(warning::kRecordRetrievalError, instance_.table_name);
    }
  }
  expr::BindTable(scopes_, station.def(), table.record());
}

void ReportProcedure::Start() {
  // 1. The period dialog, then the selection's names.
  if (instance_.period_dialog) services_.SETDATA();
  BindSelection();
  // 2.
  LocalRequest_ = GlobalRequest.load();
  LocalResponse_ = kRequestCancelled;
  GlobalRequest = 0;
  GlobalResponse = 0;
  // 3. The tables, and the primary table's fields under their own names.
  files_.Open();
  DataFile& primary = FileOf(context_, instance_.primary);
  expr::BindTable(scopes_, primary.def(), primary.file().record());
  view_ = view_factory_ ? view_factory_(primary) : std::make_unique<TableReportView>(primary);
  // 4.
  SaveSelections();
  if (instance_.station) ReadStation(FileOf(context_, *instance_.station));
  // 5.
  RecordsToProcess_ = instance_.RecordsToProcess;
  if (instance_.routine) {
    routine_ = instance_.routine();
    RecordsToProcess_ = routine_->Prepare(context_, scopes_);
  }
  RecordsPerCycle_ = kRecordsPerCycle;
  RecordsProcessed_ = 0;
  PercentProgress_ = 0;
  // 6.
  progress_.Thermometer = 0;
  progress_.PctText = Cp1251FromUtf8(kStartPercent);
  progress_.caption = Cp1251FromUtf8(kCaption);
  progress_.UserString.clear();
  ++progress_.changes;
  // 7. The answer is of no use to a report.
  primary.Send("QUICKSCAN=on");
}

void ReportProcedure::WindowOpened() {
  // A window closed before it opened has cancelled the report.
  if (state_ != ReportState::kPreparing || close_requested_) return;
  DataFile& primary = FileOf(context_, instance_.primary);
  Status st = view_->SetOrder(instance_.key);
  if (st.ok()) st = view_->SetFilter(instance_.filter, scopes_);
  if (!st.ok()) {
    PostStatus(st, primary);
    StandardWarning(warning::kViewOpenError);
  }
  st = view_->Open();
  if (!st.ok()) {
    PostStatus(st, primary);
    StandardWarning(warning::kViewOpenError);
  }
  ReadAcceptable();
  if (LocalResponse_ == kRequestCancelled) {
    state_ = ReportState::kEmpty;
    outcome_ = ReportOutcome::kEmpty;
    close_requested_ = true;
    return;
  }
  st = engine_.Open(instance_.layout, [this](std::string_view name, expr::VarRef* out) {
    const expr::Binding* b = scopes_.Lookup(name);
    if (b == nullptr || b->kind != expr::Binding::Kind::kVariable) return false;
    *out = b->var;
    return true;
  });
  if (!st.ok()) {
    PageError(st);
    return;
  }
  engine_.DirectPages(&PrintPreviewQueue_);
  state_ = ReportState::kLayingOut;
}

void ReportProcedure::TimerEvent() {
  if (state_ != ReportState::kLayingOut || close_requested_) return;
  for (int32_t i = 0; i < RecordsPerCycle_; ++i) {
    DataFile& primary = FileOf(context_, instance_.primary);
    Status st =
        routine_ ? routine_->Detail(primary.file().record(), engine_) : engine_.PrintDetail();
    if (!st.ok()) {
      PageError(st);
      return;
    }
    ReadAcceptable();
    if (LocalResponse_ == kRequestCancelled) {
      LocalResponse_ = kRequestCompleted;
      break;
    }
    LocalResponse_ = kRequestCancelled;
  }
  if (LocalResponse_ == kRequestCompleted) close_requested_ = true;
}

void ReportProcedure::Cancel() {
  if (outcome_ == ReportOutcome::kNotEnded) outcome_ = ReportOutcome::kCancelled;
  LocalResponse_ = kRequestCancelled;
  close_requested_ = true;
}

void ReportProcedure::ReadAcceptable() {
  do {
    GetNextRecord();
    ValidateRecord();
  } while (RecordStatus_ != 0 && RecordStatus_ != 1);
}

void ReportProcedure::GetNextRecord() {
  Status st = view_->Next();
  if (!st.ok()) {
    if (st.code() != err::kRecordNotAvailable) {
      PostStatus(st, FileOf(context_, instance_.primary));
      StandardWarning(warning::kRecordRetrievalError, instance_.table_name);
    }
    LocalResponse_ = kRequestCancelled;
    return;
  }
  LocalResponse_ = kRequestCompleted;
  ++RecordsProcessed_;
  if (PercentProgress_ < kFullPercent) {
    int64_t percent = RecordsToProcess_ > 0
                          ? int64_t{RecordsProcessed_} * kFullPercent / RecordsToProcess_
                          : kFullPercent;
    PercentProgress_ = static_cast<uint8_t>(std::min<int64_t>(percent, kFullPercent));
    if (PercentProgress_ != progress_.Thermometer) ShowPercent();
  }
}

void ReportProcedure::ValidateRecord() {
  RecordStatus_ = LocalResponse_ == kRequestCancelled ? 1 : 0;
}

void ReportProcedure::ShowPercent() {
  progress_.Thermometer = PercentProgress_;
  progress_.PctText =
      FormatNumber(kPercentPicture, PercentProgress_) + Cp1251FromUtf8(kPercentSuffix);
  ++progress_.changes;
}

void ReportProcedure::PageError(const Status& st) {
  MessageBoxRequest box;
  box.title = Cp1251FromUtf8(kPageErrorTitle);
  box.text = Cp1251FromUtf8(kPageErrorText) + ErrorText(st.code()) + " (" +
             std::to_string(st.code()) + ")";
  box.icon = MessageIcon::kStop;
  CurrentMessageBoxService().Show(box);
  outcome_ = ReportOutcome::kFailed;
  LocalResponse_ = kRequestCancelled;
  close_requested_ = true;
}

void ReportProcedure::End() {
  if (ended_) return;
  ended_ = true;
  // 11.
  if (files_.FilesOpened != 0) FileOf(context_, instance_.primary).Send("QUICKSCAN=off");
  // 12.
  if (LocalResponse_ == kRequestCompleted) {
    Status st = engine_.FinishPage();
    if (!st.ok()) {
      PageError(st);
    } else {
      state_ = ReportState::kPreviewing;
      outcome_ = ReportOutcome::kPreviewed;
      if (services_.ReportPreview(PrintPreviewQueue_)) services_.PrintPages(PrintPreviewQueue_);
    }
  }
  // 13.
  engine_.Close();
  PrintPreviewQueue_.Clear();
  // 14, 15.
  ProcedureReturn();
  view_.reset();
  state_ = ReportState::kClosed;
}

void ReportProcedure::ProcedureReturn() {
  if (files_.FilesOpened == 1) files_.Release();
  if (routine_) routine_->Finish(context_);
  GlobalResponse = LocalResponse_ != 0 ? LocalResponse_ : kRequestCancelled;
}

void ReportProcedure::RunWithoutWindow() {
  Start();
  WindowOpened();
  while (!close_requested_) TimerEvent();
  End();
}

}  // namespace kavo::reports
