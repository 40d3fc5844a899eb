#include "store/page_cache.h"

#include <algorithm>

namespace kavo {

void PageCache::Rest(Page* page) {
  page->resting = true;
  page->weight = page->SizeEstimate();
  if (page->leaf()) {
    resting_leaves_.PushBack(page);
    leaf_bytes_ += page->weight;
    while (leaf_bytes_ > leaf_budget()) DropOldest(resting_leaves_);
  } else {
    resting_index_.PushBack(page);
    index_bytes_ += page->weight;
  }
  while (resting_bytes() > budget_)
    DropOldest(resting_leaves_.empty() ? resting_index_ : resting_leaves_);
}

void PageCache::Wake(Page* page) {
  if (page->leaf()) {
    resting_leaves_.Erase(page);
    leaf_bytes_ -= page->weight;
  } else {
    resting_index_.Erase(page);
    index_bytes_ -= page->weight;
  }
  page->resting = false;
}

void PageCache::DropOldest(PageList& resting) {
  Page* page = resting.front();
  Wake(page);
  std::shared_ptr<Page> dropped = pages_.Take(page->ref);
  if (dropped && dropped.use_count() == 1) spare_ = std::move(dropped);
}

bool PageCache::WantedBefore(int32_t ref) {
  const size_t slot = RefHash(ref, 32 - kWantedBits);
  if (wanted_[slot] == ref) return true;
  wanted_[slot] = ref;
  return false;
}

std::shared_ptr<Page> PageCache::TakeSpare() {
  std::shared_ptr<Page> old = std::move(spare_);
  return old ? Page::WithBuffersOf(old.get()) : nullptr;
}

std::shared_ptr<Page> PageCache::Find(int32_t ref) {
  ++clock_;
  const std::shared_ptr<Page>* p = pages_.Find(ref);
  if (p == nullptr) return nullptr;
  Page* page = p->get();
  if (page->resting) {
    // Back from the reserve, as if read anew.
    Wake(page);
    page->entered = clock_;
    lru_.PushBack(page);
  } else if (!page->changed) {
    lru_.MoveToBack(page);
  }
  page->used = clock_;
  return *p;
}

void PageCache::Insert(const std::shared_ptr<Page>& page) {
  Erase(page->ref);
  page->entered = page->used = clock_;
  page->resting = false;
  if (page->changed) {
    changed_.push_back(page.get());
  } else {
    lru_.PushBack(page.get());
  }
  pages_.Put(page);
}

void PageCache::MarkChanged(Page* page) {
  if (page->changed) return;
  const std::shared_ptr<Page>* p = pages_.Find(page->ref);
  if (p != nullptr && p->get() == page) {
    if (page->resting) {
      Wake(page);
    } else {
      lru_.Erase(page);
    }
  }
  page->changed = true;
  changed_.push_back(page);
}

void PageCache::Rekey(int32_t old_ref, int32_t new_ref) {
  std::shared_ptr<Page> page = pages_.Take(old_ref);
  if (!page) return;
  page->ref = new_ref;
  pages_.Put(std::move(page));
}

void PageCache::Trim(bool keep, int32_t counter) {
  if (counter != counter_) {
    DropResting();
    counter_ = counter;
  }
  while (lru_.size() >= 20) {
    Page* p = lru_.front();
    const std::shared_ptr<Page>* e = pages_.Find(p->ref);
    if (e == nullptr || e->use_count() > 1) return;
    bool drop = lru_.size() >= 100;
    if (!drop) {
      uint64_t since_use = clock_ - p->used;
      uint64_t since_entry = clock_ - p->entered;
      drop = since_use >= 4 * (since_entry / lru_.size());
    }
    if (!drop) return;
    lru_.Erase(p);
    if (keep && p->ref >= 0 && p->SizeEstimate() <= (p->leaf() ? leaf_budget() : budget_)) {
      Rest(p);
    } else {
      (void)pages_.Take(p->ref);
    }
  }
}

void PageCache::Erase(int32_t ref) {
  std::shared_ptr<Page> page = pages_.Take(ref);
  if (!page) return;
  if (page->changed) {
    changed_.erase(std::remove(changed_.begin(), changed_.end(), page.get()), changed_.end());
  } else if (page->resting) {
    Wake(page.get());
  } else {
    lru_.Erase(page.get());
  }
}

void PageCache::Clear() {
  while (!resting_leaves_.empty()) Wake(resting_leaves_.front());
  while (!resting_index_.empty()) Wake(resting_index_.front());
  pages_.Clear();
  lru_.Clear();
  changed_.clear();
}

void PageCache::DropResting() {
  while (!resting_leaves_.empty()) DropOldest(resting_leaves_);
  while (!resting_index_.empty()) DropOldest(resting_index_);
}

void PageCache::DropChanged() {
  std::vector<Page*> pages;
  pages.swap(changed_);
  for (Page* p : pages) {
    const std::shared_ptr<Page>* e = pages_.Find(p->ref);
    if (e != nullptr && e->get() == p) (void)pages_.Take(p->ref);
  }
}

void PageCache::CommitChanged() {
  for (Page* p : changed_) {
    p->changed = false;
    const std::shared_ptr<Page>* e = pages_.Find(p->ref);
    if (e != nullptr && e->get() == p) lru_.PushBack(p);
  }
  changed_.clear();
}

}  // namespace kavo
