// The page-loaded browse engine: one table shown through one list, a page
// at a time. Every list window of the program is this engine built from a
// BrowseDescription (browse_instance.h); the window only forwards its events
// and shows the page.
//
// The engine never loads the table. It keeps exactly one page of rows (as
// many as the list shows) in the page queue, reads further records in the
// order of the current key only when the user scrolls past the page, and
// keeps each row's record position to re-read, re-select or re-position on
// it later. It builds a 100-stop key distribution so that the thumb shows
// where the page lies and can be dragged to jump there, runs the typed
// locators, and hands the selected record to the update procedure through
// GlobalRequest / GlobalResponse / VCRRequest.
//
// Invariants, after every routine that returns to the event loop:
//   - RecordCount == the queue's size <= the list's visible rows;
//   - the rows are one contiguous stretch of the view in key order, as the
//     store held it at the last fill (another station's changes show at the
//     next refresh; nothing is cached beyond the page);
//   - CurrentChoice is in 1..RecordCount, or 0 exactly when the page is empty.
//
// The routines keep the names they have in the design and work on the
// state members below. The window procedure calls:
//   OpenWindow() once, GainFocus(), Resized(); TakeEvent() for every event
//   of the list; Accepted() for the insert, change, delete and select
//   buttons; ToolbarCommand() for the frame's navigation toolbar while this
//   browse owns it; RefreshWindow() after a tab or range selector changed;
//   LocatorAccepted() when a locator entry field is accepted; Close().
//
// REQUIRES: one thread (the window's); the engine is not re-entered, except
// that the update procedure runs inside CallUpdate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browse/browse_instance.h"
#include "browse/browse_list.h"
#include "browse/list_format.h"
#include "expr/expr_scope.h"
#include "runtime/picture.h"

namespace kavo {

class BrowseView;

// RefreshMode values.
inline constexpr uint8_t kRefreshOnBuffer = 1;
inline constexpr uint8_t kRefreshKeepPage = 2;
inline constexpr uint8_t kRefreshFromTop = 3;
inline constexpr uint8_t kRefreshFromBottom = 4;
inline constexpr uint8_t kRefreshKept = 5;

// LocateMode values.
inline constexpr uint8_t kLocateOnCurrent = 1;
inline constexpr uint8_t kLocateOnValues = 2;
inline constexpr uint8_t kLocateOnPosition = 3;

// RecordStatus values.
inline constexpr uint8_t kRecordShown = 0;
inline constexpr uint8_t kRecordOutOfRange = 1;
inline constexpr uint8_t kRecordFiltered = 2;

// FillDirection values.
inline constexpr uint8_t kFillBackward = 1;
inline constexpr uint8_t kFillForward = 2;

// One row of the page: the record image as read (the columns and the
// fields FillBuffer restores), the icon, and the record's position.
struct PageEntry {
  std::vector<uint8_t> record;
  int32_t icon = 0;
  std::string Position;
};

// The rows of the page in page order, over the slots that hold them. The
// slots turn round as a full page scrolls: the row that joins takes the
// slot of the row that leaves, and no other row moves. Valid until the
// engine next changes the page.
class PageRows {
 public:
  PageRows(const std::vector<PageEntry>& held, size_t first) : slots_(&held), first_(first) {}

  size_t size() const { return slots_->size(); }
  bool empty() const { return slots_->empty(); }
  const PageEntry& operator[](size_t row) const {
    const size_t slot = first_ + row;
    return (*slots_)[slot < size() ? slot : slot - size()];
  }
  const PageEntry& front() const { return (*this)[0]; }
  const PageEntry& back() const { return (*this)[size() - 1]; }

  class Iterator {
   public:
    Iterator(const PageRows& rows, size_t row)
        : slots_(rows.slots_), first_(rows.first_), row_(row) {}
    const PageEntry& operator*() const { return PageRows(*slots_, first_)[row_]; }
    const PageEntry* operator->() const { return &**this; }
    Iterator& operator++() {
      ++row_;
      return *this;
    }
    bool operator==(const Iterator& other) const { return row_ == other.row_; }
    bool operator!=(const Iterator& other) const { return row_ != other.row_; }

