// UpdateForm: the one logic of every update form (insert, change or delete
// one record of one table), configured by a FormDescription
// (form_description.h) and shown by any FormView.
//
// The window-procedure skeleton:
//  - Open() copies GlobalRequest into LocalRequest and OriginalRequest, sets
//    LocalResponse to 2, clears GlobalRequest and GlobalResponse, opens the
//    procedure's files, snapshots the record (RISnap, SAV::<pre>:RECORD) and
//    serves the request: 1 primes a new record (defaults, then the
//    PrimeFields hook), 2 changes the record in the buffer, 3 deletes it
//    after standard warning 32 through RIDelete (warning 18 offers a retry)
//    without showing a window. A request the description refuses raises its
//    warning (19 insert, 21 delete) and ends the procedure.
//  - The window's events come in through the *Event and *Pressed functions.
//  - OK takes every field (the accept-all pass: a field that is refused
//    keeps the focus and stops the pass), copies the record into the
//    history, and saves: an insert adds the record (error 40 on a key named
//    in the description: warning 24 with that name; otherwise warning 14),
//    a change is written through RIUpdate only when the record differs from
//    SAV (the guarded change; failure: warning 16, Yes saves again, No
//    closes, Cancel returns to the first field; a record changed by another
//    station is shown as it now is and the form stays open).
//  - Close() runs the closing steps once: the Closing hook, release of the
//    files, GlobalResponse = LocalResponse (2 when it is 0).
//
// The record is the one in the buffer of the description's table in the
// given DataContext: a called form shares its caller's context and so sees
// the record its caller left there, and leaves its result there.
//
// Threading: REQUIRES the window thread; one UpdateForm serves one window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/context.h"
#include "data/procedure_files.h"
#include "forms/field_binding.h"
#include "forms/form_description.h"
#include "forms/form_view.h"

namespace kavo::forms {

// VCRRequest when no navigation is asked for.
inline constexpr int32_t kVCRNone = 0;

class UpdateForm {
 public:
  UpdateForm(const FormDescription& description, DataContext& context, FormView& view);
  // Releases the files if Close() never ran.
  ~UpdateForm();
  UpdateForm(const UpdateForm&) = delete;
  UpdateForm& operator=(const UpdateForm&) = delete;

  // The opening steps. True when the window is to be shown; false when the
  // procedure has already ended (a delete served, a request refused, a
  // priming that gave up): Close() has then run.
  bool Open();

  // ---- Events of the window ----
  // The window has opened: initialise once, run the WindowOpened hook and
  // select the first field.
  void WindowOpenedEvent();
  // The window got the focus back: every field is shown again, but one
  // whose text was refused keeps what the user typed.
  void GainFocusEvent();
  void FieldSelectedEvent(int field);
  // The user left a field after changing it. False: the text was refused
  // (a message was shown and the focus is back in the field, with the text
  // as typed).
  bool AcceptField(int field, std::string_view utf8);
  // The ditto key (or the frame's history command) in a field: the field's
  // value from the history record.
  void DittoEvent(int field);
  // OK with the text of every field, in field order.
  void OkPressed(const std::vector<std::string>& utf8_texts);
  // A navigation command of the frame's toolbar (2000, 2004..2009): the
  // form saves as for OK and asks its browse to move and call it again.
  void NavigatePressed(int32_t vcr_request, const std::vector<std::string>& utf8_texts);
  void CancelPressed();
  // The closing steps; runs once, later calls do nothing.
  void Close();

  // ---- For the window and the hooks ----
  const FormDescription& description() const { return description_; }
  DataContext& context() { return context_; }
  DataFile& file() { return file_; }
  uint8_t* record() { return file_.file().record(); }
  std::size_t record_length() const { return record_length_; }
  FormView& view() { return view_; }

  int FieldCount() const { return static_cast<int>(bindings_.size()); }
  // The field of this name ("DXC:PR"), or -1.
  int FieldIndex(std::string_view use) const;
  const FieldBinding& binding(int field) const {
    return bindings_.at(static_cast<std::size_t>(field));
  }
  // The value as the window shows it (code page 1251).
  std::string FieldText(int field);
  // The title as the window shows it now.
  const std::string& Title() const { return title_; }
  bool closed() const { return closed_; }

  // The suggestions of a drop combo (code page 1251); hooks fill them.
  void SetChoices(int field, std::vector<std::string> rows);
  const std::vector<std::string>& Choices(int field) const;

  // RISnap of the table and SAV::<pre>:RECORD := the record.
  void Snapshot();
  // After a failed insert write: standard warning 24 naming the duplicate
  // key, or 14; the focus returns to the first field.
  void ReportInsertFailure(int error_code);
  // Applies the description's defaults to the record.
  void ApplyDefaults();

  // ---- The procedure's state, under its names ----
  int32_t LocalRequest = 0;
  int32_t OriginalRequest = 0;
  int32_t LocalResponse = 0;
  int32_t WindowOpened = 0;
  int32_t WindowInitialized = 0;
  int32_t ForceRefresh = 0;
  int32_t FilesOpened() const { return files_.FilesOpened; }
  std::string ActionMessage;
  // SAV::<pre>:RECORD: the record as read or primed.
  std::vector<uint8_t> SAV_RECORD;
  uint8_t RecordChanged = 0;
  uint8_t Update_Error = 0;

 private:
  void ServeDelete();
  void SetTitle();
  // The accept-all pass; false when a field was refused.
  bool AcceptAll(const std::vector<std::string>& utf8_texts);
  void Completion();
  void SaveInsert();
  void SaveChange();
  void BackToFirstField();
  void PostClose();
  void ShowFieldProblem(const FieldInput& input, int field);

  const FormDescription& description_;
  DataContext& context_;
  FormView& view_;
  DataFile& file_;
  std::size_t record_length_;
  ProcedureFiles files_;
  std::vector<FieldBinding> bindings_;
  std::vector<std::vector<std::string>> choices_;
  std::string title_;
  // The field whose text was refused last and not taken since; -1 none.
  int refused_field_ = -1;
  bool close_posted_ = false;
  bool closed_ = false;
};

}  // namespace kavo::forms
