// A form window for tests: records what the form logic asked of it.
#pragma once

#include <string>
#include <vector>

#include "forms/form_view.h"

namespace kavo::testing {

class ScriptedFormView : public forms::FormView {
 public:
  void SetTitle(const std::string& text) override { title = text; }
  void DisplayAll() override { ++displays; }
  void DisplayField(int field) override { displayed.push_back(field); }
  void DisplayChoices(int) override {}
  void SelectField(int field) override { selected = field; }
  void Beep() override {}
  void SetWaitCursor(bool) override {}
  void PostClose() override { close_posted = true; }

  std::string title;
  int displays = 0;
  std::vector<int> displayed;
  int selected = -1;
  bool close_posted = false;
};

}  // namespace kavo::testing