   private:
    const std::vector<PageEntry>* slots_;
    size_t first_;
    size_t row_;
  };
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, size()); }

 private:
  const std::vector<PageEntry>* slots_;
  size_t first_;
};

// Per sort order: the thumb distribution, the locator and the Reset copies.
struct SortState {
  std::vector<double> real_stops;         // KeyDistribution, numeric components
  std::vector<std::string> string_stops;  // KeyDistribution, string components
  double real_low = 0, real_high = 0;     // LowValue, HighValue
  std::string text_low, text_high;
  std::string LocatorValue;
  uint8_t LocatorLength = 0;
  std::vector<std::vector<uint8_t>> Reset;  // one copy per range limit
};

class BrowseEngine {
 public:
  // The description's table must be open while the engine reads (the
  // procedure opens its files before OpenWindow and releases them after
  // Close). Fails (returns nullptr with *error set) when the format text,
  // a key or a field name of the description is wrong.
  static std::unique_ptr<BrowseEngine> Create(BrowseDescription description, BrowseList* list,
                                              BrowseWindow* window, std::string* error);
  ~BrowseEngine();
  BrowseEngine(const BrowseEngine&) = delete;
  BrowseEngine& operator=(const BrowseEngine&) = delete;

  // ---- The window procedure's entry points ----

  // Start of the procedure: takes GlobalRequest as the local request,
  // answers "cancelled" until told otherwise, clears the request and the
  // response.
  void Start();
  // The window is open: AssignButtons, the first refresh (fills the page,
  // builds the distribution) and the focus on the list.
  void OpenWindow();
  void GainFocus();
  void Resized();
  // An event of the list. While the update procedure runs, events that
  // reach the list (queued before its form opened) are dropped: the form
  // shares the record buffer, and the engine refreshes when it returns.
  void TakeEvent(const ListEvent& event);
  // An accepted event on one of the instance's buttons (posted or pressed).
  void Accepted(int32_t control);
  // A command of the frame's navigation toolbar while this browse owns it.
  void ToolbarCommand(int32_t command);
  // The toolbar this browse owns from now on (nullptr: none).
  void SetToolbar(BrowseToolbar* toolbar);
  // A locator entry field of the current order was accepted with `text`.
  void LocatorAccepted(std::string_view text);
  // Ends the procedure: closes the view and publishes the local response
  // in GlobalResponse (a picker's choice stays in the record buffer).
  void Close();

  // ---- The page as the list shows it ----

  PageRows page() const { return PageRows(queue_, first_); }
  const std::vector<ListColumn>& columns() const { return columns_; }
  // The text of column `column` of row `row` (1-based row) through the
  // column's picture; the icon number for an icon column.
  std::string CellText(int32_t row, size_t column) const;
  // The locator text of the current order (what its entry field shows).
  const std::string& CurrentLocatorText() const;
  int32_t LocalRequest() const { return LocalRequest_; }
  int32_t LocalResponse() const { return LocalResponse_; }
  bool ChangeEnabled() const { return change_enabled_; }
  // Bytes the page queue holds (entries and positions, with the emptied
  // rows kept for their buffers).
  size_t PageBytes() const;
  // Records read from the store through the view.
  uint64_t RecordsRead() const;
  const BrowseDescription& description() const { return d_; }

  // ---- The routines ----
  void Reset();
  void FillRecord();
  void FillQueue();
  void FillBuffer();
  void ValidateRecord();
  void RefreshPage();
  void LocateRecord();
  void SelectSort();
  void InitializeBrowse();
  void RestoreResetValues();
  void ScrollOne();
  void ScrollPage();
  void ScrollEnd();
  void ProcessScroll();
  void ScrollDrag();
  void AlertKey();
  void NewSelection();
  void PostNewSelection();
  void GetRecord();
  void ButtonInsert();
  void ButtonChange();
  void ButtonDelete();
  void ButtonSelect();
  void CallUpdate();
  void PostVCREdit1();
  void PostVCREdit2();
  void AssignButtons();
  void DisplayBrowseToolbar();
  void ListBoxDispatch();
  void UpdateDispatch();
  void RefreshWindow();

