// The description of one browse instance: everything that makes a list
// window of the program different from another. The engine (browse_engine.h)
// is one class; every list window is an engine built from a description.
//
// How to describe an instance:
//   - table: the DataFile of the procedure's context (context.DXCC, ...);
//     table_name is the name the read-error warning shows ("DXCC").
//   - prefix: "BRW1" for the first list of a window, "BRW2" for a second;
//     it names the Reset copies in filter expressions
//     ("BRW2::Sort1:Reset:NA_:Naim").
//   - sorts: the sort orders, numbered from 1 in the order given. Each has
//     its key by name, an optional filter (names in it are the table's
//     fields, the Reset copies and the instance's extra bindings), its range
//     limits (each a live variable primed into a leading key component; the
//     engine keeps the Reset copy), its locator (none, incremental, or an
//     entry field) with the key components a locate clears, and its thumb
//     (fixed rule, numeric or string stops on the free key component).
//   - order_of_tab: maps the selected tab's choice number to a sort order.
//   - format: the list format text as the instance's design gives it;
//     column_fields names the record field each column shows, in column
//     order ("" for an icon column, whose value FillQueueHook answers);
//     buffer_fields are the fields FillBuffer copies back (the columns'
//     fields and any others the page carries, such as a detail field).
//   - buttons: the control numbers of the list and the insert, change,
//     delete and select buttons (0 when the window has none).
//   - update: the update procedure, called with GlobalRequest set and
//     VCRRequest 0; it leaves GlobalResponse (and may set VCRRequest).
//     Empty: the procedure is announced as not defined (update_name).
//   - ValidateRecord, FillQueueHook, count pass: only the log browse uses
//     them (tag display, tagging, counting); leave them empty elsewhere.
//
// A worked instance: the DXCC list, src/log/select_dxcc_list.cpp, driven by
// tests/log/select_dxcc_test.cpp; its window is src/app/select_dxcc.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "browse/thumb_stops.h"
#include "data/context.h"
#include "expr/expr_var.h"

namespace kavo {

enum class LocatorKind { kNone, kIncremental, kEntry };
enum class ThumbKind { kFixed, kNumeric, kString };

// A range-limit variable: `live` is the variable the window changes (a
// program-wide variable, a local of the procedure or another table's
// buffer field); `field` is the leading key component primed from it.
// `name` names the Reset copy: "<prefix>::Sort<n>:Reset:<name>".
struct RangeLimit {
  std::string name;
  expr::VarRef live;
  std::string field;
};

struct BrowseSortOrder {
  std::string key;     // "DXC:BEY_1"
  std::string filter;  // empty: none
  std::vector<RangeLimit> ranges;
  LocatorKind locator = LocatorKind::kNone;
  std::string locator_field;                // the key field the locator fills
  int32_t locator_control = 0;              // its entry field, 0 when none
  std::vector<std::string> locator_clears;  // less significant components a locate clears
  ThumbKind thumb = ThumbKind::kFixed;
  std::string thumb_field;  // the free key component the stops are on
  int32_t thumb_list_type = kStopLetters;
};

// The common order of the reference lists: one key field, typed into by an
// incremental locator and its entry field, with string thumb stops on it.
inline BrowseSortOrder IncrementalOrder(std::string key, std::string field, int32_t entry_control) {
  BrowseSortOrder s;
  s.key = std::move(key);
  s.locator = LocatorKind::kIncremental;
  s.locator_field = field;
  s.locator_control = entry_control;
  s.thumb = ThumbKind::kString;
  s.thumb_field = std::move(field);
  return s;
}

struct BrowseButtons {
  int32_t list = 0;
  int32_t insert = 0;
  int32_t change = 0;
  int32_t delete_ = 0;
  int32_t select = 0;
};

struct BrowseDescription {
  DataFile* table = nullptr;
  std::string table_name;
  std::string prefix = "BRW1";
  std::vector<BrowseSortOrder> sorts;
  std::function<int32_t(int32_t tab)> order_of_tab;
  std::string format;
  std::vector<std::string> column_fields;
  std::vector<std::string> buffer_fields;
  BrowseButtons buttons;
  std::string update_name;
  std::function<void()> update;
  // Further names the filters use ("MODE", "diapaz", ...).
  std::vector<std::pair<std::string, expr::VarRef>> bindings;
  // 0 shown, 1 out of range (the fill stops), 2 filtered (skipped).
  std::function<int32_t()> ValidateRecord;
  // Runs as FillQueue copies the record in the buffer; answers the icon.
  std::function<int32_t()> FillQueueHook;
  // Whether InitializeBrowse runs its counting pass now, and where the
  // count goes.
  std::function<bool()> count_pass;
  std::function<void(int32_t)> publish_count;
  // Extra right-click menu entries (PopupText); empty in every browse.
  std::string PopupText;
};

}  // namespace kavo
