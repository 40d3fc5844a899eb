#include "browse/browse_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "browse_sort_keys.h"
#include "browse_view.h"
#include "data/globals.h"
#include "data/standard_warning.h"
#include "field_value.h"
#include "runtime/chartab.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"

namespace kavo {
namespace {

// Whether the stops on the field are truncated to whole numbers.
bool IsIntegral(const FieldDef& f) {
  expr::VarClass klass;
  if (expr::ClassOf(f.type, &klass) && klass == expr::VarClass::kInteger) return true;
  if (f.type == FieldType::kDecimal || f.type == FieldType::kPDecimal) return f.places == 0;
  return f.type == FieldType::kULong;
}

size_t VarBytes(const expr::VarRef& v) {
  size_t n = v.size;
  for (int i = 0; i < v.dim_count; ++i) n *= v.dims[i];
  return n;
}

}  // namespace

std::unique_ptr<BrowseEngine> BrowseEngine::Create(BrowseDescription description, BrowseList* list,
                                                   BrowseWindow* window, std::string* error) {
  std::unique_ptr<BrowseEngine> engine(new BrowseEngine(std::move(description), list, window));
  if (!engine->Prepare(error)) return nullptr;
  return engine;
}

BrowseEngine::BrowseEngine(BrowseDescription description, BrowseList* list, BrowseWindow* window)
    : d_(std::move(description)), list_(list), window_(window) {}

BrowseEngine::~BrowseEngine() = default;

bool BrowseEngine::Prepare(std::string* error) {
  if (!d_.table || !list_ || !window_) {
    *error = "a browse needs its table, list and window";
    return false;
  }
  const TableDef& td = def();
  auto field = [&](const std::string& name, int* out) {
    *out = td.FindField(name);
    if (*out < 0) *error = "no field " + name + " in " + td.label;
    return *out >= 0;
  };

  ListFormatResult format = ParseListFormat(d_.format);
  if (!format.ok) {
    *error = "list format: " + format.message;
    return false;
  }
  columns_ = std::move(format.columns);
  if (d_.column_fields.size() != columns_.size()) {
    *error = "the list format has " + std::to_string(columns_.size()) + " columns, " +
             std::to_string(d_.column_fields.size()) + " fields are given";
    return false;
  }
  pictures_.resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    int f = -1;
    if (d_.column_fields[i].empty()) {
      if (!columns_[i].icon) {
        *error = "column " + std::to_string(i + 1) + " has no field";
        return false;
      }
    } else if (!field(d_.column_fields[i], &f)) {
      return false;
    }
    column_field_numbers_.push_back(f);
    if (columns_[i].icon) continue;
    PictureStatus ps = Picture::Compile(columns_[i].picture, &pictures_[i]);
    if (!ps.ok) {
      *error = "column " + std::to_string(i + 1) + ": " + ps.message;
      return false;
    }
  }
  const std::vector<std::string>& restored =
      d_.buffer_fields.empty() ? d_.column_fields : d_.buffer_fields;
  for (const std::string& name : restored) {
    if (name.empty()) continue;
    int f = -1;
    if (!field(name, &f)) return false;
    buffer_field_numbers_.push_back(f);
  }

  if (d_.sorts.empty()) {
    *error = "a browse needs a sort order";
    return false;
  }
  for (const BrowseSortOrder& s : d_.sorts) {
    SortKeys k;
    k.key = td.FindKey(s.key);
    if (k.key < 0) {
      *error = "no key " + s.key + " in " + td.label;
      return false;
    }
    const KeyDef& key = td.keys[static_cast<size_t>(k.key)];
    SortState state;
    for (size_t i = 0; i < s.ranges.size(); ++i) {
      int f = -1;
      if (!field(s.ranges[i].field, &f)) return false;
      if (i >= key.components.size() || key.components[i].field != f) {
        *error = s.ranges[i].field + " is not a leading component of " + s.key;
        return false;
      }
      if (!expr::IsValid(s.ranges[i].live)) {
        *error = "the range limit " + s.ranges[i].name + " has no variable";
        return false;
      }
      k.range_fields.push_back(f);
      state.Reset.emplace_back(VarBytes(s.ranges[i].live), uint8_t{0});
    }
    if (s.locator != LocatorKind::kNone && !field(s.locator_field, &k.locator_field)) return false;
    for (const std::string& name : s.locator_clears) {
      int f = -1;
      if (!field(name, &f)) return false;
      k.clears.push_back(f);
    }
    if (s.thumb != ThumbKind::kFixed && !field(s.thumb_field, &k.thumb_field)) return false;
    sort_keys_.push_back(std::move(k));
    sorts.push_back(std::move(state));
  }
  view_ = std::make_unique<BrowseView>(d_.table->file());
  return true;
}

