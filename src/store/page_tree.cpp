#include "store/page_tree.h"

#include "store/format.h"
#include "store/store_check.h"

namespace kavo {

Status PageTree::Descend(std::string_view key, Path* path, ExactProbe* exact) {
  path->clear();
  std::shared_ptr<Page> page;
  KAVO_RETURN_IF_ERROR(source_->Root(&page));
  for (;;) {
    if (page->leaf()) {
      size_t i = page->LowerBound(key);
      path->push_back({std::move(page), i});
      return Status::OK();
    }
    if (page->records.empty() || page->children.size() != page->records.size())
      return Status::Check(store_check::kTreeShape);
    size_t i = page->ChildFor(key);
    uint8_t level = page->level;
    int32_t child = page->children[i];
    path->push_back({std::move(page), i});
    if (exact != nullptr && level == 1) {
      KAVO_RETURN_IF_ERROR(source_->ReadLeafFor(child, key, &page, exact->out, &exact->probe));
      if (!page) {
        if (exact->probe.level != 0) return Status::Check(store_check::kLevel);
        exact->probed = true;
        return Status::OK();
      }
    } else {
      KAVO_RETURN_IF_ERROR(source_->ReadPage(child, &page));
    }
    if (page->level + 1 != level) return Status::Check(store_check::kLevel);
    if (page->records.empty()) return Status::Check(store_check::kTreeShape);
  }
}

// The leaf's index is set to its first (forward) or one past its last record.
Status PageTree::StepLeaf(Path* path, bool forward, bool* found) {
  size_t d = path->size() - 1;
  while (d > 0) {
    Step& up = (*path)[d - 1];
    if (forward ? up.index + 1 < up.page->children.size() : up.index > 0) break;
    --d;
  }
  if (d == 0) {
    *found = false;
    return Status::OK();
  }
  path->resize(d);
  Step& up = path->back();
  up.index = forward ? up.index + 1 : up.index - 1;
  int32_t ref = up.page->children[up.index];
  for (;;) {
    std::shared_ptr<Page> page;
    uint8_t level = path->back().page->level;
    KAVO_RETURN_IF_ERROR(source_->ReadPage(ref, &page));
    if (page->level + 1 != level || page->records.empty())
      return Status::Check(store_check::kTreeShape);
    size_t i = forward ? 0 : page->records.size() - (page->leaf() ? 0 : 1);
    if (page->leaf()) {
      path->push_back({page, forward ? 0 : page->records.size()});
      *found = true;
      return Status::OK();
    }
    if (page->children.size() != page->records.size())
      return Status::Check(store_check::kTreeShape);
    ref = page->children[i];
    path->push_back({page, i});
  }
}

std::shared_ptr<Page> PageTree::FingerLeaf(std::string_view key, size_t* finger) {
  for (size_t n = 0; n < fingers_.size(); ++n) {
    Finger& f = fingers_[n];
    if (f.generation != generation_ || f.pages.empty()) continue;
    if (key < f.first || key > f.last) continue;
    std::shared_ptr<Page> leaf = f.pages.back().lock();
    if (!leaf) continue;
    last_finger_ = n;
    *finger = n;
    return leaf;
  }
  return nullptr;
}

bool PageTree::FromFinger(std::string_view key, Path* path) {
  size_t n = 0;
  std::shared_ptr<Page> leaf = FingerLeaf(key, &n);
  if (!leaf) return false;
  const Finger& f = fingers_[n];
  path->clear();
  for (size_t d = 0; d + 1 < f.pages.size(); ++d) {
    std::shared_ptr<Page> p = f.pages[d].lock();
    if (!p) return false;
    path->push_back({std::move(p), f.index[d]});
  }
  path->push_back({std::move(leaf), 0});
  path->back().index = path->back().page->LowerBound(key);
  return true;
}

void PageTree::SaveFinger(const Path& path) {
  last_finger_ = (last_finger_ + 1) % fingers_.size();
  Finger& f = fingers_[last_finger_];
  f.pages.clear();
  f.index.clear();
  const RecordList& records = path.back().page->records;
  if (!path.back().page->leaf() || records.empty()) return;
  for (const Step& s : path) {
    f.pages.push_back(s.page);
    f.index.push_back(s.index);
  }
  f.first.assign(records.front().key());
  f.last.assign(records.back().key());
  f.generation = generation_;
}

Status PageTree::Find(std::string_view key, SeekMode mode, Record* out, bool* found) {
  KAVO_RETURN_IF_ERROR(Seek(key, mode, out, found));
  // Records out of order across pages would let a walk return to a key it
  // passed and never end: a damaged tree is reported instead.
  if (*found) {
    int c = out->key().compare(key);
    bool sound = mode == SeekMode::kExact || (mode == SeekMode::kAtOrAfter && c >= 0) ||
                 (mode == SeekMode::kAfter && c > 0) || (mode == SeekMode::kBefore && c < 0);
    if (!sound) {
      *found = false;
      return Status::Check(store_check::kOrder);
    }
  }
  return Status::OK();
}

bool PageTree::SeekInLeaf(const Page& leaf, std::string_view key, SeekMode mode, Record* out,
                          bool* found) {
  // key lies between the leaf's first and last records. A walk seeks from
  // the record it read last: when that record has key, it is where the
  // search would end.
  const RecordList& records = leaf.records;
  LastRead& last = last_read_[0].page == &leaf ? last_read_[0] : last_read_[1];
  const bool again =
      last.page == &leaf && last.index < records.size() && records[last.index].key() == key;
  size_t i = again ? last.index : records.LowerBound(key);
  const bool at = again || records[i].key() == key;
  switch (mode) {
    case SeekMode::kExact:
      if (!at) return true;
      break;
    case SeekMode::kAtOrAfter:
      break;
    case SeekMode::kAfter:
      if (at) ++i;
      if (i == records.size()) return false;
      break;
    case SeekMode::kBefore:
      if (i == 0) return false;
      --i;
      break;
  }
  *out = records[i];
  *found = true;
  // The leaf read before another one keeps its place: walks alternate
  // between a key's entries and the rows they name.
  if (last.page != &leaf) {
    last_read_[1] = last_read_[0];
    last_read_[0].page = &leaf;
    last_read_[0].index = i;
  } else {
    last.index = i;
  }
  return true;
}

Status PageTree::KnownLeaf(std::string_view key, std::shared_ptr<Page>* leaf, ExactProbe* exact) {
  int32_t refs[LeafIndex::kMaxCandidates];
  const size_t n = leaves_.Candidates(key, refs);
  for (size_t c = 0; c < n; ++c) {
    std::shared_ptr<Page> page;
    if (exact != nullptr) {
      KAVO_RETURN_IF_ERROR(source_->ReadLeafFor(refs[c], key, &page, exact->out, &exact->probe));
      if (!page) {
        // A leaf that spans key holds its record or nothing does.
        if (exact->probe.level == 0 && exact->probe.spans) {
          exact->probed = true;
          return Status::OK();
        }
        continue;
      }
    } else {
      KAVO_RETURN_IF_ERROR(source_->ReadPage(refs[c], &page));
    }
    const RecordList& records = page->records;
    if (page->leaf() && !records.empty() && records.front().key() <= key &&
        key <= records.back().key()) {
      *leaf = std::move(page);
      return Status::OK();
    }
  }
  return Status::OK();
}

Status PageTree::Seek(std::string_view key, SeekMode mode, Record* out, bool* found) {
  *found = false;
  // Within the leaf of a recent descent no path is needed, unless the read
  // steps past the leaf's first or last record.
  if (leaves_generation_ != generation_) {
    leaves_.Clear();
    leaves_generation_ = generation_;
  }
  // An exact read of a leaf not in memory looks the record up in the
  // leaf's blocks, which the source may leave undecoded.
  ExactProbe probe;
  probe.out = out;
  ExactProbe* const exact = mode == SeekMode::kExact ? &probe : nullptr;
  bool finger_missed = true;
  {
    size_t finger = 0;
    std::shared_ptr<Page> near = FingerLeaf(key, &finger);
    finger_missed = near == nullptr;
    if (!near) KAVO_RETURN_IF_ERROR(KnownLeaf(key, &near, exact));
    if (near && SeekInLeaf(*near, key, mode, out, found)) return Status::OK();
    if (probe.probed) {
      *found = probe.probe.found;
      return Status::OK();
    }
  }
  PathLease lease(seek_path_);
  Path& path = *lease;
  if (finger_missed || !FromFinger(key, &path)) {
    KAVO_RETURN_IF_ERROR(Descend(key, &path, exact));
    if (probe.probed) {
      *found = probe.probe.found;
      return Status::OK();
    }
    SaveFinger(path);
    leaves_.Add(*path.back().page);
  }
  Page* leaf = path.back().page.get();
  size_t i = path.back().index;
  switch (mode) {
    case SeekMode::kExact:
      if (i < leaf->records.size() && leaf->records[i].key() == key) {
        *out = leaf->records[i];
        *found = true;
      }
      return Status::OK();
    case SeekMode::kAfter:
      if (i < leaf->records.size() && leaf->records[i].key() == key) ++i;
      [[fallthrough]];
    case SeekMode::kAtOrAfter:
      if (i >= leaf->records.size()) {
        bool more = false;
        KAVO_RETURN_IF_ERROR(StepLeaf(&path, true, &more));
        if (!more) return Status::OK();
        leaf = path.back().page.get();
        i = 0;
      }
      *out = leaf->records[i];
      *found = true;
      return Status::OK();
    case SeekMode::kBefore:
      if (i == 0) {
        bool more = false;
        KAVO_RETURN_IF_ERROR(StepLeaf(&path, false, &more));
        if (!more) return Status::OK();
        leaf = path.back().page.get();
        i = leaf->records.size();
      }
      *out = leaf->records[i - 1];
      *found = true;
      return Status::OK();
  }
  return Status::OK();
}

void PageTree::UpdateSeparators(Path& path, size_t depth) {
  for (size_t d = depth; d > 0; --d) {
    Page* child = path[d].page.get();
    Step& up = path[d - 1];
    if (child->records.empty()) return;
    const RecordView sep = up.page->records[up.index];
    const RecordView first = child->records[0];
    if (sep.bytes == first.bytes && sep.key_length == first.key_length) return;
    up.page->records.Set(up.index, first);
    source_->MarkChanged(up.page.get());
    if (up.index != 0) return;
  }
}

Status PageTree::SplitInto(const std::shared_ptr<Page>& page, Page* parent, size_t index) {
  size_t n = page->records.size();
  if (n < 2) return Status::Check(store_check::kSplitSingle);
  // The middle record of the page's balanced tree joins the half with fewer
  // records; on a tie it stays, so the page keeps the larger half and
  // ascending inserts leave full pages behind them.
  size_t keep = (n + 1) / 2;
  std::shared_ptr<Page> right = source_->NewPage(page->level);
  page->records.MoveTail(keep, &right->records);
  if (!page->leaf()) {
    right->children.assign(page->children.begin() + static_cast<long>(keep), page->children.end());
    page->children.resize(keep);
  }
  source_->MarkChanged(page.get());
  parent->records.Insert(index + 1, right->records[0]);
  parent->children.insert(parent->children.begin() + static_cast<long>(index + 1), right->ref);
  source_->MarkChanged(parent);
  if (right->TooBig()) KAVO_RETURN_IF_ERROR(SplitInto(right, parent, index + 1));
  if (page->TooBig()) KAVO_RETURN_IF_ERROR(SplitInto(page, parent, index));
  return Status::OK();
}

Status PageTree::SplitRoot(const std::shared_ptr<Page>& root) {
  if (root->level >= 40) return Status::Check(store_check::kLevel);
  std::shared_ptr<Page> child = source_->NewPage(root->level);
  child->records.swap(root->records);
  child->children.swap(root->children);
  root->records.clear();
  root->children.clear();
  root->level = static_cast<uint8_t>(root->level + 1);
  root->records.push_back(child->records[0]);
  root->children.push_back(child->ref);
  source_->MarkChanged(root.get());
  return SplitInto(child, root.get(), 0);
}

Status PageTree::FixOverflow(Path& path) {
  for (size_t d = path.size(); d-- > 0;) {
    const std::shared_ptr<Page>& page = path[d].page;
    if (!page->TooBig()) continue;
    if (d == 0) {
      while (page->TooBig()) KAVO_RETURN_IF_ERROR(SplitRoot(page));
    } else {
      KAVO_RETURN_IF_ERROR(SplitInto(page, path[d - 1].page.get(), path[d - 1].index));
    }
  }
  return Status::OK();
}

Status PageTree::Insert(std::string_view key, std::string_view data, bool* existed) {
  *existed = false;
  if (key.size() + data.size() > fmt::kMaxTreeRecord || key.empty())
    return Status::Check(store_check::kRecordTooLong);
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(key, &path));
  Step& leaf = path.back();
  if (AtKey(leaf, key)) {
    *existed = true;
    return Status::OK();
  }
  leaf.page->records.Insert(leaf.index, key, data);
  source_->MarkChanged(leaf.page.get());
  if (leaf.index == 0) UpdateSeparators(path, path.size() - 1);
  return FixOverflow(path);
}

