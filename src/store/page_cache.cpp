#include "store/page_cache.h"

#include <algorithm>

namespace kavo {

PageCache::Entry* PageCache::Lookup(int32_t ref) {
  auto& b = buckets_[Bucket(ref)];
  auto it = b.find(ref);
  return it == b.end() ? nullptr : &it->second;
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
  buckets_[Bucket(page->ref)].insert_or_assign(page->ref, std::move(e));
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
  auto it = from.find(old_ref);
  if (it == from.end()) return;
  Entry e = std::move(it->second);
  from.erase(it);
  e.page->ref = new_ref;
  buckets_[Bucket(new_ref)].insert_or_assign(new_ref, std::move(e));
}

void PageCache::Trim(std::vector<std::shared_ptr<Page>>* dropped) {
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
    if (dropped != nullptr) dropped->push_back(e->page);
    Erase(p->ref);
  }
}

void PageCache::Erase(int32_t ref) {
  auto& b = buckets_[Bucket(ref)];
  auto it = b.find(ref);
  if (it == b.end()) return;
  Page* p = it->second.page.get();
  if (p->changed) {
    changed_.erase(std::remove(changed_.begin(), changed_.end(), p), changed_.end());
  } else {
    lru_.erase(it->second.lru);
  }
  b.erase(it);
  --count_;
}

void PageCache::Clear() {
  for (auto& b : buckets_) b.clear();
  lru_.clear();
  changed_.clear();
  count_ = 0;
}

void PageCache::DropChanged() {
  std::vector<Page*> pages;
  pages.swap(changed_);
  for (Page* p : pages) {
    if (buckets_[Bucket(p->ref)].erase(p->ref) != 0) --count_;
  }
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
