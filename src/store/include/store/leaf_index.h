// The leaves that recent descents of the page tree reached, by the keys of
// their first and last records, so that a read whose key lies within one of
// them goes straight to that leaf. Reads in the order of a key read the rows
// in record order at random; a row's leaf found here saves the descent from
// the root and its page lookups at every level.
//
// The leaves are held weakly: the index never keeps a page in memory, and a
// leaf that has gone is forgotten when next met. Invariant: the ranges held
// are disjoint, as the leaves of one state of the tree are. The owner clears
// the index whenever the tree or the pages beneath it change (the
// generation of PageTree's fingers), so it never serves a leaf of an earlier
// state.
//
// Threading: owned by one PageTree; REQUIRES: StoreMutex() (table.h).
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "store/page.h"

namespace kavo {

class LeafIndex {
 public:
  // The leaf whose first and last records' keys enclose key; nullptr when
  // none is known.
  std::shared_ptr<Page> Find(std::string_view key);
  // Records a non-empty leaf of the current state of the tree.
  void Add(const std::shared_ptr<Page>& leaf);
  void Clear() { leaves_.clear(); }
  size_t size() const { return leaves_.size(); }

 private:
  // Enough for the row leaves of a large log; past it the index starts
  // afresh rather than choosing what to forget.
  static constexpr size_t kMaxLeaves = 8192;

  // A key with its head, ordered as the key: most comparisons end at the
  // heads.
  struct Key {
    KeyHead head;
    std::string_view bytes;
  };
  struct First {
    KeyHead head;
    std::string bytes;
  };
  struct Order {
    using is_transparent = void;
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
      if (!(a.head == b.head)) return a.head < b.head;
      return std::string_view(a.bytes) < std::string_view(b.bytes);
    }
  };
  struct Leaf {
    std::string last;  // the key of the leaf's last record
    std::weak_ptr<Page> page;
  };
  std::map<First, Leaf, Order> leaves_;  // by the first record's key
};

}  // namespace kavo
