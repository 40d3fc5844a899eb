// The leaves that recent descents of the page tree reached, by the keys of
// their first and last records, so that a read whose key lies within one of
// them goes straight to that leaf. Reads in the order of a key read the rows
// in record order at random; a row's leaf found here saves the descent from
// the root and its page lookups at every level.
//
// An entry is the heads of a leaf's first and last keys and the leaf's page
// reference: plain values, kept in order in buckets of at most kBucket with
// the first entry of each bucket in a directory beside them. A lookup
// searches the directory and one bucket; an addition moves the entries of
// one bucket only, where one sorted array would move the whole index,
// megabytes once it has grown. Heads only narrow the search: the owner reads
// each candidate leaf through the page cache (the reference may have left
// the cache; it is then read again) and serves it only when its own first
// and last keys enclose the key.
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
  size_t size() const { return size_; }

 private:
  // Enough for the row leaves of a large log; past it the index starts
  // afresh rather than choosing what to forget.
  static constexpr size_t kMaxLeaves = 65536;
  // Entries a bucket holds before it splits in two.
  static constexpr size_t kBucket = 128;

  struct Entry {
    KeyHead first;
    KeyHead last;
    int32_t ref;
  };
  static bool Before(const Entry& a, const Entry& b) {
    return a.first == b.first ? a.last < b.last : a.first < b.first;
  }
  // The place of an entry: a bucket and an index within it.
  struct Place {
    size_t bucket;
    size_t index;
  };
  // Where e goes: after every entry not ordered after it.
  Place UpperBound(const Entry& e) const;
  // The entry before a place; false at the start of the index.
  bool StepBack(Place* at) const;
  const Entry& At(const Place& at) const { return buckets_[at.bucket][at.index]; }

  // Invariants: buckets_ holds no empty bucket and no more than kBucket
  // entries in any; the buckets in order are one sequence sorted by Before;
  // fronts_[i] is buckets_[i].front().
  std::vector<std::vector<Entry>> buckets_;
  std::vector<Entry> fronts_;
  size_t size_ = 0;
};

}  // namespace kavo
