// The page cache of one open store file: the pages found by reference, a
// least-recently-used list of unchanged pages and the list of changed pages,
// which stay in memory until the commit.
//
// Trimming (before every page access): while at least 20 unchanged pages are
// cached, the least recently used one is examined; with 100 or more it is
// dropped; with fewer it is dropped only when the accesses since its last use
// are at least four times (accesses since it entered / cached pages). The
// first page that stays ends the trimming. A page that someone outside the
// cache still holds always stays.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "store/page.h"
#include "store/page_map.h"

namespace kavo {

class PageCache {
 public:
  PageCache() = default;
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  std::shared_ptr<Page> Find(int32_t ref);
  void Insert(const std::shared_ptr<Page>& page);
  // Moves a cached page from the LRU list to the changed list.
  void MarkChanged(Page* page);
  // A placed or moved page takes another reference.
  void Rekey(int32_t old_ref, int32_t new_ref);
  // Pages dropped are appended to *dropped when given.
  void Trim(std::vector<std::shared_ptr<Page>>* dropped = nullptr);
  void Erase(int32_t ref);
  // Drops every page (the header changed under the cache).
  void Clear();
  // Drops the changed pages only (a failed or abandoned operation).
  void DropChanged();
  // After a commit: the changed pages become ordinary cached pages.
  void CommitChanged();
  const std::vector<Page*>& changed() const { return changed_; }
  size_t size() const { return pages_.size(); }
  uint64_t clock() const { return clock_; }

 private:
  PageMap pages_;
  PageList lru_;  // front: least recently used
  std::vector<Page*> changed_;
  uint64_t clock_ = 0;
};

}  // namespace kavo