Status PageTree::Replace(std::string_view key, std::string_view data, bool* found) {
  *found = false;
  if (key.size() + data.size() > fmt::kMaxTreeRecord)
    return Status::Check(store_check::kRecordTooLong);
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(key, &path));
  Step& leaf = path.back();
  if (!AtKey(leaf, key)) return Status::OK();
  *found = true;
  if (leaf.page->records[leaf.index].data() == data) return Status::OK();
  leaf.page->records.Set(leaf.index, key, data);
  source_->MarkChanged(leaf.page.get());
  if (leaf.index == 0) UpdateSeparators(path, path.size() - 1);
  return FixOverflow(path);
}

Status PageTree::UpdateRange(std::string_view from, std::string_view to,
                             const RecordUpdate& update) {
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(from, &path));
  std::string data;
  for (;;) {
    Step& leaf = path.back();
    if (leaf.index >= leaf.page->records.size()) {
      bool more = false;
      KAVO_RETURN_IF_ERROR(StepLeaf(&path, true, &more));
      if (!more) return Status::OK();
      continue;
    }
    const RecordView r = leaf.page->records[leaf.index];
    const std::string_view key = r.key();
    if (key >= to) return Status::OK();
    data.assign(r.data());
    KAVO_RETURN_IF_ERROR(update(key, &data));
    if (data.size() != r.data().size()) return Status::Check(store_check::kTreeShape);
    if (r.data() != data) {
      leaf.page->records.SetData(leaf.index, data);
      source_->MarkChanged(leaf.page.get());
      if (leaf.index == 0) UpdateSeparators(path, path.size() - 1);
    }
    ++leaf.index;
  }
}