// ---- Helpers ----

Table& BrowseEngine::table() {
  return d_.table->file();
}

const TableDef& BrowseEngine::def() const {
  return d_.table->def();
}

const BrowseSortOrder& BrowseEngine::sort() const {
  return d_.sorts[SortOrder == 0 ? 0 : SortOrder - 1u];
}

SortState& BrowseEngine::sort_state() {
  return sorts[SortOrder == 0 ? 0 : SortOrder - 1u];
}

const BrowseEngine::SortKeys& BrowseEngine::sort_keys() const {
  return sort_keys_[SortOrder == 0 ? 0 : SortOrder - 1u];
}

int32_t BrowseEngine::VisibleRows() const {
  return std::max<int32_t>(1, list_->VisibleRows());
}

const FieldDef& BrowseEngine::field(int number) const {
  return def().fields[static_cast<size_t>(number)];
}

void BrowseEngine::PrimeRanges(uint8_t* record) const {
  const BrowseSortOrder& s = sort();
  const SortKeys& k = sort_keys();
  for (size_t i = 0; i < s.ranges.size(); ++i) {
    browse_field::Assign(field(k.range_fields[i]), record, s.ranges[i].live);
  }
}

expr::VarRef BrowseEngine::ResetCopy(size_t order, size_t range) const {
  expr::VarRef copy = d_.sorts[order].ranges[range].live;
  copy.address = sorts[order].Reset[range].data();
  return copy;
}

void BrowseEngine::BindNames() {
  if (scope_pushed_) scopes_.Pop();
  scopes_.Push(0);
  scope_pushed_ = true;
  for (const auto& [name, var] : d_.bindings) scopes_.Bind(name, var);
  for (size_t o = 0; o < d_.sorts.size(); ++o) {
    const BrowseSortOrder& s = d_.sorts[o];
    for (size_t i = 0; i < s.ranges.size(); ++i) {
      scopes_.Bind(d_.prefix + "::Sort" + std::to_string(o + 1) + ":Reset:" + s.ranges[i].name,
                   ResetCopy(o, i));
    }
  }
  expr::BindTable(scopes_, def(), table().record());
}

// Chooses the sort's key and filter, once for each order chosen, and primes
// the range from the live limits; `prime_buffer` primes the record buffer
// too.
void BrowseEngine::SetViewOrder(bool prime_buffer) {
  if (view_order_ != SortOrder || bound_record_ != table().record()) {
    view_order_ = SortOrder;
    bound_record_ = table().record();
    // The names serve only to compile the filter.
    if (!sort().filter.empty()) BindNames();
    Status st = view_->SetOrder(sort_keys().key, sort_keys().range_fields, sort().filter, scopes_);
    if (!st.ok()) StandardWarning(warning::kViewOpenError);
  }
  std::vector<uint8_t> primed;
  if (!sort().ranges.empty()) {
    primed.assign(table().record(), table().record() + table().record_length());
    PrimeRanges(primed.data());
    if (prime_buffer) PrimeRanges(table().record());
  }
  view_->SetRange(primed);
}

BrowseEngine::ReadResult BrowseEngine::ReadView(bool forward) {
  Status st = view_->Read(forward);
  if (st.ok()) return ReadResult::kRecord;
  if (st.code() == err::kRecordNotAvailable) return ReadResult::kEnd;
  StandardWarning(warning::kRecordRetrievalError, d_.table_name);
  window_->PostCloseRequest();
  return ReadResult::kFailed;
}

