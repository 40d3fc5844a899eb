#include "store/page_cache.h"

#include <algorithm>

namespace kavo {

PageCache::Entry* PageCache::Lookup(int32_t ref) {
  for (Entry& e : buckets_[Bucket(ref)]) {
    if (e.page->ref == ref) return &e;
  }
  return nullptr;
}

std::shared_ptr<Page> PageCache::Find(int32_t ref) {
  ++clock_;
  Entry* e = Lookup(ref);
  if (e == nullptr) return nullptr;
  e->page->used = clock_;
  if (!e->page->changed) lru_.splice(lru_.end(), lru_, e->lru);
  return e->page;
}

void PageCache::Insert(const std::shared_ptr<Page>& page) {
  page->entered = page->used = clock_;
  Entry e{page, lru_.end()};
  if (page->changed) {
    changed_.push_back(page.get());
  } else {
    e.lru = lru_.insert(lru_.end(), page.get());
  }
  buckets_[Bucket(page->ref)].push_back(std::move(e));
  ++count_;
}

void PageCache::MarkChanged(Page* page) {
  if (page->changed) return;
  Entry* e = Lookup(page->ref);
  page->changed = true;
  if (e != nullptr) {
    lru_.erase(e->lru);
    e->lru = lru_.end();
  }
  changed_.push_back(page);
}

void PageCache::Rekey(int32_t old_ref, int32_t new_ref) {
  auto& from = buckets_[Bucket(old_ref)];
  for (size_t i = 0; i < from.size(); ++i) {
    if (from[i].page->ref != old_ref) continue;
    Entry e = std::move(from[i]);
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(i));
    e.page->ref = new_ref;
    buckets_[Bucket(new_ref)].push_back(std::move(e));
    return;
  }
}

void PageCache::Trim() {
  while (lru_.size() >= 20) {
    Page* p = lru_.front();
    Entry* e = Lookup(p->ref);
    if (e == nullptr || e->page.use_count() > 1) return;
    bool drop = lru_.size() >= 100;
    if (!drop) {
      uint64_t since_use = clock_ - p->used;
      uint64_t since_entry = clock_ - p->entered;
      drop = since_use >= 4 * (since_entry / lru_.size());
    }
    if (!drop) return;
    Erase(p->ref);
  }
}

void PageCache::Erase(int32_t ref) {
  auto& b = buckets_[Bucket(ref)];
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i].page->ref != ref) continue;
    Page* p = b[i].page.get();
    if (p->changed) {
      changed_.erase(std::remove(changed_.begin(), changed_.end(), p), changed_.end());
    } else {
      lru_.erase(b[i].lru);
    }
    b.erase(b.begin() + static_cast<std::ptrdiff_t>(i));
    --count_;
    return;
  }
}

void PageCache::Clear() {
  for (auto& b : buckets_) b.clear();
  lru_.clear();
  changed_.clear();
  count_ = 0;
}

void PageCache::DropChanged() {
  std::vector<int32_t> refs;
  for (Page* p : changed_) refs.push_back(p->ref);
  for (int32_t r : refs) Erase(r);
  changed_.clear();
}

void PageCache::CommitChanged() {
  for (Page* p : changed_) {
    p->changed = false;
    Entry* e = Lookup(p->ref);
    if (e != nullptr) e->lru = lru_.insert(lru_.end(), p);
  }
  changed_.clear();
}

}  // namespace kavo
