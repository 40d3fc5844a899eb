// A scripted list and window for driving the browse engine without a screen:
// they record what the engine shows and queue what it posts; Pump() delivers
// the queued events to the engine in posting order, as an event loop would.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browse/browse_engine.h"
#include "data/globals.h"

namespace kavo::testing {

class ScriptedBrowse : public BrowseList, public BrowseWindow, public BrowseToolbar {
 public:
  struct Posted {
    enum Kind { kList, kAccepted, kClose } kind;
    int32_t value;
  };

  // BrowseList
  int32_t VisibleRows() const override { return rows; }
  int32_t Selection() const override { return selection; }
  void SetSelection(int32_t row) override { selection = row; }
  int32_t Thumb() const override { return thumb; }
  void SetThumb(int32_t position) override { thumb = position; }
  void ShowScrollBar(bool shown) override { scroll_bar = shown; }
  void PostEvent(int32_t event) override { posted.push_back({Posted::kList, event}); }
  int32_t PopupMenu(std::string_view text) override {
    menus.emplace_back(text);
    if (menu_answers.empty()) return 0;
    int32_t a = menu_answers.front();
    menu_answers.pop_front();
    return a;
  }
  // Like the window's model, reads the page's row count when told it changed.
  void PageChanged() override {
    ++page_changes;
    if (engine != nullptr) rows_shown = engine->RecordCount;
  }

  // BrowseWindow
  void PostAccepted(int32_t control) override { posted.push_back({Posted::kAccepted, control}); }
  void PostCloseRequest() override { posted.push_back({Posted::kClose, 0}); }
  void EnableControl(int32_t control, bool enabled) override { this->enabled[control] = enabled; }
  void FocusControl(int32_t control) override { focus = control; }
  void TypeInto(int32_t control, char c) override {
    focus = control;
    typed[control].push_back(c);
  }
  int32_t SelectedTab() const override { return tab; }
  void SetWaitCursor(bool) override {}
  void Redisplay() override { ++redisplays; }

  // BrowseToolbar
  void EnableCommand(int32_t command, bool on) override { commands[command] = on; }
  void SetToolTip(int32_t command, std::string_view text) override {
    tips[command] = std::string(text);
  }
  void PressHelp() override { ++help; }

  // Delivers everything posted, including what the delivery posts.
  void Pump(BrowseEngine& engine) {
    while (!posted.empty()) {
      Posted p = posted.front();
      posted.pop_front();
      switch (p.kind) {
        case Posted::kList:
          engine.TakeEvent(ListEvent{p.value});
          break;
        case Posted::kAccepted:
          accepted.push_back(p.value);
          engine.Accepted(p.value);
          break;
        case Posted::kClose:
          closed = true;
          break;
      }
    }
  }
  // A user event on the list, then the event loop runs.
  void Event(BrowseEngine& engine, int32_t event, int32_t key = 0, char c = 0) {
    engine.TakeEvent(ListEvent{event, key, c});
    Pump(engine);
  }
  void Key(BrowseEngine& engine, int32_t key, char c = 0) {
    Event(engine, browse_event::kAlertKey, key, c);
  }
  void Type(BrowseEngine& engine, char c) { Key(engine, static_cast<unsigned char>(c), c); }
  void Click(BrowseEngine& engine, int32_t row) {
    selection = row;
    Event(engine, browse_event::kNewSelection);
  }

  int32_t rows = 5;
  int32_t selection = 0;
  int32_t thumb = 0;
  bool scroll_bar = false;
  int32_t tab = 0;
  std::deque<Posted> posted;
  std::deque<int32_t> menu_answers;
  std::vector<std::string> menus;
  std::vector<int32_t> accepted;
  std::map<int32_t, bool> enabled;
  std::map<int32_t, std::string> typed;
  std::map<int32_t, bool> commands;
  std::map<int32_t, std::string> tips;
  int32_t focus = 0;
  const BrowseEngine* engine = nullptr;  // set by OpenBrowse
  int page_changes = 0;
  int32_t rows_shown = 0;  // the page's rows when last told it changed
  int redisplays = 0;
  int help = 0;
  bool closed = false;
};

// Builds an engine over the scripted list and runs the procedure's start
// (with `request` as GlobalRequest) and its window's open event; nullptr
// with *error set when the description is refused.
inline std::unique_ptr<BrowseEngine> OpenBrowse(ScriptedBrowse& list, BrowseDescription d,
                                                std::string* error, int32_t request = 0) {
  std::unique_ptr<BrowseEngine> engine = BrowseEngine::Create(std::move(d), &list, &list, error);
  if (!engine) return nullptr;
  list.engine = engine.get();
  GlobalRequest = request;
  engine->Start();
  engine->SetToolbar(&list);
  engine->OpenWindow();
  list.Pump(*engine);
  return engine;
}

// The texts of one column of the page, top to bottom, without trailing blanks.
inline std::vector<std::string> PageColumn(const BrowseEngine& engine, size_t column = 0) {
  std::vector<std::string> out;
  for (int32_t row = 1; row <= engine.RecordCount; ++row) {
    std::string text = engine.CellText(row, column);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out.push_back(text);
  }
  return out;
}

}  // namespace kavo::testing
