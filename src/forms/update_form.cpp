#include "forms/update_form.h"

#include <cstring>
#include <utility>

#include "data/dict_records.h"
#include "data/globals.h"
#include "data/standard_warning.h"
#include "form_strings.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/message_box.h"

namespace kavo::forms {
namespace {

// RIUpdate results.
constexpr uint8_t kUpdateDone = 0;
constexpr uint8_t kUpdateFailed = 1;

// FromForm of the RIUpdate routines: the form shows the record.
constexpr uint8_t kFromForm = 1;

}  // namespace

void HistoryRecord::Prepare(const TableDef& def) {
  if (prepared()) return;
  bytes_.assign(def.record_length, 0);
  dict::ClearRecord(def, bytes_.data());
}

void HistoryRecord::Take(const uint8_t* record, std::size_t length) {
  bytes_.assign(record, record + length);
}

UpdateForm::UpdateForm(const FormDescription& description, DataContext& context, FormView& view)
    : description_(description),
      context_(context),
      view_(view),
      file_(FileOf(context, description.file)),
      record_length_(file_.def().record_length),
      files_(context, description.files),
      choices_(description.fields.size()) {
  bindings_.reserve(description.fields.size());
  for (const FieldDescription& field : description.fields) {
    bindings_.emplace_back(file_.def(), field);
  }
}

UpdateForm::~UpdateForm() {
  files_.Release();
}

int UpdateForm::FieldIndex(std::string_view use) const {
  for (std::size_t i = 0; i < bindings_.size(); ++i) {
    if (NameEquals(bindings_[i].description().use, use)) return static_cast<int>(i);
  }
  return -1;
}

std::string UpdateForm::FieldText(int field) {
  return binding(field).Display(record());
}

void UpdateForm::SetChoices(int field, std::vector<std::string> rows) {
  choices_.at(static_cast<std::size_t>(field)) = std::move(rows);
  view_.DisplayChoices(field);
}

const std::vector<std::string>& UpdateForm::Choices(int field) const {
  const FieldDescription& d = binding(field).description();
  if (d.kind == FieldKind::kDropList || d.kind == FieldKind::kOptions) return d.choices;
  return choices_.at(static_cast<std::size_t>(field));
}

void UpdateForm::Snapshot() {
  if (description_.RISnap) description_.RISnap(context_);
  SAV_RECORD.assign(record(), record() + record_length_);
}

void UpdateForm::ApplyDefaults() {
  for (const auto& [use, value] : description_.defaults) {
    const int at = FieldIndex(use);
    if (at >= 0) (void)binding(at).StoreCp1251(value, record());
  }
}

bool UpdateForm::Open() {
  LocalRequest = GlobalRequest.load();
  OriginalRequest = LocalRequest;
  LocalResponse = kRequestCancelled;
  GlobalRequest = 0;
  GlobalResponse = 0;
  if (description_.history) description_.history->Prepare(file_.def());
  files_.Open();
  if (description_.read_first_record) {
    Table& table = file_.file();
    // An empty file leaves the buffer as it is; saving then fails and says
    // so.
    if (table.Set().ok()) (void)table.Next();
  }
  Snapshot();

  if (LocalRequest == kInsertRecord && description_.insert_refused_warning != 0) {
    if (StandardWarning(description_.insert_refused_warning) != 0) {
      Close();
      return false;
    }
  }
  if (LocalRequest == kDeleteRecord && description_.delete_refused_warning != 0) {
    if (StandardWarning(description_.delete_refused_warning) != 0) {
      Close();
      return false;
    }
  }
  if (LocalRequest == kInsertRecord) {
    ApplyDefaults();
    SAV_RECORD.assign(record(), record() + record_length_);
    if (description_.hooks.PrimeFields && !description_.hooks.PrimeFields(*this)) {
      Close();
      return false;
    }
  } else if (LocalRequest == kDeleteRecord) {
    ServeDelete();
    Close();
    return false;
  }
  SetTitle();
  return true;
}

void UpdateForm::ServeDelete() {
  if (StandardWarning(warning::kConfirmDelete) != button::kOk) {
    LocalResponse = kRequestCancelled;
    return;
  }
  for (;;) {
    view_.SetWaitCursor(true);
    const int32_t result = description_.RIDelete ? description_.RIDelete(context_) : kUpdateFailed;
    view_.SetWaitCursor(false);
    if (result == 0) {
      LocalResponse = kRequestCompleted;
      return;
    }
    if (StandardWarning(warning::kRecordDeleteRetry) != button::kYes) {
      LocalResponse = kRequestCancelled;
      return;
    }
  }
}

void UpdateForm::SetTitle() {
  ActionMessage.clear();
  if (LocalRequest == kInsertRecord) {
    ActionMessage = description_.insert_title;
  } else if (LocalRequest == kChangeRecord || LocalRequest == kDeleteRecord) {
    ActionMessage = description_.change_title;
  }
  if (ActionMessage.empty()) {
    title_ = description_.design_title;
  } else {
    title_ = ActionMessage;
    if (LocalRequest == kInsertRecord) {
      title_ += description_.insert_suffix;
    } else if (!description_.change_suffix_field.empty()) {
      const int f = file_.def().FindField(description_.change_suffix_field);
      if (f >= 0) {
        const FieldDef& def = file_.def().fields[static_cast<std::size_t>(f)];
        std::string_view value(reinterpret_cast<const char*>(record() + def.offset), def.size);
        const std::size_t end = value.find_last_not_of(' ');
        value = end == std::string_view::npos ? std::string_view() : value.substr(0, end + 1);
        title_ += "  (" + std::string(value) + ")";
      }
    }
  }
  view_.SetTitle(title_);
}

void UpdateForm::WindowOpenedEvent() {
  WindowOpened = 1;
  if (WindowInitialized == 0) {
    WindowInitialized = 1;
    if (description_.hooks.WindowOpened) description_.hooks.WindowOpened(*this);
  }
  view_.DisplayAll();
  if (!bindings_.empty()) view_.SelectField(0);
}

void UpdateForm::GainFocusEvent() {
  // A field holding refused text keeps it for the user to mend.
  ForceRefresh = 1;
  for (int i = 0; i < FieldCount(); ++i) {
    if (i != refused_field_) view_.DisplayField(i);
  }
  ForceRefresh = 0;
}

void UpdateForm::FieldSelectedEvent(int field) {
  if (description_.hooks.FieldSelected) description_.hooks.FieldSelected(*this, field);
}

void UpdateForm::ShowFieldProblem(const FieldInput& input, int field) {
  if (!input.range.empty()) {
    StandardWarning(warning::kValueNotBetween, binding(field).Label(), input.range);
  } else {
    MessageBoxRequest box;
    box.title = Ru(text::kFieldErrorTitle);
    box.text = input.problem;
    box.icon = MessageIcon::kExclamation;
    CurrentMessageBoxService().Show(box);
  }
  view_.SelectField(field);
}

bool UpdateForm::AcceptField(int field, std::string_view utf8) {
  const FieldInput input = binding(field).Store(utf8, record());
  if (!input.ok) {
    refused_field_ = field;
    ShowFieldProblem(input, field);
    return false;
  }
  if (refused_field_ == field) refused_field_ = -1;
  if (description_.hooks.FieldAccepted && !description_.hooks.FieldAccepted(*this, field)) {
    view_.Beep();
    view_.SelectField(field);
    return false;
  }
  return true;
}

void UpdateForm::DittoEvent(int field) {
  if (field < 0 || field >= FieldCount() || !description_.history) return;
  binding(field).CopyField(description_.history->bytes(), record());
  view_.DisplayField(field);
}

bool UpdateForm::AcceptAll(const std::vector<std::string>& utf8_texts) {
  // The texts were read from the window before the pass. Taking a field may
  // fill in a later one (the callsign fills in the country): that field is
  // then taken as it is shown now, not as it was read.
  std::vector<std::string> before;
  for (int i = 0; i < FieldCount(); ++i) before.push_back(FieldText(i));
  for (int i = 0; i < FieldCount() && i < static_cast<int>(utf8_texts.size()); ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    const std::string now = FieldText(i);
    const std::string text = now != before[at] ? Utf8FromCp1251(now) : utf8_texts[at];
    if (!AcceptField(i, text)) return false;
  }
  return true;
}

void UpdateForm::OkPressed(const std::vector<std::string>& utf8_texts) {
  if (closed_) return;
  if (LocalRequest == kInsertRecord || LocalRequest == kChangeRecord) {
    if (!AcceptAll(utf8_texts)) return;
  }
  Completion();
}

void UpdateForm::NavigatePressed(int32_t vcr_request, const std::vector<std::string>& utf8_texts) {
  VCRRequest = vcr_request;
  OkPressed(utf8_texts);
  // A save that did not go through keeps the form open: no navigation.
  if (!close_posted_) VCRRequest = kVCRNone;
}

void UpdateForm::CancelPressed() {
  LocalResponse = kRequestCancelled;
  VCRRequest = kVCRNone;
  PostClose();
}

void UpdateForm::Completion() {
  if (description_.history) description_.history->Take(record(), record_length_);
  if (LocalRequest == kInsertRecord) {
    SaveInsert();
  } else {
    SaveChange();
  }
}

void UpdateForm::SaveInsert() {
  InsertOutcome outcome;
  if (description_.hooks.InsertRecord) {
    outcome = description_.hooks.InsertRecord(*this);
  } else {
    const Status st = file_.file().Add();
    if (st.ok()) {
      outcome = InsertOutcome::kSaved;
    } else {
      ReportInsertFailure(st.code());
      outcome = InsertOutcome::kFailed;
    }
  }
  switch (outcome) {
    case InsertOutcome::kSaved:
      LocalResponse = kRequestCompleted;
      PostClose();
      break;
    case InsertOutcome::kSavedStayOpen:
      view_.DisplayAll();
      BackToFirstField();
      break;
    case InsertOutcome::kFailed:
      break;
  }
}

void UpdateForm::ReportInsertFailure(int error_code) {
  bool reported = false;
  if (error_code == err::kDuplicateKey && !description_.duplicate_keys.empty()) {
    for (const DuplicateKeyName& key : description_.duplicate_keys) {
      const int k = file_.def().FindKey(key.key);
      bool duplicate = false;
      if (k >= 0 && file_.file().Duplicate(k, &duplicate).ok() && duplicate) {
        if (StandardWarning(warning::kDuplicateKey, key.shown) != 0) BackToFirstField();
        return;
      }
    }
    // A duplicate no named key reports: the form stays as it is.
    reported = true;
  }
  if (!reported) StandardWarning(warning::kRecordInsertError);
  BackToFirstField();
}

void UpdateForm::SaveChange() {
  for (;;) {
    if (LocalRequest == kChangeRecord) {
      LocalResponse = kRequestCancelled;
      view_.SetWaitCursor(true);
      RecordChanged = std::memcmp(record(), SAV_RECORD.data(), record_length_) != 0 ? 1 : 0;
      Update_Error = kUpdateDone;
      if (RecordChanged) {
        Update_Error = description_.RIUpdate
                           ? static_cast<uint8_t>(description_.RIUpdate(context_, kFromForm))
                           : kUpdateFailed;
      }
      view_.SetWaitCursor(false);
    } else {
      RecordChanged = 0;
      Update_Error = kUpdateDone;
    }
    if (Update_Error == kUpdateFailed) {
      const int answer = StandardWarning(warning::kRecordUpdateRetry);
      if (answer == button::kYes) continue;
      if (answer == button::kNo) {
        PostClose();
      } else {
        view_.DisplayAll();
        BackToFirstField();
      }
      return;
    }
    if (Update_Error != kUpdateDone) {
      // Another station changed the record: the buffer holds its version,
      // which is now what a further change is compared with (and, for a
      // country, the name a rename cascades from).
      Snapshot();
      view_.DisplayAll();
      BackToFirstField();
      return;
    }
    if (RecordChanged || VCRRequest.load() == kVCRNone) LocalResponse = kRequestCompleted;
    PostClose();
    return;
  }
}

void UpdateForm::PostClose() {
  close_posted_ = true;
  view_.PostClose();
}

void UpdateForm::BackToFirstField() {
  if (bindings_.empty()) return;
  view_.SelectField(0);
  // Selected again even where the focus never left it: Enter in the first
  // field of an insert loop saves and comes back to it.
  FieldSelectedEvent(0);
}

void UpdateForm::Close() {
  if (closed_) return;
  closed_ = true;
  if (description_.hooks.Closing) description_.hooks.Closing(*this);
  files_.Release();
  GlobalResponse = LocalResponse == 0 ? kRequestCancelled : LocalResponse;
}

}  // namespace kavo::forms
