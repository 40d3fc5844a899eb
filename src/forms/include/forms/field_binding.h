// One field of a form bound to its place in the record buffer: it shows the
// field's value through the field's picture and takes typed text back.
//
// Taking text is all or nothing: text that does not fit the field (longer
// than the field or its picture), that holds a character outside code page
// 1251, or that the picture does not read (letters in a number, a 30
// February) leaves the record untouched and answers why, in words the user
// can act on. Nothing is ever cut or replaced silently.
//
// A binding is made once per form from the table's definition and is
// immutable afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/form_description.h"
#include "runtime/picture.h"
#include "runtime/table_def.h"

namespace kavo::forms {

// The result of taking text into a field.
struct FieldInput {
  bool ok = true;
  // Why the text was refused (code page 1251); empty when ok.
  std::string problem;
  // Set when the value lies outside the field's range: standard warning 10
  // is raised with these texts instead of a plain message.
  std::string range;
};

class FieldBinding {
 public:
  // `description.use` must name a field of `table` and its picture must
  // compile; ok() tells whether it did.
  FieldBinding(const TableDef& table, const FieldDescription& description);

  bool ok() const { return field_ != nullptr && picture_ok_; }
  const FieldDescription& description() const { return *description_; }
  const FieldDef& field() const { return *field_; }
  // The name the user knows the field by: its prompt without "&", blanks
  // and a closing colon, or the field's name when it has no prompt.
  std::string Label() const;

  // The field's value as the window shows it in an edit: code page 1251,
  // without the picture's padding.
  std::string Display(const uint8_t* record) const;
  // Takes UTF-8 text typed by the user into the record.
  FieldInput Store(std::string_view utf8, uint8_t* record) const;
  // Takes text in code page 1251 (defaults, hooks) into the record.
  FieldInput StoreCp1251(std::string_view text, uint8_t* record) const;
  // Copies this field's bytes from one record image into another.
  void CopyField(const uint8_t* from, uint8_t* to) const;

 private:
  // Characters a text field takes: the smaller of field and picture width.
  std::size_t TextCapacity() const;
  FieldInput StoreNumber(double value, uint8_t* record) const;
  std::string DisplayNumber(double value) const;

  const FieldDescription* description_;
  const FieldDef* field_ = nullptr;
  Picture picture_;
  bool picture_ok_ = false;
};

// Converts UTF-8 to code page 1251 exactly. False when a character has no
// place in the code page (or is a control character); *out then holds the
// characters before it.
bool ExactCp1251(std::string_view utf8, std::string* out);

}  // namespace kavo::forms
