#include "store/page_cache.h"

#include <algorithm>

namespace kavo {

std::shared_ptr<Page> PageCache::Find(int32_t ref) {
  ++clock_;
  const std::shared_ptr<Page>* p = pages_.Find(ref);
  if (p == nullptr) return nullptr;
  Page* page = p->get();
  page->used = clock_;
  if (!page->changed) lru_.MoveToBack(page);
  return *p;
}

void PageCache::Insert(const std::shared_ptr<Page>& page) {
  Erase(page->ref);
  page->entered = page->used = clock_;
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
  page->changed = true;
  if (p != nullptr && p->get() == page) lru_.Erase(page);
  changed_.push_back(page);
}

void PageCache::Rekey(int32_t old_ref, int32_t new_ref) {
  std::shared_ptr<Page> page = pages_.Take(old_ref);
  if (!page) return;
  page->ref = new_ref;
  pages_.Put(std::move(page));
}

void PageCache::Trim(std::vector<std::shared_ptr<Page>>* dropped) {
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
    std::shared_ptr<Page> page = pages_.Take(p->ref);
    if (dropped != nullptr) dropped->push_back(std::move(page));
  }
}

void PageCache::Erase(int32_t ref) {
  std::shared_ptr<Page> page = pages_.Take(ref);
  if (!page) return;
  if (page->changed) {
    changed_.erase(std::remove(changed_.begin(), changed_.end(), page.get()), changed_.end());
  } else {
    lru_.Erase(page.get());
  }
}

void PageCache::Clear() {
  pages_.Clear();
  lru_.Clear();
  changed_.clear();
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
