// Decoded pages that the page cache trimmed, kept beneath it so that reading
// such a page again costs neither a disk read nor decoding.
//
// The page cache's trimming keeps only a few dozen pages under random access;
// the reserve keeps what it drops, up to a byte budget, least recently
// trimmed first out. Invariant: every page here is exactly what the disk
// holds at its reference in the committed state of one change counter. Pages
// enter only unchanged, the reserve empties itself when asked with another
// counter (any commit, by anyone, raises it), and a page taken out leaves
// the reserve, so no page is ever both here and in the page cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "store/page.h"
#include "store/page_map.h"

namespace kavo {

class PageReserve {
 public:
  explicit PageReserve(size_t budget_bytes) : budget_(budget_bytes) {}
  PageReserve(const PageReserve&) = delete;
  PageReserve& operator=(const PageReserve&) = delete;

  // Keeps an unchanged page of the committed state at counter.
  void Put(std::shared_ptr<Page> page, int32_t counter);
  // The page at ref, taken out of the reserve; nullptr when there is none of
  // counter.
  std::shared_ptr<Page> Take(int32_t ref, int32_t counter);
  void Clear();
  size_t size() const { return pages_.size(); }
  size_t bytes() const { return bytes_; }

 private:
  // A place in the order of arrival. A page taken out leaves its place
  // behind rather than being unlinked (which would touch two other pages on
  // every take); a place is live while the page at ref arrived with its
  // stamp. Stamps and weights are kept in the map, so that neither sweeping
  // nor dropping touches the pages themselves.
  struct Place {
    int32_t ref;
    uint64_t stamp;
  };
  void Validate(int32_t counter);
  bool Live(const Place& place) const;
  void DropOldest();
  void SweepPlaces();

  size_t budget_;
  size_t bytes_ = 0;
  int32_t counter_ = 0;
  uint64_t next_stamp_ = 1;
  PageMap pages_;
  std::deque<Place> order_;  // front: trimmed longest ago
};

}  // namespace kavo
