// The description of one update form, as data: the one form logic
// (UpdateForm, update_form.h) and the one form window of the program serve
// every instance (UpdateDXCC, fSETUP, UpdateAAAA, f_iot, F_ADRESS,
// f_gorod), so a new form is a new description, never a copy of code.
//
// How to describe a form instance
// -------------------------------
// Write one function that builds the description once and returns it:
//
//   const FormDescription& UpdateDXCCForm() {
//     static const FormDescription d = [] {
//       FormDescription d;
//       d.procedure = "UpdateDXCC";                 // kavo.INI section
//       d.file = FileId::DXCC;                      // the buffer it edits
//       d.files = procedure_files::UpdateDXCC;      // opened for its life
//       d.design_title = Ru("Ввод и обновление DXCC");
//       d.insert_title = "Adding a DXCC Record";    // ActionMessage
//       d.change_title = "Changing a DXCC Record";
//       d.tab = "DXCC";
//       d.fields = {{"DXC:PR", Ru("Префикс"), "@s2"},
//                   {"DXC:STRANA", Ru("Страна"), "@s20"}};
//       // other kinds: {"SET:GMT", "+-GMT", "@n4.1", FieldKind::kSpin}
//       //                  .Range(-12, 14, 0.5).Tip(...)
//       d.history = &HISTORY_DXC_RECORD;            // program-wide ditto copy
//       d.ditto_key = "Ctrl+'";
//       d.RISnap = RISnap_DXCC;                     // data/ri_routines.h
//       d.RIUpdate = RIUpdate_DXCC;
//       d.RIDelete = RIDelete_DXCC;
//       return d;
//     }();
//     return d;
//   }
//
// Fields name the table's fields as the dictionary declares them
// ("DXC:PR"); their order is the tab order. A picture gives the display and
// input format; text fields also take at most the field's width, and a
// spin field's range is `low`..`high`. Everything a form does beyond the
// common pattern (numbering, a country list, a title from the record, a
// form that stays open after a save) goes into `hooks`.
//
// All texts are code page 1251, except `ditto_key`, which is a key sequence
// in the portable notation of the window layer ("Ctrl+'", "F2").
//
// A description is immutable once built and outlives every form that uses
// it; the HistoryRecord it points to is program-wide and used by the window
// thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/context.h"
#include "data/procedure_files.h"
#include "runtime/cp1251.h"
#include "runtime/table_def.h"

namespace kavo::forms {

class UpdateForm;

// A text of the source (UTF-8) in the program's code page.
inline std::string Ru(std::string_view utf8) {
  return Cp1251FromUtf8(utf8);
}

// How the window shows a field.
enum class FieldKind {
  kEntry,      // a one-line entry
  kSpin,       // a spin box over a number, low..high by step
  kDropList,   // one of `choices`, nothing else
  kDropCombo,  // an entry with a list of suggestions (UpdateForm::Choices)
  kOptions,    // radio buttons, one per entry of `choices`
};

struct FieldDescription {
  FieldDescription(std::string use_, std::string prompt_, std::string picture_,
                   FieldKind kind_ = FieldKind::kEntry)
      : use(std::move(use_)),
        prompt(std::move(prompt_)),
        picture(std::move(picture_)),
        kind(kind_) {}

  FieldDescription& Tip(std::string text) {
    tip = std::move(text);
    return *this;
  }
  FieldDescription& Choices(std::vector<std::string> entries) {
    choices = std::move(entries);
    return *this;
  }
  FieldDescription& Range(double low_, double high_, double step_ = 1) {
    low = low_;
    high = high_;
    step = step_;
    return *this;
  }

  std::string use;      // the table's field: "DXC:PR"
  std::string prompt;   // shown before it; may be empty
  std::string picture;  // "@s20", "@n4.1", "@D6", ...
  FieldKind kind = FieldKind::kEntry;
  std::string tip;                   // tool tip; may be empty
  std::vector<std::string> choices;  // kDropList and kOptions
  // The values a user may give; other numbers are refused with standard
  // warning 10. Both 0: no range. `step` is a spin box's step.
  double low = 0;
  double high = 0;
  double step = 1;
};

// A program-wide copy of the record last confirmed with OK in a form
// (HISTORY::DXC:RECORD, HISTORY::SET:RECORD, ...), the source of the ditto
// key. It is cleared (blank texts, zero numbers) the first time one of its
// forms runs and then keeps its value until the program ends.
// REQUIRES: used by the window thread only.
class HistoryRecord {
 public:
  // Clears the copy unless a form has prepared it before.
  void Prepare(const TableDef& def);
  void Take(const uint8_t* record, std::size_t length);
  const uint8_t* bytes() const { return bytes_.data(); }
  bool prepared() const { return !bytes_.empty(); }