  // ---- The state ----
  uint8_t SortOrder = 0;
  uint8_t LastSortOrder = 0;
  uint8_t Changed = 0;
  int32_t RecordCount = 0;
  int32_t ItemsToFill = 0;
  uint8_t FillDirection = kFillForward;
  uint8_t AddQueue = 1;
  uint8_t RecordStatus = kRecordShown;
  int32_t CurrentChoice = 0;
  int32_t CurrentEvent = 0;
  uint8_t RefreshMode = 0;
  uint8_t LocateMode = 0;
  uint8_t SkipFirst = 0;
  std::string HighlightedPosition;
  uint8_t NewSelectPosted = 0;
  uint8_t CurrentScroll = 0;
  int32_t ScrollRecordCount = 0;
  // The running count of the counting pass.
  int32_t RecordsCounted = 0;
  // Per sort order, index SortOrder - 1.
  std::vector<SortState> sorts;

 private:
  // The longest typed locator, and the thumb's bottom.
  static constexpr size_t kMaxLocator = 30;
  static constexpr int32_t kThumbBottom = 100;

  BrowseEngine(BrowseDescription description, BrowseList* list, BrowseWindow* window);
  bool Prepare(std::string* error);

  struct SortKeys;  // resolved key and field numbers of a sort order

  Table& table();
  const TableDef& def() const;
  const FieldDef& field(int number) const;
  const BrowseSortOrder& sort() const;
  SortState& sort_state();
  const SortKeys& sort_keys() const;
  int32_t VisibleRows() const;
  void PrimeRanges(uint8_t* record) const;
  // The Reset copy of a range limit, as a variable of the limit's type.
  expr::VarRef ResetCopy(size_t order, size_t range) const;
  void BindNames();
  void SetViewOrder(bool prime_buffer);
  // Row `row` of the page (0-based), in page order.
  PageEntry& Row(size_t row);
  // Puts the page's first row in the first slot.
  void Straighten();
  // A row added after the page's last: an emptied row's buffers when there
  // is one.
  PageEntry& AddRow();
  // Reads one record of the view. On an error other than the end of the
  // range it raises the read warning and posts the close request.
  enum class ReadResult { kRecord, kEnd, kFailed };
  ReadResult ReadView(bool forward);
  void EmptyQueue();
  void MakeCurrent(int32_t row);
  void EnableButtons(bool has_rows);
  void ClearLocator();
  void SetLocatorKey();
  void ClearLesserComponents();
  void TypeLocator(int32_t key, char character);
  void PlaceThumb();
  void RunUpdate();
  // Runs the update procedure with `request`, then follows the record.
  void UpdateAndFollow(int32_t request);
  void AfterUpdate();

  BrowseDescription d_;
  BrowseList* list_;
  BrowseWindow* window_;
  BrowseToolbar* toolbar_ = nullptr;
  std::vector<ListColumn> columns_;
  std::vector<Picture> pictures_;
  std::vector<int> column_field_numbers_;  // -1 for an icon column
  std::vector<int> buffer_field_numbers_;
  std::vector<SortKeys> sort_keys_;
  std::unique_ptr<BrowseView> view_;
  // The sort order whose key and filter the view has, and the record
  // buffer the filter's names were bound to (0, nullptr: none yet).
  uint8_t view_order_ = 0;
  const uint8_t* bound_record_ = nullptr;
  expr::BindScopes scopes_;
  bool scope_pushed_ = false;
  std::vector<PageEntry> queue_;
  size_t first_ = 0;  // the slot of the page's first row
  // Rows the page emptied, holding no record: their buffers serve the next
  // rows added, so refilling the page allocates nothing.
  std::vector<PageEntry> spare_;
  PageEntry* entry_ = nullptr;  // the queue entry FillQueue writes
  int32_t current_entry_ = -1;  // the queue entry FillBuffer reads, 0-based
  ListEvent event_;
  int32_t accepted_command_ = 0;

  std::string chosen_position_;  // the row the select button chose
  int32_t LocalRequest_ = 0;
  int32_t OriginalRequest_ = 0;
  int32_t LocalResponse_ = 2;
  bool forced_refresh_ = false;
  bool first_selection_done_ = false;
  bool change_enabled_ = false;
  bool updating_ = false;  // the update procedure runs
};

}  // namespace kavo
