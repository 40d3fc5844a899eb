// The browse engine's side of the update protocol: the insert, change,
// delete and select buttons, the request/response loop with the update
// procedure (record-to-record navigation from the form included), and the
// frame's navigation toolbar. The rest of the engine is in browse_engine.cpp
// and browse_movement.cpp.
#include <algorithm>

#include "browse/browse_engine.h"
#include "browse_sort_keys.h"
#include "browse_view.h"
#include "data/globals.h"
#include "field_value.h"

namespace kavo {
namespace {
struct ToolTip {
  int32_t command;
  const char* text;
};
constexpr ToolTip kToolTips[] = {
    {browse_toolbar::kBottom, "Go to the Last Page"},
    {browse_toolbar::kTop, "Go to the First Page"},
    {browse_toolbar::kPageDown, "Go to the Next Page"},
    {browse_toolbar::kPageUp, "Go to the Prior Page"},
    {browse_toolbar::kDown, "Go to the Next Record"},
    {browse_toolbar::kUp, "Go to the Prior Record"},
    {browse_toolbar::kInsert, "Insert a new Record"},
};

// The events the navigation commands post to the list.
struct CommandEvent {
  int32_t command;
  int32_t event;
};
constexpr CommandEvent kCommandEvents[] = {
    {browse_toolbar::kBottom, browse_event::kScrollBottom},
    {browse_toolbar::kTop, browse_event::kScrollTop},
    {browse_toolbar::kPageDown, browse_event::kPageDown},
    {browse_toolbar::kPageUp, browse_event::kPageUp},
    {browse_toolbar::kDown, browse_event::kScrollDown},
    {browse_toolbar::kUp, browse_event::kScrollUp},
    {browse_toolbar::kLocate, browse_event::kLocate},
};

// VCRRequest values an update form may leave.
constexpr int32_t kVCRNone = 0;
constexpr int32_t kVCRInsert = 2000;
constexpr int32_t kVCRLast = 2004;
constexpr int32_t kVCRFirst = 2005;
constexpr int32_t kVCRNextPage = 2006;
constexpr int32_t kVCRPriorPage = 2007;
constexpr int32_t kVCRNext = 2008;
constexpr int32_t kVCRPrior = 2009;

}  // namespace

void BrowseEngine::ButtonInsert() {
  table().ClearRecord();
  // A new record made in a ranged order belongs to the range in force.
  const BrowseSortOrder& s = sort();
  for (size_t i = 0; i < s.ranges.size(); ++i) {
    browse_field::Assign(field(sort_keys().range_fields[i]), table().record(),
                         ResetCopy(SortOrder == 0 ? 0 : SortOrder - 1u, i));
  }
  UpdateAndFollow(kInsertRecord);
}

void BrowseEngine::ButtonChange() {
  UpdateAndFollow(kChangeRecord);
}

void BrowseEngine::UpdateAndFollow(int32_t request) {
  LocalRequest_ = request;
  CallUpdate();
  // The record written may stand elsewhere in the key order now.
  if (LocalResponse_ == kRequestCompleted) {
    LocateMode = kLocateOnPosition;
    LocateRecord();
  } else {
    RefreshMode = kRefreshKeepPage;
    RefreshPage();
  }
  AfterUpdate();
}

void BrowseEngine::ButtonDelete() {
  LocalRequest_ = kDeleteRecord;
  CallUpdate();
  if (LocalResponse_ == kRequestCompleted && CurrentChoice >= 1 && CurrentChoice <= RecordCount) {
    Straighten();
    queue_.erase(queue_.begin() + (CurrentChoice - 1));
    --RecordCount;
    list_->PageChanged();
  }
  RefreshMode = kRefreshKeepPage;
  RefreshPage();
  AfterUpdate();
}

void BrowseEngine::ButtonSelect() {
  chosen_position_ = Row(static_cast<size_t>(current_entry_)).Position;
  LocalResponse_ = kRequestCompleted;
  window_->PostCloseRequest();
}

void BrowseEngine::AfterUpdate() {
  InitializeBrowse();
  PostNewSelection();
  window_->FocusControl(d_.buttons.list);
  LocalRequest_ = OriginalRequest_;
  LocalResponse_ = kRequestCancelled;
  RefreshWindow();
}

void BrowseEngine::CallUpdate() {
  view_->Close();
  for (;;) {
    GlobalRequest = LocalRequest_;
    VCRRequest = kVCRNone;
    RunUpdate();
    LocalResponse_ = GlobalResponse;
    const int32_t vcr = VCRRequest;
    VCRRequest = kVCRNone;
    if (vcr == kVCRNone) break;
    bool step = true;
    switch (vcr) {
      case kVCRInsert:
        if (LocalRequest_ == kChangeRecord) LocalRequest_ = kInsertRecord;
        [[fallthrough]];
      case kVCRNext:
        if (LocalRequest_ == kInsertRecord) {
          table().ClearRecord();
          step = false;
        } else {
          CurrentEvent = browse_event::kScrollDown;
        }
        break;
      case kVCRPrior:
        CurrentEvent = browse_event::kScrollUp;
        break;
      case kVCRNextPage:
        CurrentEvent = browse_event::kPageDown;
        break;
      case kVCRPriorPage:
        CurrentEvent = browse_event::kPageUp;
        break;
      case kVCRFirst:
        CurrentEvent = browse_event::kScrollTop;
        break;
      case kVCRLast:
        CurrentEvent = browse_event::kScrollBottom;
        break;
      default:
        // Not a navigation request: the form is done.
        Reset();
        return;
    }
    if (!step) continue;
    PostVCREdit1();
    if (CurrentEvent <= browse_event::kScrollDown) {
      ScrollOne();
    } else if (CurrentEvent <= browse_event::kPageDown) {
      ScrollPage();
    } else {
      ScrollEnd();
    }
    PostVCREdit2();
  }
  Reset();
}

void BrowseEngine::PostVCREdit1() {
  Reset();
  LocateMode = kLocateOnPosition;
  LocateRecord();
  RefreshWindow();
}

void BrowseEngine::PostVCREdit2() {
  list_->SetSelection(CurrentChoice);
  event_ = ListEvent{};
  NewSelection();
  if (RecordCount > 0) {
    MakeCurrent(CurrentChoice);
    if (!view_->Reget(Row(static_cast<size_t>(current_entry_)).Position).ok()) FillBuffer();
  }
  view_->Close();
}

void BrowseEngine::AssignButtons() {
  DisplayBrowseToolbar();
}

void BrowseEngine::DisplayBrowseToolbar() {
  if (!toolbar_) return;
  for (int32_t c = browse_toolbar::kBottom; c <= browse_toolbar::kLocate; ++c) {
    toolbar_->EnableCommand(c, true);
  }
  const BrowseButtons& b = d_.buttons;
  toolbar_->EnableCommand(browse_toolbar::kInsert, b.insert != 0);
  toolbar_->EnableCommand(browse_toolbar::kChange, b.change != 0 && change_enabled_);
  toolbar_->EnableCommand(browse_toolbar::kDelete, b.delete_ != 0 && change_enabled_);
  toolbar_->EnableCommand(browse_toolbar::kSelect, b.select != 0 && change_enabled_);
  toolbar_->EnableCommand(browse_toolbar::kHistory, false);
  for (const ToolTip& t : kToolTips) toolbar_->SetToolTip(t.command, t.text);
}

void BrowseEngine::ListBoxDispatch() {
  DisplayBrowseToolbar();
  for (const CommandEvent& ce : kCommandEvents) {
    if (ce.command == accepted_command_) list_->PostEvent(ce.event);
  }
  if (accepted_command_ == browse_toolbar::kHelp && toolbar_) toolbar_->PressHelp();
}

void BrowseEngine::UpdateDispatch() {
  const BrowseButtons& b = d_.buttons;
  if (toolbar_) {
    toolbar_->EnableCommand(browse_toolbar::kDelete, b.delete_ != 0 && change_enabled_);
    toolbar_->EnableCommand(browse_toolbar::kChange, b.change != 0 && change_enabled_);
  }
  int32_t control = 0;
  switch (accepted_command_) {
    case browse_toolbar::kInsert:
      control = b.insert;
      break;
    case browse_toolbar::kChange:
      control = change_enabled_ ? b.change : 0;
      break;
    case browse_toolbar::kDelete:
      control = change_enabled_ ? b.delete_ : 0;
      break;
    case browse_toolbar::kSelect:
      control = change_enabled_ ? b.select : 0;
      break;
    default:
      break;
  }
  if (control) window_->PostAccepted(control);
}

}  // namespace kavo