 private:
  std::vector<uint8_t> bytes_;
};

// What saving an inserted record came to.
enum class InsertOutcome {
  kSaved,          // response 1, the form closes
  kSavedStayOpen,  // the form was primed again and waits for the next record
  kFailed,         // a warning was shown; the focus returns to the first field
};

// The points where an instance adds to the common pattern. Every hook is
// optional.
struct FormHooks {
  // PrimeFields of an insert, after the defaults were applied and the
  // record copied into SAV: false ends the procedure before its window
  // opens (with whatever response the hook left, 2 by default).
  std::function<bool(UpdateForm&)> PrimeFields;
  // Writes an inserted record after OK; the default adds it. A failed
  // write should be passed to UpdateForm::ReportInsertFailure.
  std::function<InsertOutcome(UpdateForm&)> InsertRecord;
  // The window has opened (once), before the first field is selected.
  std::function<void(UpdateForm&)> WindowOpened;
  // A field got the focus.
  std::function<void(UpdateForm&, int field)> FieldSelected;
  // A field took a new value from the user; false refuses it: the focus
  // goes back to the field and an accept-all pass stops.
  std::function<bool(UpdateForm&, int field)> FieldAccepted;
  // The form is closing, before the files are released and the response
  // is handed back; it may still change LocalResponse.
  std::function<void(UpdateForm&)> Closing;
};

// A unique key whose duplicate is reported by standard warning 24 with the
// name shown exactly as given.
struct DuplicateKeyName {
  std::string key;    // the dictionary's key name: "RAJ:BEY_POZ"
  std::string shown;  // the name in the warning: "RAj:BEY_POZ"
};

struct FormDescription {
  std::string procedure;  // "UpdateDXCC": the settings section
  FileId file = FileId::DXCC;
  std::span<const FileUse> files;

  std::string design_title;
  // Icons by their resource names ("HTML.ICO"); may be empty.
  std::string icon;
  std::string ok_icon;
  std::string tab;  // the text of the one tab
  // ActionMessage by request; a title left empty keeps the design title.
  std::string insert_title;
  std::string change_title;
  // Appended to the insert title as it stands ("  (New)").
  std::string insert_suffix;
  // For a change (and a delete), "  (" + this field without trailing
  // blanks + ")" is appended; empty for none.
  std::string change_suffix_field;
  std::string ok_text = "OK";
  std::string cancel_text = "Cancel";

  std::vector<FieldDescription> fields;
  // Applied to an inserted record before PrimeFields: a field of the form
  // and its value as display text.
  std::vector<std::pair<std::string, std::string>> defaults;

  HistoryRecord* history = nullptr;
  std::string ditto_key;

  // The form works on the first record of the file in file order rather
  // than on the record its caller left in the buffer (fSETUP).
  bool read_first_record = false;
  // Warnings that refuse a request before the window opens (0: allowed).
  int insert_refused_warning = 0;
  int delete_refused_warning = 0;
  // Duplicate keys named on a failed insert; empty: standard warning 14
  // for every failure.
  std::vector<DuplicateKeyName> duplicate_keys;

  // The integrity routines of the table (data/ri_routines.h). RIDelete may
  // be null when deleting is refused.
  void (*RISnap)(DataContext&) = nullptr;
  int32_t (*RIUpdate)(DataContext&, uint8_t FromForm) = nullptr;
  int32_t (*RIDelete)(DataContext&) = nullptr;

  // Window geometry in pixels of the window layer; the window may not be
  // made smaller than its design size when `minimum_is_design` is set.
  int width = 360;
  int height = 0;  // 0: as the fields need
  bool minimum_is_design = false;

  FormHooks hooks;
};

}  // namespace kavo::forms
