// The view a browse reads its table through: one key, an optional filter and
// optional range limits on the key's leading components.
//
// Range limits: the ranged components are primed from the limit variables
// when the view opens. Reading forward from the start begins at the first
// entry not below the primed value; reading backward from the end begins at
// the last entry whose leading components equal it. A record whose leading
// components differ (compared as the key compares them, through their
// encoded key bytes) ends the range like the end of the key (error 33).
// The encoded bytes of the range are learned from the first record read;
// until then (and for an empty table) the range is unknown and no record is
// taken as in range without that check.
//
// Continuation: after a read the view knows the record it delivered last;
// Continues() tells the engine that reading on in the same direction gives
// what a reposition on that record would, so one-row scrolling reads one
// record. Every positioning forgets it.
//
// REQUIRES: the table is open; one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expr/expr_scope.h"
#include "expr/expr_view.h"
#include "runtime/status.h"
#include "store/table.h"

namespace kavo {

class BrowseView {
 public:
  explicit BrowseView(Table& table) : table_(table) {}

  // Chooses key and filter; range_fields are the field numbers of the
  // ranged leading components. Compiles the filter in `scopes`; a filter
  // that does not compile is dropped and its error returned (the caller
  // warns and reads on). The filter reads its names' values at every test,
  // so it stays good while the variables it was bound to live.
  Status SetOrder(int key, std::vector<int> range_fields, std::string_view filter,
                  expr::BindScopes& scopes);
  // The range's values: `primed` is a record image holding them in the
  // ranged components (empty without a range). Positions nowhere.
  void SetRange(const std::vector<uint8_t>& primed);
  // Positions at both ends of the range: forward reads start at its first
  // record, backward reads at its last.
  Status OpenAtEnds();
  // Positions at the first entry not below the key value in the buffer.
  Status OpenAtBuffer();
  // Positions on a stored position: the next read in either direction
  // reads that record first (or its neighbour when it has gone).
  Status Reposition(std::string_view position);
  void Close();

  // Reads the next record of the view (forward) or the previous one;
  // error 33 at the end of the key or the range. Filtered records are
  // passed over.
  Status Read(bool forward);
  // Reads the record at a stored position again, with change watching on.
  Status Reget(std::string_view position);

  // The position of the record in the buffer within the key (the current
  // record's number with the buffer's key value).
  std::string Position() const;
  // The position of the record the last read delivered; empty after a
  // positioning or a failed read.
  const std::string& last_position() const { return last_position_; }
  int key() const { return key_; }
  bool Continues(std::string_view position, bool forward) const;
  // Records read from the store since construction (for the benchmark).
  uint64_t reads() const { return reads_; }

 private:
  bool InRange(const std::string& position);
  bool LearnRange();
  Status PositionAtRangeEnd();

  Table& table_;
  int key_ = -1;
  std::vector<int> range_fields_;
  expr::ViewConditions conditions_;
  // The record buffer as primed when the order was set, and the encoded
  // leading bytes of the range once learned.
  std::vector<uint8_t> primed_;
  size_t range_length_ = 0;
  std::string range_prefix_;
  bool range_known_ = false;
  // Set by OpenAtEnds until the first read: a backward read must first go
  // to the end of the range.
  bool at_ends_ = false;
  std::string last_position_;
  // The position of the record being read; swapped with last_position_ when
  // it is kept, so that a walk allocates no position once warm.
  std::string read_position_;
  bool last_forward_ = true;
  uint32_t last_record_ = 0;
  uint64_t reads_ = 0;
};

}  // namespace kavo
