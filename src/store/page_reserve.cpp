#include "store/page_reserve.h"

#include <utility>

namespace kavo {

void PageReserve::Validate(int32_t counter) {
  if (counter == counter_) return;
  Clear();
  counter_ = counter;
}

void PageReserve::DropOldest() {
  while (!order_.empty()) {
    Place place = order_.front();
    order_.pop_front();
    const std::shared_ptr<Page>* p = pages_.Find(place.ref);
    if (p == nullptr || (*p)->reserve_stamp != place.stamp) continue;
    bytes_ -= (*p)->SizeEstimate();
    (void)pages_.Take(place.ref);
    return;
  }
}

void PageReserve::SweepPlaces() {
  std::deque<Place> live;
  for (const Place& place : order_) {
    const std::shared_ptr<Page>* p = pages_.Find(place.ref);
    if (p != nullptr && (*p)->reserve_stamp == place.stamp) live.push_back(place);
  }
  order_.swap(live);
}

void PageReserve::Put(std::shared_ptr<Page> page, int32_t counter) {
  if (page->changed || page->ref < 0) return;
  Validate(counter);
  const size_t bytes = page->SizeEstimate();
  if (bytes > budget_) return;
  if (std::shared_ptr<Page> old = pages_.Take(page->ref)) bytes_ -= old->SizeEstimate();
  while (bytes_ + bytes > budget_ && pages_.size() > 0) DropOldest();
  page->reserve_stamp = next_stamp_++;
  order_.push_back({page->ref, page->reserve_stamp});
  bytes_ += bytes;
  pages_.Put(std::move(page));
  // Places left behind by taken pages are swept once they outnumber the
  // pages, so the order stays within twice the reserve.
  if (order_.size() > 2 * pages_.size() + 64) SweepPlaces();
}

std::shared_ptr<Page> PageReserve::Take(int32_t ref, int32_t counter) {
  Validate(counter);
  std::shared_ptr<Page> page = pages_.Take(ref);
  if (page) bytes_ -= page->SizeEstimate();
  return page;
}

void PageReserve::Clear() {
  pages_.Clear();
  order_.clear();
  bytes_ = 0;
}

}  // namespace kavo
