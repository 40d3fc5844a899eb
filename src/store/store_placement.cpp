// Placement, the part of a commit's build stage that gives every changed page
// its home: each page lives in the region of its size class (k blocks), the
// regions lie in class order, and a commit places the changed pages, vacates
// the places of removed ones and compacts the regions (store_file.h).
#include <map>
#include <vector>

#include "store/format.h"
#include "store/store_file.h"

namespace kavo {

Status StoreFile::Repack() {
  Outdate();
  std::vector<std::shared_ptr<Page>> all;
  KAVO_RETURN_IF_ERROR(tree_.AllPages(&all));
  std::map<int32_t, int32_t> renamed;
  for (const auto& p : all) {
    if (p->ref < 0) continue;
    int32_t temp = next_temp_--;
    renamed[p->ref] = temp;
    cache_.Rekey(p->ref, temp);
    MarkChanged(p.get());
  }
  for (const auto& p : all) {
    for (int32_t& c : p->children) {
      auto it = renamed.find(c);
      if (it != renamed.end()) c = it->second;
    }
  }
  if (auto it = renamed.find(header_.root); it != renamed.end()) header_.root = it->second;
  dropped_.clear();
  header_.region_start.fill(0);
  header_.region_end.fill(0);
  header_dirty_ = true;
  return Status::OK();
}

Status StoreFile::FindParent(Page* page, Page** parent, size_t* index) {
  *parent = nullptr;
  if (page->ref == header_.root) return Status::OK();
  if (page->records.empty()) return Status::Check(store_check::kParentNotFound);
  std::string_view key = page->records[0].key();
  std::shared_ptr<Page> p;
  KAVO_RETURN_IF_ERROR(ReadPage(header_.root, &p));
  while (p->level > page->level + 1) {
    if (p->leaf() || p->records.empty()) return Status::Check(store_check::kParentNotFound);
    int32_t child = p->children[p->ChildFor(key)];
    KAVO_RETURN_IF_ERROR(ReadPage(child, &p));
  }
  if (p->level != page->level + 1 || p->records.empty())
    return Status::Check(store_check::kParentNotFound);
  size_t i = p->ChildFor(key);
  if (p->children[i] != page->ref) return Status::Check(store_check::kParentNotFound);
  *parent = p.get();
  *index = i;
  return Status::OK();
}

// Points the page's parent (or the header) at new_ref and rekeys the page.
Status StoreFile::SetChildRef(Page* page, int32_t new_ref) {
  Page* parent = nullptr;
  size_t index = 0;
  KAVO_RETURN_IF_ERROR(FindParent(page, &parent, &index));
  if (parent == nullptr) {
    header_.root = new_ref;
  } else {
    parent->children[index] = new_ref;
    MarkChanged(parent);
  }
  cache_.Rekey(page->ref, new_ref);
  MarkChanged(page);
  return Status::OK();
}

Status StoreFile::MovePage(int32_t from, int32_t to, int k) {
  if (from == to) return Status::OK();
  std::shared_ptr<Page> page;
  KAVO_RETURN_IF_ERROR(LoadPage(from, k, &page));
  return SetChildRef(page.get(), to);
}

Status StoreFile::Vacate(int32_t ref, int j) {
  for (;;) {
    int32_t last = header_.region_end[j] - j;
    if (last < header_.region_start[j]) return Status::Check(store_check::kPageClass);
    if (last == ref) {
      header_.region_end[j] -= j;
      return Status::OK();
    }
    if (dropped_.erase(last) != 0) {
      header_.region_end[j] -= j;
      continue;
    }
    KAVO_RETURN_IF_ERROR(MovePage(last, ref, j));
    header_.region_end[j] -= j;
    return Status::OK();
  }
}

Status StoreFile::MakeGapAbove(int k, int32_t need) {
  if (k >= fmt::kMaxBlocks) return Status::OK();
  int m = k + 1;
  while (header_.region_start[m] - header_.region_end[k] < need) {
    int32_t missing = need - (header_.region_start[m] - header_.region_end[k]);
    if (header_.region_start[m] == header_.region_end[m]) {
      KAVO_RETURN_IF_ERROR(MakeGapAbove(m, missing));
      header_.region_start[m] += missing;
      header_.region_end[m] += missing;
      continue;
    }
    KAVO_RETURN_IF_ERROR(MakeGapAbove(m, m));
    KAVO_RETURN_IF_ERROR(MovePage(header_.region_start[m], header_.region_end[m], m));
    header_.region_start[m] += m;
    header_.region_end[m] += m;
    if (header_.region_end[m] > fmt::kDataEndBlock) return FileFull();
  }
  return Status::OK();
}

// Slides the regions below k down, lowest first, until k blocks are free
// directly below region k. False (nothing moved) when the free blocks below
// could not give that much.
bool StoreFile::SlideDown(int k) {
  int32_t free = 0;
  for (int j = 1; j <= k; ++j) free += header_.region_start[j] - header_.region_end[j - 1];
  return free >= k;
}

Status StoreFile::Place(Page* page, int k) {
  int32_t ref = page->ref;
  if (ref >= 0) {
    int j = header_.RegionOf(ref);
    if (j == k) return Status::OK();
    // The page leaves its old region under a temporary reference.
    KAVO_RETURN_IF_ERROR(SetChildRef(page, next_temp_--));
    if (j != 0) KAVO_RETURN_IF_ERROR(Vacate(ref, j));
  }
  auto gap = [&] { return header_.region_start[k] - header_.region_end[k - 1]; };
  if (gap() < k && SlideDown(k)) {
    for (int j = 1; j < k && gap() < k; ++j) {
      if (header_.region_start[j] == header_.region_end[j]) {
        header_.region_start[j] = header_.region_end[j] = header_.region_end[j - 1];
        continue;
      }
      while (header_.region_start[j] - header_.region_end[j - 1] >= j) {
        KAVO_RETURN_IF_ERROR(MovePage(header_.region_end[j] - j, header_.region_start[j] - j, j));
        header_.region_start[j] -= j;
        header_.region_end[j] -= j;
      }
    }
  }
  int32_t slot;
  if (gap() >= k) {
    header_.region_start[k] -= k;
    slot = header_.region_start[k];
  } else {
    KAVO_RETURN_IF_ERROR(MakeGapAbove(k, k));
    slot = header_.region_end[k];
    header_.region_end[k] += k;
  }
  return SetChildRef(page, slot);
}

Status StoreFile::Compact() {
  for (int k = 2; k <= fmt::kMaxBlocks; ++k) {
    int32_t below = header_.region_end[k - 1];
    int pages = header_.RegionPages(k);
    if (pages <= 1) {
      if (pages == 1) KAVO_RETURN_IF_ERROR(MovePage(header_.region_start[k], below, k));
      header_.region_start[k] = below;
      header_.region_end[k] = below + pages * k;
      continue;
    }
    while (header_.region_start[k] - below >= k) {
      KAVO_RETURN_IF_ERROR(MovePage(header_.region_end[k] - k, header_.region_start[k] - k, k));
      header_.region_start[k] -= k;
      header_.region_end[k] -= k;
    }
  }
  return Status::OK();
}

Status StoreFile::PlaceAll() {
  // Normalise empty regions so that every region starts at or after the end
  // of the one below it.
  for (int k = 1; k <= fmt::kMaxBlocks; ++k) {
    if (header_.region_start[k] == header_.region_end[k] &&
        header_.region_start[k] < header_.region_end[k - 1])
      header_.region_start[k] = header_.region_end[k] = header_.region_end[k - 1];
  }
  while (!dropped_.empty()) {
    int32_t ref = *dropped_.begin();
    dropped_.erase(dropped_.begin());
    int j = header_.RegionOf(ref);
    if (j == 0) return Status::Check(store_check::kNoPageRegion);
    KAVO_RETURN_IF_ERROR(Vacate(ref, j));
  }
  encoded_.clear();
  std::vector<std::pair<Page*, int>> work;
  for (Page* p : cache_.changed()) {
    EncodedPage e;
    KAVO_RETURN_IF_ERROR(EncodePage(*p, 0, &e));
    work.emplace_back(p, e.blocks);
    encoded_[p] = std::move(e);
  }
  for (auto& [page, k] : work) KAVO_RETURN_IF_ERROR(Place(page, k));
  return Compact();
}

}  // namespace kavo