void BrowseEngine::EmptyQueue() {
  spare_.reserve(spare_.size() + queue_.size());
  for (PageEntry& row : queue_) {
    row.record.clear();
    row.Position.clear();
    spare_.push_back(std::move(row));
  }
  queue_.clear();
  first_ = 0;
  RecordCount = 0;
  list_->PageChanged();
}

PageEntry& BrowseEngine::Row(size_t row) {
  const size_t slot = first_ + row;
  return queue_[slot < queue_.size() ? slot : slot - queue_.size()];
}

void BrowseEngine::Straighten() {
  if (first_ == 0) return;
  std::rotate(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(first_), queue_.end());
  first_ = 0;
}

PageEntry& BrowseEngine::AddRow() {
  Straighten();
  PageEntry row;
  if (!spare_.empty()) {
    row = std::move(spare_.back());
    spare_.pop_back();
    // The page holds every row again: so does its memory.
    if (spare_.empty()) std::vector<PageEntry>().swap(spare_);
  }
  ++RecordCount;
  return queue_.emplace_back(std::move(row));
}

void BrowseEngine::MakeCurrent(int32_t row) {
  current_entry_ = std::clamp<int32_t>(row, 1, std::max<int32_t>(RecordCount, 1)) - 1;
}

void BrowseEngine::EnableButtons(bool has_rows) {
  change_enabled_ = has_rows;
  const BrowseButtons& b = d_.buttons;
  if (b.change) window_->EnableControl(b.change, has_rows);
  if (b.delete_) window_->EnableControl(b.delete_, has_rows);
  if (sort().locator_control) window_->EnableControl(sort().locator_control, has_rows);
  DisplayBrowseToolbar();
}

void BrowseEngine::ClearLocator() {
  SortState& s = sort_state();
  s.LocatorValue.clear();
  s.LocatorLength = 0;
  if (sort_keys().locator_field >= 0) {
    browse_field::SetFromText(field(sort_keys().locator_field), table().record(), "");
  }
}

void BrowseEngine::SetLocatorKey() {
  const SortKeys& k = sort_keys();
  if (k.locator_field < 0) return;
  browse_field::SetFromText(field(k.locator_field), table().record(), sort_state().LocatorValue);
}

void BrowseEngine::ClearLesserComponents() {
  for (int f : sort_keys().clears) browse_field::Clear(field(f), table().record());
}

void BrowseEngine::RunUpdate() {
  if (d_.update) {
    updating_ = true;
    struct Done {
      bool& updating;
      ~Done() { updating = false; }
    } done{updating_};
    d_.update();
    return;
  }
  StandardWarning(warning::kProcedureNotDefined, d_.update_name);
  GlobalResponse = kRequestCancelled;
}

// ---- Entry points ----

void BrowseEngine::Start() {
  LocalRequest_ = GlobalRequest;
  OriginalRequest_ = LocalRequest_;
  LocalResponse_ = kRequestCancelled;
  GlobalRequest = 0;
  GlobalResponse = 0;
}

void BrowseEngine::OpenWindow() {
  AssignButtons();
  if (d_.buttons.insert) window_->EnableControl(d_.buttons.insert, true);
  RefreshWindow();
  window_->FocusControl(d_.buttons.list);
}

void BrowseEngine::GainFocus() {
  forced_refresh_ = true;
  RefreshWindow();
}

void BrowseEngine::Resized() {
  forced_refresh_ = true;
  RefreshWindow();
}

void BrowseEngine::TakeEvent(const ListEvent& event) {
  if (updating_) return;
  event_ = event;
  switch (event.event) {
    case browse_event::kNewSelection:
      NewSelection();
      break;
    case browse_event::kScrollUp:
    case browse_event::kScrollDown:
    case browse_event::kPageUp:
    case browse_event::kPageDown:
    case browse_event::kScrollTop:
    case browse_event::kScrollBottom:
      ProcessScroll();
      break;
    case browse_event::kAlertKey:
      AlertKey();
      break;
    case browse_event::kScrollDrag:
      ScrollDrag();
      break;
    default:
      break;
  }
}

