// The leaves that recent descents of the page tree reached, by the keys of
// their first and last records, so that a read whose key lies within one of
// them goes straight to that leaf. Reads in the order of a key read the rows
// in record order at random; a row's leaf found here saves the descent from
// the root and its page lookups at every level.
//
// An entry is the heads of a leaf's first and last keys and the leaf's page
// reference: plain values, in one sorted array (searched) and a short sorted
// batch of the latest additions, merged into the array when it fills, so
// that a lookup reads a few adjacent cache lines and an addition allocates
// nothing once the index has grown. Heads only narrow the search: the owner
// reads each candidate leaf through the page cache (the reference may have
// left the cache; it is then read again) and serves it only when its own
// first and last keys enclose the key.
//
// Invariant: every entry names a leaf of the current state of the tree, so
// the ranges are disjoint. The owner clears the index whenever the tree or
// the pages beneath it change (the generation of PageTree's fingers), so it
// never names a page of an earlier state; references of pages not yet placed
// are never added.
//
// Threading: owned by one PageTree; REQUIRES: StoreMutex() (table.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "store/page.h"

namespace kavo {

class LeafIndex {
 public:
  // Candidates tried for one key, at most: past them the descent is cheaper.
  static constexpr size_t kMaxCandidates = 4;

  // The references of the leaves that may hold key, the likeliest first;
  // returns their number.
  size_t Candidates(std::string_view key, int32_t refs[kMaxCandidates]) const;
  // Records a non-empty, placed leaf of the current state of the tree.
  void Add(const Page& leaf);
  void Clear();
  size_t size() const { return main_.size() + batch_.size(); }

 private:
  // Enough for the row leaves of a large log; past it the index starts
  // afresh rather than choosing what to forget.
  static constexpr size_t kMaxLeaves = 65536;
  // Additions kept apart before a merge: a merge moves every entry, an
  // addition to the batch only the entries after it.
  static constexpr size_t kBatch = 256;

  struct Entry {
    KeyHead first;
    KeyHead last;
    int32_t ref;
  };
  static bool Before(const Entry& a, const Entry& b) {
    return a.first == b.first ? a.last < b.last : a.first < b.first;
  }
  // Adds the candidates of one sorted part.
  static void Search(const std::vector<Entry>& part, const KeyHead& head, int32_t refs[],
                     size_t* n);
  static bool Holds(const std::vector<Entry>& part, const Entry& e);
  void Merge();

  std::vector<Entry> main_;   // sorted by Before
  std::vector<Entry> batch_;  // sorted by Before, at most kBatch
  std::vector<Entry> spare_;  // the array of the previous merge, reused
};

}  // namespace kavo
