// The browse engine's movement: one-row, page and end scrolls, the dragged
// thumb, the keys of the list (typed locator characters, space, Insert,
// Delete, the right-click menu) and the new selection with the thumb's
// place. The rest of the engine is in browse_engine.cpp, the update
// protocol in browse_update.cpp.
#include <algorithm>

#include "browse/browse_engine.h"
#include "browse_sort_keys.h"
#include "browse_view.h"
#include "data/globals.h"
#include "field_value.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

// The right-click menu.
constexpr char kMenuWithRows[] = "&Добавить|&Изменить|&Удалить";
constexpr char kMenuEmpty[] = "&Добавить|~&Изменить|~&Удалить";
constexpr char kMenuExtra[] = "|-|";
constexpr int32_t kMenuInsert = 1;
constexpr int32_t kMenuChange = 2;
constexpr int32_t kMenuDelete = 3;

// The thumb's top, its middle, and its place past the last stop.
constexpr int32_t kThumbTop = 1;
constexpr uint8_t kThumbMiddle = 50;
constexpr uint8_t kThumbBeyond = 101;

bool IsPrintable(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x20 && u != 0x7F;
}

}  // namespace

void BrowseEngine::ScrollOne() {
  if (CurrentEvent == browse_event::kScrollUp && CurrentChoice > 1) {
    --CurrentChoice;
  } else if (CurrentEvent == browse_event::kScrollDown && CurrentChoice < RecordCount) {
    ++CurrentChoice;
  } else {
    ItemsToFill = 1;
    FillDirection = static_cast<uint8_t>(CurrentEvent - 2);
    FillRecord();
  }
}

void BrowseEngine::ScrollPage() {
  ItemsToFill = VisibleRows();
  FillDirection = static_cast<uint8_t>(CurrentEvent - 4);
  FillRecord();
  if (ItemsToFill != 0) {
    if (CurrentEvent == browse_event::kPageUp) {
      CurrentChoice = std::max<int32_t>(1, CurrentChoice - ItemsToFill);
    } else {
      CurrentChoice = std::min<int32_t>(RecordCount, CurrentChoice + ItemsToFill);
    }
  }
}

void BrowseEngine::ScrollEnd() {
  EmptyQueue();
  Reset();
  ItemsToFill = VisibleRows();
  const bool top = CurrentEvent == browse_event::kScrollTop;
  FillDirection = top ? kFillForward : kFillBackward;
  FillRecord();
  CurrentChoice = top ? std::min<int32_t>(1, RecordCount) : RecordCount;
}

void BrowseEngine::ProcessScroll() {
  if (RecordCount == 0) return;
  CurrentEvent = event_.event;
  switch (CurrentEvent) {
    case browse_event::kScrollUp:
    case browse_event::kScrollDown:
      ScrollOne();
      break;
    case browse_event::kPageUp:
    case browse_event::kPageDown:
      ScrollPage();
      break;
    default:
      ScrollEnd();
      break;
  }
  list_->SetSelection(CurrentChoice);
  PostNewSelection();
  if (sort().locator == LocatorKind::kIncremental) ClearLocator();
  if (sort().thumb == ThumbKind::kFixed) {
    if (RecordCount < VisibleRows()) {
      CurrentScroll = 0;
    } else if (ItemsToFill != 0) {
      CurrentScroll = CurrentEvent == browse_event::kScrollUp ? 0 : kThumbBottom;
    } else {
      CurrentScroll = kThumbMiddle;
    }
    list_->SetThumb(CurrentScroll);
  }
}

void BrowseEngine::ScrollDrag() {
  const int32_t p = list_->Thumb();
  if (p <= kThumbTop) {
    list_->PostEvent(browse_event::kScrollTop);
    return;
  }
  if (p >= kThumbBottom) {
    list_->PostEvent(browse_event::kScrollBottom);
    return;
  }
  if (sort().thumb == ThumbKind::kFixed) return;
  const SortState& state = sort_state();
  const FieldDef& f = field(sort_keys().thumb_field);
  const size_t stop = static_cast<size_t>(p - 1);
  if (browse_field::IsText(f)) {
    if (stop >= state.string_stops.size()) return;
    browse_field::SetText(f, table().record(), state.string_stops[stop]);
  } else {
    if (stop >= state.real_stops.size()) return;
    browse_field::SetNumber(f, table().record(), state.real_stops[stop]);
  }
  LocateMode = kLocateOnValues;
  LocateRecord();
}