void BrowseEngine::Accepted(int32_t control) {
  if (control == 0) return;
  const BrowseButtons& b = d_.buttons;
  if (control == b.insert) {
    GetRecord();
    ButtonInsert();
  } else if (control == b.change && RecordCount > 0) {
    GetRecord();
    ButtonChange();
  } else if (control == b.delete_ && RecordCount > 0) {
    GetRecord();
    ButtonDelete();
  } else if (control == b.select && RecordCount > 0) {
    GetRecord();
    ButtonSelect();
  }
}

void BrowseEngine::ToolbarCommand(int32_t command) {
  accepted_command_ = command;
  ListBoxDispatch();
  UpdateDispatch();
  accepted_command_ = 0;
}

void BrowseEngine::SetToolbar(BrowseToolbar* toolbar) {
  toolbar_ = toolbar;
  DisplayBrowseToolbar();
}

void BrowseEngine::LocatorAccepted(std::string_view text) {
  const SortKeys& k = sort_keys();
  if (k.locator_field < 0) return;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const FieldDef& f = field(k.locator_field);
  if (text.empty() || (!browse_field::IsText(f) && expr::NumericReading(text) == 0)) return;
  SortState& s = sort_state();
  s.LocatorValue.assign(text.substr(0, kMaxLocator));
  s.LocatorLength = static_cast<uint8_t>(s.LocatorValue.size());
  SetLocatorKey();
  ClearLesserComponents();
  LocateMode = kLocateOnValues;
  LocateRecord();
  window_->FocusControl(d_.buttons.list);
  PostNewSelection();
}

void BrowseEngine::Close() {
  // Events served after the choice (a new selection writes the locator text
  // into its key field) must not change what the caller gets: the chosen
  // record is read again as stored.
  if (LocalResponse_ == kRequestCompleted && !chosen_position_.empty() &&
      !view_->Reget(chosen_position_).ok()) {
    LocalResponse_ = kRequestCancelled;
  }
  view_->Close();
  GlobalResponse = LocalResponse_;
}

std::string BrowseEngine::CellText(int32_t row, size_t column) const {
  if (row < 1 || row > RecordCount || column >= columns_.size()) return {};
  const PageEntry& e = page()[static_cast<size_t>(row - 1)];
  const int f = column_field_numbers_[column];
  if (columns_[column].icon) return std::to_string(e.icon);
  const FieldDef& fd = field(f);
  if (browse_field::IsText(fd))
    return pictures_[column].FormatText(browse_field::Text(fd, e.record.data()));
  return pictures_[column].FormatNumber(browse_field::Number(fd, e.record.data()));
}

const std::string& BrowseEngine::CurrentLocatorText() const {
  return sorts[SortOrder == 0 ? 0 : SortOrder - 1u].LocatorValue;
}

size_t BrowseEngine::PageBytes() const {
  size_t n = (queue_.capacity() + spare_.capacity()) * sizeof(PageEntry);
  for (const auto* rows : {&queue_, &spare_}) {
    for (const PageEntry& e : *rows) n += e.record.capacity() + e.Position.capacity();
  }
  return n;
}

uint64_t BrowseEngine::RecordsRead() const {
  return view_->reads();
}

// ---- The routines ----

void BrowseEngine::Reset() {
  view_->Close();
  SetViewOrder(true);
  if (!view_->OpenAtEnds().ok()) StandardWarning(warning::kViewOpenError);
}

