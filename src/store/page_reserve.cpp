#include "store/page_reserve.h"

#include <utility>

namespace kavo {

void PageReserve::Validate(int32_t counter) {
  if (counter == counter_) return;
  Clear();
  counter_ = counter;
}

bool PageReserve::Live(const Place& place) const {
  const PageMap::Entry* e = pages_.FindEntry(place.ref);
  return e != nullptr && e->stamp == place.stamp;
}

void PageReserve::DropOldest() {
  while (!order_.empty()) {
    Place place = order_.front();
    order_.pop_front();
    if (!Live(place)) continue;
    bytes_ -= pages_.FindEntry(place.ref)->bytes;
    (void)pages_.Take(place.ref);
    return;
  }
}

void PageReserve::SweepPlaces() {
  std::deque<Place> live;
  for (const Place& place : order_)
    if (Live(place)) live.push_back(place);
  order_.swap(live);
}

void PageReserve::Put(std::shared_ptr<Page> page, int32_t counter) {
  if (page->changed || page->ref < 0) return;
  Validate(counter);
  const size_t bytes = page->SizeEstimate();
  if (bytes > budget_) return;
  if (const PageMap::Entry* old = pages_.FindEntry(page->ref)) {
    bytes_ -= old->bytes;
    (void)pages_.Take(page->ref);
  }
  while (bytes_ + bytes > budget_ && pages_.size() > 0) DropOldest();
  const uint64_t stamp = next_stamp_++;
  order_.push_back({page->ref, stamp});
  bytes_ += bytes;
  pages_.Put(std::move(page), stamp, bytes);
  // Places left behind by taken pages are swept once they outnumber the
  // pages, so the order stays within twice the reserve.
  if (order_.size() > 2 * pages_.size() + 64) SweepPlaces();
}

std::shared_ptr<Page> PageReserve::Take(int32_t ref, int32_t counter) {
  Validate(counter);
  const PageMap::Entry* e = pages_.FindEntry(ref);
  if (e == nullptr) return nullptr;
  bytes_ -= e->bytes;
  return pages_.Take(ref);
}

void PageReserve::Clear() {
  pages_.Clear();
  order_.clear();
  bytes_ = 0;
}

}  // namespace kavo
