#include "store/page_reserve.h"

#include <utility>

namespace kavo {

void PageReserve::Validate(int32_t counter) {
  if (counter == counter_) return;
  Clear();
  counter_ = counter;
}

void PageReserve::Put(std::shared_ptr<Page> page, int32_t counter) {
  if (page->changed || page->ref < 0) return;
  Validate(counter);
  const size_t bytes = page->SizeEstimate();
  if (bytes > budget_) return;
  const int32_t ref = page->ref;
  auto it = pages_.find(ref);
  if (it != pages_.end()) {
    bytes_ -= it->second.bytes;
    order_.erase(it->second.order);
    pages_.erase(it);
  }
  while (bytes_ + bytes > budget_ && !order_.empty()) {
    auto old = pages_.find(order_.front());
    bytes_ -= old->second.bytes;
    pages_.erase(old);
    order_.pop_front();
  }
  auto order = order_.insert(order_.end(), ref);
  pages_.emplace(ref, Entry{std::move(page), bytes, order});
  bytes_ += bytes;
}

std::shared_ptr<Page> PageReserve::Take(int32_t ref, int32_t counter) {
  Validate(counter);
  auto it = pages_.find(ref);
  if (it == pages_.end()) return nullptr;
  std::shared_ptr<Page> page = std::move(it->second.page);
  bytes_ -= it->second.bytes;
  order_.erase(it->second.order);
  pages_.erase(it);
  return page;
}

void PageReserve::Clear() {
  pages_.clear();
  order_.clear();
  bytes_ = 0;
}

}  // namespace kavo
