#include "store/page_reserve.h"

#include <utility>

namespace kavo {

void PageReserve::Validate(int32_t counter) {
  if (counter == counter_) return;
  Clear();
  counter_ = counter;
}

void PageReserve::Remove(Page* page) {
  order_.Erase(page);
  bytes_ -= page->SizeEstimate();
}

void PageReserve::Put(std::shared_ptr<Page> page, int32_t counter) {
  if (page->changed || page->ref < 0) return;
  Validate(counter);
  const size_t bytes = page->SizeEstimate();
  if (bytes > budget_) return;
  if (std::shared_ptr<Page> old = pages_.Take(page->ref)) Remove(old.get());
  while (bytes_ + bytes > budget_ && !order_.empty()) {
    Page* oldest = order_.front();
    Remove(oldest);
    (void)pages_.Take(oldest->ref);
  }
  order_.PushBack(page.get());
  bytes_ += bytes;
  pages_.Put(std::move(page));
}

std::shared_ptr<Page> PageReserve::Take(int32_t ref, int32_t counter) {
  Validate(counter);
  std::shared_ptr<Page> page = pages_.Take(ref);
  if (page) Remove(page.get());
  return page;
}

void PageReserve::Clear() {
  pages_.Clear();
  order_.Clear();
  bytes_ = 0;
}

}  // namespace kavo