void BrowseEngine::FillRecord() {
  // The rows of one fill are read under one lock of the table's file. A
  // read that fails lets it go before the warning is shown.
  Table::ReadBatch batch(table());
  const bool forward = FillDirection == kFillForward;
  // Used only before the first row is added, while the edge row stands.
  std::string_view edge;
  SkipFirst = 0;
  if (RecordCount > 0) {
    edge = forward ? page().back().Position : page().front().Position;
    // Reading on from where the last fill stopped gives what a reposition
    // on the edge row would, without reading that row again.
    if (!view_->Continues(edge, forward)) {
      if (!view_->Reposition(edge).ok()) StandardWarning(warning::kViewOpenError);
      SkipFirst = 1;
    }
  }
  // Rows read backward while the page is not full are added after its
  // last row, the nearest first; `prepended` of them are then turned to
  // the front in one go. A row that joins a full page takes the slot of
  // the row that leaves it.
  size_t prepended = 0;
  const auto settle = [&] {
    if (prepended == 0) return;
    std::reverse(queue_.end() - static_cast<std::ptrdiff_t>(prepended), queue_.end());
    first_ = queue_.size() - prepended;
    prepended = 0;
  };
  bool changed = false;
  while (ItemsToFill != 0) {
    ReadResult r = ReadView(forward);
    if (r == ReadResult::kEnd) {
      RestoreResetValues();
      break;
    }
    if (r == ReadResult::kFailed) {
      settle();
      if (changed) list_->PageChanged();
      return;
    }
    if (SkipFirst) {
      SkipFirst = 0;
      if (view_->last_position() == edge) continue;
    }
    ValidateRecord();
    if (RecordStatus == kRecordOutOfRange) {
      settle();
      if (RecordCount > 0) {
        MakeCurrent(forward ? RecordCount : 1);
        FillBuffer();
      }
      break;
    }
    if (RecordStatus == kRecordFiltered) continue;
    if (AddQueue) {
      if (RecordCount >= VisibleRows()) {
        settle();
        const size_t n = queue_.size();
        if (forward) {
          entry_ = &queue_[first_];
          first_ = first_ + 1 == n ? 0 : first_ + 1;
        } else {
          first_ = first_ == 0 ? n - 1 : first_ - 1;
          entry_ = &queue_[first_];
        }
      } else {
        entry_ = &AddRow();
        if (!forward) ++prepended;
      }
      FillQueue();
      changed = true;
    }
    --ItemsToFill;
  }
  settle();
  AddQueue = 1;
  if (changed) list_->PageChanged();
}

void BrowseEngine::FillQueue() {
  entry_->icon = d_.FillQueueHook ? d_.FillQueueHook() : 0;
  entry_->record.assign(table().record(), table().record() + table().record_length());
  entry_->Position = view_->last_position();
}

void BrowseEngine::FillBuffer() {
  if (current_entry_ < 0 || current_entry_ >= RecordCount) return;
  const PageEntry& e = Row(static_cast<size_t>(current_entry_));
  for (int f : buffer_field_numbers_) {
    const FieldDef& fd = field(f);
    std::memcpy(table().record() + fd.offset, e.record.data() + fd.offset, fd.size);
  }
}

void BrowseEngine::ValidateRecord() {
  RecordStatus = d_.ValidateRecord ? static_cast<uint8_t>(d_.ValidateRecord()) : kRecordShown;
}

void BrowseEngine::RefreshPage() {
  window_->SetWaitCursor(true);
  // The record just located, where the view still stands, becomes the
  // first row without being read again.
  bool seeded = false;
  if (RefreshMode == kRefreshOnBuffer) {
    HighlightedPosition = view_->Position();
    seeded = view_->Continues(HighlightedPosition, true);
    if (!seeded && !view_->Reposition(HighlightedPosition).ok()) {
      StandardWarning(warning::kViewOpenError);
    }
    RefreshMode = kRefreshFromTop;
  } else if (RecordCount > 0) {
    const int32_t row =
        CurrentChoice >= 1 && CurrentChoice <= RecordCount ? CurrentChoice : RecordCount;
    HighlightedPosition = Row(static_cast<size_t>(row - 1)).Position;
    if (!view_->Reposition(Row(0).Position).ok()) StandardWarning(warning::kViewOpenError);
    RefreshMode = kRefreshKept;
  } else {
    HighlightedPosition.clear();
    Reset();
  }
  EmptyQueue();
  ItemsToFill = VisibleRows();
  if (seeded) {
    entry_ = &AddRow();
    FillQueue();
    --ItemsToFill;
    // The fills below may read nothing more (a list of one record).
    list_->PageChanged();
  }
  const bool from_bottom = RefreshMode == kRefreshFromBottom;
  FillDirection = from_bottom ? kFillBackward : kFillForward;
  FillRecord();
  if (!HighlightedPosition.empty() && ItemsToFill != 0) {
    if (RecordCount == 0) Reset();
    FillDirection = from_bottom ? kFillForward : kFillBackward;
    FillRecord();
  }
  if (RecordCount > 0) {
    if (!HighlightedPosition.empty()) {
      CurrentChoice = RecordCount;
      for (int32_t row = 1; row <= RecordCount; ++row) {
        if (Row(static_cast<size_t>(row - 1)).Position == HighlightedPosition) {
          CurrentChoice = row;
          break;
        }
      }
    } else {
      CurrentChoice = from_bottom ? RecordCount : 1;
    }
    list_->SetSelection(CurrentChoice);
    MakeCurrent(CurrentChoice);
    FillBuffer();
    EnableButtons(true);
  } else {
    table().ClearRecord();
    CurrentChoice = 0;
    list_->SetSelection(0);
    EnableButtons(false);
  }
  window_->SetWaitCursor(false);
  RefreshMode = 0;
}

