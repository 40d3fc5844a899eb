// The page cache of one open store file: the pages found by reference, a
// least-recently-used list of unchanged pages and the list of changed pages,
// which stay in memory until the commit; beneath them, the reserve of pages
// the trimming let go.
//
// Trimming (before every page access): while at least 20 unchanged pages are
// cached, the least recently used one is examined; with 100 or more it is
// dropped; with fewer it is dropped only when the accesses since its last use
// are at least four times (accesses since it entered / cached pages). The
// first page that stays ends the trimming. A page that someone outside the
// cache still holds always stays.
//
// The reserve: the trimming keeps under random access only a few dozen
// pages, so a page it drops stays decoded beneath the cache, resting, up to a
// byte budget, the page that rested longest going first. Index pages come
// before leaves: every descent reads an index page again, while a walk in
// the order of a key reads the rows' leaves at random and seldom the same
// one twice. Leaves rest in a quarter of the budget, and an index page goes
// only when no leaf rests; so the leaves of a long walk take the memory of
// the leaves before them rather than ever more of it, and the index pages
// above them stay. Finding a resting page brings it back into the cache as
// if it had just been read. A resting page keeps its place in the map of
// references, so moving a page between the cache and the reserve, which a
// reader does on almost every access, costs a few list links and no hashing.
//
// Leaves read for one record: a walk in the order of a key reads each row
// from a leaf found at random, and once the leaves' share of the reserve is
// full, decoding all of that leaf to keep it, in the place of another,
// costs more than finding the one record in its blocks. While the share
// has room (LeafRoom) such a leaf is decoded and kept; after, only when it
// is wanted again while it is still remembered among the last few thousand
// (WantedBefore), which the leaves a walk returns to are, and the leaves of
// a walk over a large file seldom are.
//
// Invariant: a resting page is exactly what the disk holds at its reference
// in the committed state of one change counter. Pages rest only unchanged and
// placed; every resting page goes when the trimming is told another counter,
// and when DropResting is called (a commit is about to move references).
//
// Threading: owned by one StoreFile; REQUIRES: StoreMutex() (table.h).
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "store/page.h"
#include "store/page_map.h"

namespace kavo {

class PageCache {
 public:
  explicit PageCache(size_t reserve_budget) : budget_(reserve_budget) {}
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  // The page at ref, cached or resting (it is then cached again); nullptr
  // when none.
  std::shared_ptr<Page> Find(int32_t ref);
  void Insert(const std::shared_ptr<Page>& page);
  // Moves a page to the changed list.
  void MarkChanged(Page* page);
  // A placed or moved page takes another reference.
  void Rekey(int32_t old_ref, int32_t new_ref);
  // Trims the cache. keep: the pages trimmed rest in the reserve (not while a
  // commit moves references); counter: the change counter of the committed
  // state the cached pages belong to.
  void Trim(bool keep, int32_t counter);
  void Erase(int32_t ref);
  // Drops every page (the header changed under the cache).
  void Clear();
  // Drops the resting pages only.
  void DropResting();
  // A page the reserve let go and nobody else held, made new, or nullptr:
  // the next page read reuses its buffers rather than allocating its own.
  std::shared_ptr<Page> TakeSpare();
  // A leaf is wanted for one record: true when it was wanted before and is
  // still remembered; else it is remembered from now on.
  bool WantedBefore(int32_t ref);
  // True while the leaves' share of the reserve has room for another leaf.
  bool LeafRoom() const { return leaf_bytes_ + kLeafRoomMargin <= leaf_budget(); }
  // Drops the changed pages only (a failed or abandoned operation).
  void DropChanged();
  // After a commit: the changed pages become ordinary cached pages.
  void CommitChanged();
  const std::vector<Page*>& changed() const { return changed_; }
  // Cached pages, changed ones included; resting ones are not.
  size_t size() const { return pages_.size() - resting(); }
  size_t resting() const { return resting_leaves_.size() + resting_index_.size(); }
  size_t resting_bytes() const { return leaf_bytes_ + index_bytes_; }
  size_t resting_leaf_bytes() const { return leaf_bytes_; }
  uint64_t clock() const { return clock_; }

 private:
  // The share of the budget resting leaves may take: one part in this many.
  static constexpr size_t kLeafShare = 4;
  // Room for a leaf: decoded, the largest hold about this much.
  static constexpr size_t kLeafRoomMargin = 16 << 10;

  void Rest(Page* page);
  void Wake(Page* page);
  // The page that rested longest of one kind.
  void DropOldest(PageList& resting);
  size_t leaf_budget() const { return budget_ / kLeafShare; }

  // The leaves remembered by WantedBefore: about as many as the leaves'
  // share of the reserve holds, one place per reference in a table
  // addressed by a hash of it, a newer reference taking the place of an
  // older one.
  static constexpr int kWantedBits = 12;
  static constexpr int32_t kNoLeaf = INT32_MIN;
  std::array<int32_t, size_t{1} << kWantedBits> wanted_ = MakeWanted();
  static std::array<int32_t, size_t{1} << kWantedBits> MakeWanted() {
    std::array<int32_t, size_t{1} << kWantedBits> a;
    a.fill(kNoLeaf);
    return a;
  }

  PageMap pages_;
  PageList lru_;             // front: least recently used
  PageList resting_leaves_;  // front: resting longest
  PageList resting_index_;   // front: resting longest
  std::vector<Page*> changed_;
  std::shared_ptr<Page> spare_;
  uint64_t clock_ = 0;
  const size_t budget_;
  size_t leaf_bytes_ = 0;
  size_t index_bytes_ = 0;
  int32_t counter_ = 0;
};

}  // namespace kavo
