// The pages of one store file held in memory, found by page reference, and
// the order in which the cache and the reserve let them go.
//
// PageMap is an open-addressing hash table from reference to page: finding,
// adding and removing a page allocate nothing once the table has grown to
// the number of pages held, and a probe reads only the slots' references.
// Invariant: a slot is empty exactly when its page pointer is null, and
// every page lies within its probe run from its home slot (removal shifts
// the run back rather than leaving tombstones).
//
// PageList is an intrusive doubly linked list through Page::list_prev and
// Page::list_next (the cache's least-recently-used list and its reserve), so
// that moving a page in it costs no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "store/page.h"

namespace kavo {

// A page reference hashed to its top 32 - shift bits (0 < shift < 32).
// Fibonacci hashing spreads neighbouring references, and references in
// steps of a region's size, over a table.
inline size_t RefHash(int32_t ref, unsigned shift) {
  return static_cast<size_t>((static_cast<uint32_t>(ref) * 2654435769u) >> shift);
}

class PageMap {
 public:
  // The page at ref, nullptr when none.
  const std::shared_ptr<Page>* Find(int32_t ref) const {
    const Entry* e = FindEntry(ref);
    return e == nullptr ? nullptr : &e->page;
  }
  // Adds or replaces the page at page->ref.
  void Put(std::shared_ptr<Page> page);
  // Removes the page at ref and hands it out; nullptr when none.
  std::shared_ptr<Page> Take(int32_t ref);
  void Clear();
  size_t size() const { return count_; }

 private:
  struct Entry {
    int32_t ref = 0;
    std::shared_ptr<Page> page;
  };

  const Entry* FindEntry(int32_t ref) const;
  size_t Home(int32_t ref) const { return RefHash(ref, shift_); }
  size_t Slot(int32_t ref) const;  // the slot of ref, or of the empty slot ending its run
  void Grow();

  std::vector<Entry> slots_;
  size_t count_ = 0;
  unsigned shift_ = 32;
};

class PageList {
 public:
  PageList() = default;
  PageList(const PageList&) = delete;
  PageList& operator=(const PageList&) = delete;

  Page* front() const { return head_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void PushBack(Page* p);
  void Erase(Page* p);
  void MoveToBack(Page* p) {
    if (p == tail_) return;
    Erase(p);
    PushBack(p);
  }
  // Forgets every page (their links are left stale; they are reset when a
  // page is pushed again).
  void Clear() {
    head_ = tail_ = nullptr;
    size_ = 0;
  }

 private:
  Page* head_ = nullptr;
  Page* tail_ = nullptr;
  size_t size_ = 0;
};

}  // namespace kavo
