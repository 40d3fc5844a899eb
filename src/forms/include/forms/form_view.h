// What the form logic needs of its window. The program's form window
// implements it with widgets; tests implement it with a script that records
// the calls. Fields are numbered 0.. in the order of the description.
//
// The logic calls the view only from the window thread, in reaction to an
// event the view passed to it, so a view needs no locking.
#pragma once

#include <string>

namespace kavo::forms {

class FormView {
 public:
  virtual ~FormView() = default;

  // The window's title (code page 1251).
  virtual void SetTitle(const std::string& title) = 0;
  // Shows every field's value again from the record.
  virtual void DisplayAll() = 0;
  virtual void DisplayField(int field) = 0;
  // The list of suggestions of a drop combo changed.
  virtual void DisplayChoices(int field) = 0;
  // Puts the focus into a field.
  virtual void SelectField(int field) = 0;
  // The default beep of the platform.
  virtual void Beep() = 0;
  // The wait cursor while a record is written.
  virtual void SetWaitCursor(bool wait) = 0;
  // Asks the window to close; it answers with a close event, on which the
  // window calls UpdateForm::Close.
  virtual void PostClose() = 0;
};

}  // namespace kavo::forms