void PageTree::RemoveEmpty(Path& path) {
  size_t d = path.size() - 1;
  while (d > 0 && path[d].page->records.empty()) {
    const int32_t ref = path[d].page->ref;
    path[d].page.reset();
    source_->DropPage(ref);
    Step& up = path[d - 1];
    up.page->records.Erase(up.index);
    up.page->children.erase(up.page->children.begin() + static_cast<long>(up.index));
    source_->MarkChanged(up.page.get());
    path.resize(d);
    --d;
  }
  Page* top = path[d].page.get();
  if (d == 0 && top->records.empty()) {
    top->level = 0;
    top->children.clear();
    return;
  }
  if (path[d].index == 0) UpdateSeparators(path, d);
}

Status PageTree::Erase(std::string_view key, bool* found) {
  *found = false;
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(key, &path));
  Step& leaf = path.back();
  if (!AtKey(leaf, key)) return Status::OK();
  *found = true;
  leaf.page->records.Erase(leaf.index);
  source_->MarkChanged(leaf.page.get());
  RemoveEmpty(path);
  return Status::OK();
}

Status PageTree::AllPages(std::vector<std::shared_ptr<Page>>* all) {
  all->clear();
  std::shared_ptr<Page> root;
  KAVO_RETURN_IF_ERROR(source_->Root(&root));
  all->push_back(std::move(root));
  for (size_t i = 0; i < all->size(); ++i) {
    if ((*all)[i]->leaf()) continue;
    for (int32_t child : (*all)[i]->children) {
      std::shared_ptr<Page> p;
      KAVO_RETURN_IF_ERROR(source_->ReadPage(child, &p));
      if (p->level + 1 != (*all)[i]->level) return Status::Check(store_check::kLevel);
      all->push_back(std::move(p));
      if (all->size() > static_cast<size_t>(fmt::kDataEndBlock))
        return Status::Check(store_check::kTreeShape);
    }
  }
  return Status::OK();
}

}  // namespace kavo
