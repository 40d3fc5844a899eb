#include "store/page_map.h"

#include <utility>

namespace kavo {

size_t PageMap::Slot(int32_t ref) const {
  const size_t mask = slots_.size() - 1;
  size_t i = Home(ref);
  while (slots_[i].page && slots_[i].ref != ref) i = (i + 1) & mask;
  return i;
}

const PageMap::Entry* PageMap::FindEntry(int32_t ref) const {
  if (count_ == 0) return nullptr;
  const Entry& slot = slots_[Slot(ref)];
  return slot.page ? &slot : nullptr;
}

void PageMap::Put(std::shared_ptr<Page> page) {
  // At most half full, so that probe runs stay short.
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  Entry& slot = slots_[Slot(page->ref)];
  if (!slot.page) ++count_;
  slot.ref = page->ref;
  slot.page = std::move(page);
}

std::shared_ptr<Page> PageMap::Take(int32_t ref) {
  if (count_ == 0) return nullptr;
  const size_t mask = slots_.size() - 1;
  size_t hole = Slot(ref);
  if (!slots_[hole].page) return nullptr;
  std::shared_ptr<Page> page = std::move(slots_[hole].page);
  --count_;
  // Shift the rest of the run back over the hole where that brings a page
  // no further from its home slot.
  for (size_t i = (hole + 1) & mask; slots_[i].page; i = (i + 1) & mask) {
    size_t home = Home(slots_[i].ref);
    bool movable = hole <= i ? (home <= hole || home > i) : (home <= hole && home > i);
    if (movable) {
      slots_[hole] = std::move(slots_[i]);
      hole = i;
    }
  }
  return page;
}

void PageMap::Clear() {
  for (Entry& slot : slots_) slot.page.reset();
  count_ = 0;
}

void PageMap::Grow() {
  std::vector<Entry> old;
  old.swap(slots_);
  size_t n = old.empty() ? 64 : old.size() * 2;
  slots_.resize(n);
  shift_ = 32;
  for (size_t m = n; m > 1; m >>= 1) --shift_;
  count_ = 0;
  for (Entry& e : old)
    if (e.page) Put(std::move(e.page));
}

void PageList::PushBack(Page* p) {
  p->list_prev = tail_;
  p->list_next = nullptr;
  if (tail_ != nullptr) {
    tail_->list_next = p;
  } else {
    head_ = p;
  }
  tail_ = p;
  ++size_;
}

void PageList::Erase(Page* p) {
  if (p->list_prev != nullptr) {
    p->list_prev->list_next = p->list_next;
  } else {
    head_ = p->list_next;
  }
  if (p->list_next != nullptr) {
    p->list_next->list_prev = p->list_prev;
  } else {
    tail_ = p->list_prev;
  }
  p->list_prev = p->list_next = nullptr;
  --size_;
}

}  // namespace kavo