void BrowseEngine::AlertKey() {
  const BrowseButtons& b = d_.buttons;
  const int32_t key = event_.keycode;
  if (RecordCount == 0) {
    if (key == browse_key::kInsertKey && b.insert) window_->PostAccepted(b.insert);
    return;
  }
  switch (key) {
    case browse_key::kSpaceKey:
      break;
    case browse_key::kMouseLeft2:
      // A picker chooses the row; otherwise the row is opened for change.
      if (LocalRequest_ == kSelectRecord && b.select) {
        window_->PostAccepted(b.select);
      } else if (b.change) {
        window_->PostAccepted(b.change);
      }
      MakeCurrent(CurrentChoice);
      FillBuffer();
      break;
    case browse_key::kInsertKey:
      if (b.insert) window_->PostAccepted(b.insert);
      break;
    case browse_key::kDeleteKey:
      if (b.delete_) window_->PostAccepted(b.delete_);
      break;
    case browse_key::kCtrlEnter:
      if (b.change) window_->PostAccepted(b.change);
      break;
    default:
      TypeLocator(key, event_.character);
      break;
  }
  PostNewSelection();
}

void BrowseEngine::TypeLocator(int32_t key, char c) {
  const BrowseSortOrder& s = sort();
  SortState& state = sort_state();
  if (s.locator == LocatorKind::kEntry) {
    if (IsPrintable(c) && c != ' ' && s.locator_control) window_->TypeInto(s.locator_control, c);
    return;
  }
  if (s.locator != LocatorKind::kIncremental) return;
  if (key == browse_key::kBSKey) {
    if (state.LocatorLength == 0) return;
    state.LocatorValue.pop_back();
  } else if (key == browse_key::kSpaceKey || (IsPrintable(c) && c != ' ')) {
    if (state.LocatorValue.size() >= kMaxLocator) return;
    state.LocatorValue.push_back(key == browse_key::kSpaceKey ? ' ' : c);
  } else {
    return;
  }
  state.LocatorLength = static_cast<uint8_t>(state.LocatorValue.size());
  SetLocatorKey();
  ClearLesserComponents();
  LocateMode = kLocateOnValues;
  LocateRecord();
}

void BrowseEngine::NewSelection() {
  NewSelectPosted = 0;
  const BrowseButtons& b = d_.buttons;
  if (event_.keycode == browse_key::kMouseRight) {
    std::string menu = Cp1251FromUtf8(RecordCount > 0 ? kMenuWithRows : kMenuEmpty);
    if (!d_.PopupText.empty()) menu += kMenuExtra + d_.PopupText;
    switch (list_->PopupMenu(menu)) {
      case kMenuInsert:
        if (b.insert) window_->PostAccepted(b.insert);
        break;
      case kMenuChange:
        if (b.change && RecordCount > 0) window_->PostAccepted(b.change);
        break;
      case kMenuDelete:
        if (b.delete_ && RecordCount > 0) window_->PostAccepted(b.delete_);
        break;
      default:
        break;
    }
    return;
  }
  if (RecordCount == 0) return;
  CurrentChoice = std::clamp<int32_t>(list_->Selection(), 1, RecordCount);
  MakeCurrent(CurrentChoice);
  FillBuffer();
  if (sort().thumb != ThumbKind::kFixed) PlaceThumb();
  RefreshWindow();
}

void BrowseEngine::PlaceThumb() {
  list_->ShowScrollBar(RecordCount >= VisibleRows());
  const SortState& state = sort_state();
  const FieldDef& f = field(sort_keys().thumb_field);
  size_t first = kThumbStops;
  if (browse_field::IsText(f)) {
    const std::string value = Upper(browse_field::Text(f, table().record()));
    for (size_t i = 0; i < state.string_stops.size(); ++i) {
      if (state.string_stops[i] >= value) {
        first = i;
        break;
      }
    }
  } else {
    const double value = browse_field::Number(f, table().record());
    for (size_t i = 0; i < state.real_stops.size(); ++i) {
      if (state.real_stops[i] >= value) {
        first = i;
        break;
      }
    }
  }
  if (first == 0) {
    CurrentScroll = 0;
  } else if (first >= static_cast<size_t>(kThumbStops)) {
    CurrentScroll = kThumbBeyond;
  } else {
    CurrentScroll = static_cast<uint8_t>(first + 1);
  }
}

void BrowseEngine::PostNewSelection() {
  if (NewSelectPosted) return;
  NewSelectPosted = 1;
  list_->PostEvent(browse_event::kNewSelection);
}

}  // namespace kavo