void BrowseEngine::LocateRecord() {
  if (LocateMode == kLocateOnCurrent) LocateMode = kLocateOnPosition;
  view_->Close();
  Status st;
  if (LocateMode == kLocateOnPosition) {
    SetViewOrder(false);
    HighlightedPosition = view_->Position();
    st = HighlightedPosition.empty() ? view_->OpenAtBuffer()
                                     : view_->Reposition(HighlightedPosition);
  } else {
    SetViewOrder(true);
    st = view_->OpenAtBuffer();
  }
  if (!st.ok()) StandardWarning(warning::kViewOpenError);
  EmptyQueue();
  ItemsToFill = 1;
  FillDirection = kFillForward;
  AddQueue = 0;
  FillRecord();
  AddQueue = 1;
  RefreshMode = ItemsToFill == 1 ? kRefreshFromBottom : kRefreshOnBuffer;
  RefreshPage();
  PostNewSelection();
  LocateMode = 0;
}

void BrowseEngine::SelectSort() {
  LastSortOrder = SortOrder;
  Changed = 0;
  int32_t order = d_.order_of_tab ? d_.order_of_tab(window_->SelectedTab()) : 1;
  order = std::clamp<int32_t>(order, 1, static_cast<int32_t>(d_.sorts.size()));
  SortOrder = static_cast<uint8_t>(order);
  if (SortOrder == LastSortOrder) {
    // Only the ranges of the order in force bound the page. Another order's
    // limit may be a buffer the window changes for its own ends (the log's
    // country order reads the DXCC record, which the entry form moves while
    // looking up countries); its copy is taken again when that order is
    // selected.
    const std::vector<RangeLimit>& ranges = sort().ranges;
    for (size_t i = 0; i < ranges.size(); ++i) {
      const std::vector<uint8_t>& copy = sort_state().Reset[i];
      if (std::memcmp(copy.data(), ranges[i].live.address, copy.size()) != 0) Changed = 1;
    }
  } else if (LastSortOrder == 0 && LocalRequest_ == kSelectRecord) {
    // A picker locates on the record its caller left in the buffer, so the
    // key field keeps its value; only the locator text starts empty.
    sort_state().LocatorValue.clear();
    sort_state().LocatorLength = 0;
  } else {
    ClearLocator();
  }
  if (SortOrder != LastSortOrder || Changed || forced_refresh_) {
    for (size_t o = 0; o < d_.sorts.size(); ++o) {
      for (size_t i = 0; i < d_.sorts[o].ranges.size(); ++i) {
        std::vector<uint8_t>& copy = sorts[o].Reset[i];
        std::memcpy(copy.data(), d_.sorts[o].ranges[i].live.address, copy.size());
      }
    }
    GetRecord();
    Reset();
    if (LastSortOrder == 0) {
      if (LocalRequest_ == kSelectRecord) {
        LocateMode = kLocateOnValues;
        LocateRecord();
      } else {
        EmptyQueue();
        RefreshMode = kRefreshFromTop;
        RefreshPage();
        PostNewSelection();
      }
    } else if (Changed) {
      EmptyQueue();
      RefreshMode = kRefreshFromTop;
      RefreshPage();
      PostNewSelection();
    } else {
      LocateMode = kLocateOnValues;
      LocateRecord();
    }
    if (RecordCount > 0) {
      MakeCurrent(CurrentChoice);
      FillBuffer();
    }
    InitializeBrowse();
  } else if (RecordCount > 0) {
    MakeCurrent(CurrentChoice);
    FillBuffer();
  }
}

void BrowseEngine::InitializeBrowse() {
  window_->SetWaitCursor(true);
  Reset();
  RecordsCounted = 0;
  if (d_.count_pass && d_.count_pass()) {
    for (;;) {
      ReadResult r = ReadView(true);
      if (r == ReadResult::kEnd) {
        RestoreResetValues();
        break;
      }
      if (r == ReadResult::kFailed) {
        window_->SetWaitCursor(false);
        return;
      }
      ValidateRecord();
      if (RecordStatus == kRecordOutOfRange) break;
      if (RecordStatus == kRecordFiltered) continue;
      // FillQueue's work on a record that joins no page: its hook alone.
      if (d_.FillQueueHook) d_.FillQueueHook();
      ++RecordsCounted;
    }
  }
  if (d_.publish_count) d_.publish_count(RecordsCounted);
  window_->SetWaitCursor(false);

  const BrowseSortOrder& s = sort();
  const SortKeys& k = sort_keys();
  SortState& state = sort_state();
  if (s.thumb == ThumbKind::kFixed) return;
  const FieldDef& f = field(k.thumb_field);
  // The last and the first record of the range that the browse shows.
  auto edge = [&](bool forward, std::string* text, double* number) {
    Reset();
    for (;;) {
      ReadResult r = ReadView(forward);
      if (r == ReadResult::kEnd) {
        RestoreResetValues();
        return true;
      }
      if (r == ReadResult::kFailed) return false;
      ValidateRecord();
      if (RecordStatus == kRecordOutOfRange) return true;
      if (RecordStatus == kRecordFiltered) continue;
      *text = browse_field::Text(f, table().record());
      *number = browse_field::Number(f, table().record());
      return true;
    }
  };
  if (!edge(false, &state.text_high, &state.real_high)) return;
  if (!edge(true, &state.text_low, &state.real_low)) return;
  state.real_stops.clear();
  state.string_stops.clear();
  if (browse_field::IsText(f)) {
    SetupStringStops(state.text_low, state.text_high, f.size, s.thumb_list_type);
    for (int i = 0; i < kThumbStops; ++i) state.string_stops.push_back(NextStringStop());
  } else {
    SetupRealStops(state.real_low, state.real_high);
    for (int i = 0; i < kThumbStops; ++i) {
      double stop = NextRealStop();
      state.real_stops.push_back(IsIntegral(f) ? std::trunc(stop) : stop);
    }
  }
}

void BrowseEngine::RestoreResetValues() {
  const BrowseSortOrder& s = sort();
  for (size_t i = 0; i < s.ranges.size(); ++i) {
    const std::vector<uint8_t>& copy = sort_state().Reset[i];
    std::memcpy(const_cast<void*>(s.ranges[i].live.address), copy.data(), copy.size());
  }
}

void BrowseEngine::GetRecord() {
  if (RecordCount == 0) return;
  CurrentChoice = std::clamp<int32_t>(list_->Selection(), 1, RecordCount);
  MakeCurrent(CurrentChoice);
  // Another station may have changed the row since the page was read; the
  // form gets the stored record, watched for the next change. A row that
  // has gone leaves the page's copy in the buffer.
  if (!view_->Reget(Row(static_cast<size_t>(current_entry_)).Position).ok()) FillBuffer();
}

void BrowseEngine::RefreshWindow() {
  SelectSort();
  list_->SetThumb(std::min<int32_t>(CurrentScroll, kThumbBottom));
  const BrowseSortOrder& s = sort();
  const SortKeys& k = sort_keys();
  if (s.locator == LocatorKind::kIncremental) {
    SetLocatorKey();
  } else if (s.locator == LocatorKind::kEntry && field(k.locator_field).type == FieldType::kDate) {
    const FieldDef& f = field(k.locator_field);
    SortState& state = sort_state();
    state.LocatorValue.clear();
    expr::AppendNumber(browse_field::Number(f, table().record()), &state.LocatorValue);
    state.LocatorLength = static_cast<uint8_t>(state.LocatorValue.size());
    browse_field::Clear(f, table().record());
  }
  window_->Redisplay();
  forced_refresh_ = false;
}

}  // namespace kavo
