#include "store/store_file.h"

#include <algorithm>
#include <cstring>

#include "store/cipher.h"
#include "store/cipher_file.h"
#include "store/format.h"
#include "store/journal.h"
#include "store/share_lock.h"

namespace kavo {
namespace {

using Registry = std::map<std::pair<FileSystem*, std::string>, std::weak_ptr<StoreFile>>;
Registry& OpenFiles() {
  static Registry r;
  return r;
}

}  // namespace

Status StoreFile::Acquire(FileSystem* fs, const std::string& path, const OpenOptions& opt,
                          bool create, std::shared_ptr<StoreFile>* out) {
  if (!fs->Exists(path) && !create) return Status::Error(err::kFileNotFound);
  std::shared_ptr<const UnitCipher> cipher;
  if (opt.encrypt && !opt.owner.empty()) cipher = std::make_shared<UnitCipher>(opt.owner);
  std::string canonical = fs->Canonical(path);
  auto key = std::make_pair(fs, canonical);
  auto it = OpenFiles().find(key);
  if (it != OpenFiles().end()) {
    if (auto sp = it->second.lock()) {
      if (opt.mode == OpenMode::kReadWrite && sp->mode_ == OpenMode::kReadOnly)
        return Status::Error(err::kAccessDenied);
      // Every open of the file shares the one instance and its key: an open
      // with another password, or with none, would read and write through the
      // wrong one.
      bool same_key = cipher == nullptr ? sp->cipher_ == nullptr
                                        : sp->cipher_ != nullptr && cipher->SameKey(*sp->cipher_);
      if (!same_key) return Status::Error(err::kAccessDenied);
      *out = sp;
      return Status::OK();
    }
  }
  std::unique_ptr<File> file;
  KAVO_RETURN_IF_ERROR(fs->Open(path, opt.mode, create, &file));
  ShareRequest share;
  share.write = opt.mode == OpenMode::kReadWrite;
  share.deny_read = opt.share == ShareMode::kDenyRead || opt.share == ShareMode::kDenyAll;
  share.deny_write = opt.share == ShareMode::kDenyWrite || opt.share == ShareMode::kDenyAll;
  KAVO_RETURN_IF_ERROR(TakeShare(file.get(), share));
  std::shared_ptr<StoreFile> sf(new StoreFile());
  sf->fs_ = fs;
  sf->path_ = path;
  sf->key_ = canonical;
  sf->file_ = Enciphered(std::move(file), cipher);
  sf->cipher_ = std::move(cipher);
  sf->locks_ =
      std::make_unique<FileLocks>(sf->file_.get(), StartSlot(), opt.mode == OpenMode::kReadOnly);
  sf->mode_ = opt.mode;
  sf->shared_ = opt.share == ShareMode::kDenyNone || opt.share == ShareMode::kCompatibility;
  OpenFiles()[key] = sf;
  *out = sf;
  return Status::OK();
}

bool StoreFile::IsOpen(FileSystem* fs, const std::string& path) {
  auto it = OpenFiles().find(std::make_pair(fs, fs->Canonical(path)));
  return it != OpenFiles().end() && !it->second.expired();
}

StoreFile::~StoreFile() {
  Transaction::Process().Forget(this);
  auto it = OpenFiles().find(std::make_pair(fs_, key_));
  if (it != OpenFiles().end() && it->second.expired()) OpenFiles().erase(it);
}

// ---- Hold and table lock bytes ----

Status StoreFile::TakeNumberByte(uint32_t number, const void* owner) {
  auto it = number_owners_.find(number);
  if (it != number_owners_.end())
    return it->second == owner ? Status::OK() : Status::Error(err::kFileLocked);
  KAVO_RETURN_IF_ERROR(file_->Lock(NumberByte(number), 1, true, false));
  number_owners_.emplace(number, owner);
  return Status::OK();
}

void StoreFile::DropNumberByte(uint32_t number, const void* owner) {
  auto it = number_owners_.find(number);
  if (it == number_owners_.end() || it->second != owner) return;
  number_owners_.erase(it);
  (void)file_->Unlock(NumberByte(number), 1);
}

// ---- Header and bracket ----

Status StoreFile::ReadHeader() {
  uint8_t buf[fmt::kHeaderSize];
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(file_->Read(0, buf, sizeof buf, &got));
  if (got == 0) {
    // A new, empty file: its first commit writes the header.
    if (!have_header_) {
      header_ = FileHeader::Fresh();
      have_header_ = true;
    }
    return Status::OK();
  }
  if (got < sizeof buf) return Status::Error(err::kInvalidDataFile);
  if (have_header_ && last_raw_valid_ && std::memcmp(buf, last_raw_.data(), sizeof buf) == 0)
    return Status::OK();
  last_raw_valid_ = false;
  FileHeader h;
  KAVO_RETURN_IF_ERROR(FileHeader::Decode(buf, &h));
  const bool was_pending = h.journal_pending();
  if (was_pending) {
    KAVO_RETURN_IF_ERROR(ResolvePending(buf, &h));
  } else {
    // Every commit leaves the file at least as long as its committed end. A
    // header that names space the file does not have is damaged, and trusting
    // it would place the next journal far beyond the data.
    uint64_t size = 0;
    KAVO_RETURN_IF_ERROR(file_->Size(&size));
    if (h.committed_end > size) return Status::Check(106);
  }
  if (!was_pending) {
    std::memcpy(last_raw_.data(), buf, sizeof buf);
    last_raw_valid_ = true;
  }
  if (have_header_ && h.change_counter <= header_.change_counter) return Status::OK();
  cache_.Clear();
  reserve_.Clear();
  Outdate();
  dropped_.clear();
  next_temp_ = -2;
  header_ = h;
  have_header_ = true;
  return Status::OK();
}

Status StoreFile::HeaderUnchanged(bool* same) {
  *same = false;
  if (!have_header_ || !last_raw_valid_) return Status::OK();
  return file_->StartsWith(last_raw_.data(), last_raw_.size(), same);
}

Status StoreFile::Begin(bool write, bool may_restart) {
  if (write && mode_ == OpenMode::kReadOnly) return Status::Error(err::kAccessDenied);
  if (depth_++ > 0) return Status::OK();
  if (!write && may_restart && shared_ && !in_transaction_ && cache_.changed().empty() &&
      !header_dirty_) {
    bool same = false;
    Status st = HeaderUnchanged(&same);
    if (!st.ok()) {
      depth_ = 0;
      return st;
    }
    if (same) {
      unlocked_ = true;
      kept_header_ = header_;
      return Status::OK();
    }
  }
  Status locked = LockBracket(write);
  if (!locked.ok()) {
    depth_ = 0;
    return locked;
  }
  if (cache_.changed().empty() && !header_dirty_ && (shared_ || !have_header_)) {
    Status st = ReadHeader();
    if (!st.ok()) {
      depth_ = 0;
      UnlockBracket();
      return st;
    }
  }
  if (cache_.changed().empty() && !header_dirty_) kept_header_ = header_;
  return Status::OK();
}

Status StoreFile::LockForDiskRead() {
  unlocked_ = false;
  KAVO_RETURN_IF_ERROR(LockBracket(false));
  bool same = false;
  KAVO_RETURN_IF_ERROR(HeaderUnchanged(&same));
  return same ? Status::OK() : Status::Restart();
}

Status StoreFile::Restart() {
  KAVO_RETURN_IF_ERROR(ReadHeader());
  kept_header_ = header_;
  return Status::OK();
}

Status StoreFile::End(Status st) {
  if (depth_ > 0 && --depth_ > 0) return st;
  unlocked_ = false;
  if (!st.ok()) {
    if (st.is_check() || !commits_deferred()) Rollback();
  } else if (!commits_deferred()) {
    st = Commit();
  }
  UnlockBracket();
  return st;
}

void StoreFile::Rollback() {
  Outdate();
  // The reserve holds committed pages only, which a rollback leaves valid.
  committing_ = false;
  cache_.DropChanged();
  dropped_.clear();
  next_temp_ = -2;
  header_ = kept_header_;
  header_dirty_ = false;
  // The header is reread at the next operation; the cache stays only when the
  // file did not change meanwhile.
  have_header_ = have_header_ && header_.change_counter > 0;
}

Status StoreFile::NextNumber(uint32_t* number) {
  uint32_t n = header_.last_number + 1;
  if ((n >> 24) >= 0xFE) return Status::Check(store_check::kNumbersExhausted);
  header_.last_number = n;
  header_dirty_ = true;
  *number = n;
  return Status::OK();
}

// ---- Pages ----

void StoreFile::DropReserve() {
  reserve_.Clear();
  committing_ = false;
}

std::shared_ptr<Page> StoreFile::NewPage(uint8_t level) {
  auto p = std::make_shared<Page>();
  Outdate();
  p->ref = next_temp_--;
  p->level = level;
  p->changed = true;
  cache_.Insert(p);
  return p;
}

void StoreFile::MarkChanged(Page* page) {
  Outdate();
  cache_.MarkChanged(page);
}

Status StoreFile::LoadPage(int32_t ref, int k, std::shared_ptr<Page>* page) {
  cache_.Trim(&trimmed_);
  for (auto& t : trimmed_) {
    if (!committing_) reserve_.Put(std::move(t), header_.change_counter);
  }
  trimmed_.clear();
  if (auto p = cache_.Find(ref)) {
    *page = std::move(p);
    return Status::OK();
  }
  if (ref < 0 || k <= 0 || k > fmt::kMaxBlocks) return Status::Check(store_check::kMissingPage);
  if (!committing_) {
    if (auto p = reserve_.Take(ref, header_.change_counter)) {
      cache_.Insert(p);
      *page = std::move(p);
      return Status::OK();
    }
  }
  if (unlocked_) KAVO_RETURN_IF_ERROR(LockForDiskRead());
  const size_t n = static_cast<size_t>(k) * fmt::kBlockSize;
  read_buffer_.resize(std::max(read_buffer_.size(), n));
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(
      file_->Read(static_cast<uint64_t>(fmt::RefOffset(ref)), read_buffer_.data(), n, &got));
  if (got != n) return Status::Check(store_check::kShortRead);
  auto p = std::make_shared<Page>();
  p->ref = ref;
  KAVO_RETURN_IF_ERROR(DecodePage(read_buffer_.data(), n, k, fmt::RefOffset(ref), p.get()));
  cache_.Insert(p);
  *page = std::move(p);
  return Status::OK();
}

Status StoreFile::ReadPage(int32_t ref, std::shared_ptr<Page>* page) {
  int k = ref < 0 ? 0 : header_.RegionOf(ref);
  if (ref >= 0 && k == 0) {
    if (auto p = cache_.Find(ref)) {
      *page = std::move(p);
      return Status::OK();
    }
    return Status::Check(store_check::kNoPageRegion);
  }
  return LoadPage(ref, k, page);
}

Status StoreFile::Root(std::shared_ptr<Page>* root) {
  if (header_.root == -1 && read_only()) {
    // A file that never had a commit holds no records. A read-only instance
    // may not commit the first root, so it reads an empty leaf of its own.
    *root = std::make_shared<Page>();
    (*root)->ref = -1;
    return Status::OK();
  }
  if (header_.root == -1 && !cache_.Find(-1)) {
    // Making the tree changes the file: never without the lock.
    if (unlocked_) KAVO_RETURN_IF_ERROR(LockForDiskRead());
    // The first access to the tree of a new file: an empty root leaf.
    auto p = std::make_shared<Page>();
    p->ref = -1;
    p->changed = true;
    cache_.Insert(p);
    if (header_.change_counter == 0) header_.change_counter = 1;
    header_dirty_ = true;
  }
  return ReadPage(header_.root, root);
}

Status StoreFile::Descend(std::string_view key, Path* path) {
  path->clear();
  std::shared_ptr<Page> page;
  KAVO_RETURN_IF_ERROR(Root(&page));
  for (;;) {
    if (page->leaf()) {
      size_t i = page->LowerBound(key);
      path->push_back({page, i});
      return Status::OK();
    }
    if (page->records.empty() || page->children.size() != page->records.size())
      return Status::Check(store_check::kTreeShape);
    size_t i = page->ChildFor(key);
    uint8_t level = page->level;
    int32_t child = page->children[i];
    path->push_back({std::move(page), i});
    KAVO_RETURN_IF_ERROR(ReadPage(child, &page));
    if (page->level + 1 != level) return Status::Check(store_check::kLevel);
    if (page->records.empty()) return Status::Check(store_check::kTreeShape);
  }
}

// Moves the leaf at the end of path to its neighbour; *found false at the end
// of the tree. The leaf's index is set to its first (forward) or one past its
// last record.
Status StoreFile::StepLeaf(Path* path, bool forward, bool* found) {
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
    KAVO_RETURN_IF_ERROR(ReadPage(ref, &page));
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

bool StoreFile::FromFinger(std::string_view key, Path* path) {
  for (size_t n = 0; n < fingers_.size(); ++n) {
    Finger& f = fingers_[n];
    if (f.generation != generation_ || f.pages.empty()) continue;
    std::shared_ptr<Page> leaf = f.pages.back().lock();
    if (!leaf || !leaf->leaf() || leaf->records.empty()) continue;
    if (key < leaf->records.front().key() || key > leaf->records.back().key()) continue;
    path->clear();
    for (size_t d = 0; d + 1 < f.pages.size(); ++d) {
      std::shared_ptr<Page> p = f.pages[d].lock();
      if (!p) break;
      path->push_back({std::move(p), f.index[d]});
    }
    if (path->size() + 1 != f.pages.size()) continue;
    path->push_back({std::move(leaf), 0});
    path->back().index = path->back().page->LowerBound(key);
    last_finger_ = n;
    return true;
  }
  return false;
}

void StoreFile::SaveFinger(const Path& path) {
  last_finger_ = (last_finger_ + 1) % fingers_.size();
  Finger& f = fingers_[last_finger_];
  f.pages.clear();
  f.index.clear();
  for (const Step& s : path) {
    f.pages.push_back(s.page);
    f.index.push_back(s.index);
  }
  f.generation = generation_;
}

Status StoreFile::Find(std::string_view key, SeekMode mode, Record* out, bool* found) {
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

Status StoreFile::Seek(std::string_view key, SeekMode mode, Record* out, bool* found) {
  *found = false;
  PathLease lease(seek_path_);
  Path& path = *lease;
  if (!FromFinger(key, &path)) {
    KAVO_RETURN_IF_ERROR(Descend(key, &path));
    SaveFinger(path);
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

void StoreFile::UpdateSeparators(Path& path, size_t depth) {
  for (size_t d = depth; d > 0; --d) {
    Page* child = path[d].page.get();
    Step& up = path[d - 1];
    if (child->records.empty()) return;
    Record& sep = up.page->records[up.index];
    if (sep.bytes == child->records[0].bytes && sep.key_length == child->records[0].key_length)
      return;
    up.page->record_bytes += child->records[0].bytes.size() - sep.bytes.size();
    sep = child->records[0];
    MarkChanged(up.page.get());
    if (up.index != 0) return;
  }
}

Status StoreFile::SplitInto(const std::shared_ptr<Page>& page, Page* parent, size_t index) {
  size_t n = page->records.size();
  if (n < 2) return Status::Check(store_check::kSplitSingle);
  // The middle record of the page's balanced tree joins the half with fewer
  // records; on a tie it stays, so the page keeps the larger half and
  // ascending inserts leave full pages behind them.
  size_t keep = (n + 1) / 2;
  std::shared_ptr<Page> right = NewPage(page->level);
  right->records.assign(std::make_move_iterator(page->records.begin() + static_cast<long>(keep)),
                        std::make_move_iterator(page->records.end()));
  page->records.resize(keep);
  page->Recount();
  right->Recount();
  if (!page->leaf()) {
    right->children.assign(page->children.begin() + static_cast<long>(keep), page->children.end());
    page->children.resize(keep);
  }
  MarkChanged(page.get());
  parent->records.insert(parent->records.begin() + static_cast<long>(index + 1), right->records[0]);
  parent->record_bytes += right->records[0].bytes.size();
  parent->children.insert(parent->children.begin() + static_cast<long>(index + 1), right->ref);
  MarkChanged(parent);
  if (right->TooBig()) KAVO_RETURN_IF_ERROR(SplitInto(right, parent, index + 1));
  if (page->TooBig()) KAVO_RETURN_IF_ERROR(SplitInto(page, parent, index));
  return Status::OK();
}

Status StoreFile::SplitRoot(const std::shared_ptr<Page>& root) {
  if (root->level >= 40) return Status::Check(store_check::kLevel);
  std::shared_ptr<Page> child = NewPage(root->level);
  child->records = std::move(root->records);
  child->children = std::move(root->children);
  root->records.clear();
  root->children.clear();
  root->level = static_cast<uint8_t>(root->level + 1);
  root->records.push_back(child->records[0]);
  child->Recount();
  root->Recount();
  root->children.push_back(child->ref);
  MarkChanged(root.get());
  return SplitInto(child, root.get(), 0);
}

Status StoreFile::FixOverflow(Path& path) {
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

Status StoreFile::Insert(std::string_view key, std::string_view data, bool* existed) {
  *existed = false;
  if (key.size() + data.size() > fmt::kMaxTreeRecord || key.empty())
    return Status::Check(store_check::kRecordTooLong);
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(key, &path));
  Step& leaf = path.back();
  if (leaf.index < leaf.page->records.size() && leaf.page->records[leaf.index].key() == key) {
    *existed = true;
    return Status::OK();
  }
  leaf.page->records.insert(leaf.page->records.begin() + static_cast<long>(leaf.index),
                            Record(key, data));
  leaf.page->record_bytes += key.size() + data.size();
  MarkChanged(leaf.page.get());
  if (leaf.index == 0) UpdateSeparators(path, path.size() - 1);
  return FixOverflow(path);
}

Status StoreFile::Replace(std::string_view key, std::string_view data, bool* found) {
  *found = false;
  if (key.size() + data.size() > fmt::kMaxTreeRecord)
    return Status::Check(store_check::kRecordTooLong);
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(key, &path));
  Step& leaf = path.back();
  if (leaf.index >= leaf.page->records.size() || leaf.page->records[leaf.index].key() != key)
    return Status::OK();
  *found = true;
  Record& r = leaf.page->records[leaf.index];
  if (r.data() == data) return Status::OK();
  leaf.page->record_bytes += key.size() + data.size() - r.bytes.size();
  r = Record(key, data);
  MarkChanged(leaf.page.get());
  if (leaf.index == 0) UpdateSeparators(path, path.size() - 1);
  return FixOverflow(path);
}

Status StoreFile::UpdateRange(std::string_view from, std::string_view to,
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
    Record& r = leaf.page->records[leaf.index];
    const std::string_view key = r.key();
    if (key >= to) return Status::OK();
    data.assign(r.data());
    KAVO_RETURN_IF_ERROR(update(key, &data));
    if (data.size() != r.data().size()) return Status::Check(store_check::kTreeShape);
    if (r.data() != data) {
      r.bytes.replace(r.key_length, data.size(), data);
      MarkChanged(leaf.page.get());
      if (leaf.index == 0) UpdateSeparators(path, path.size() - 1);
    }
    ++leaf.index;
  }
}

void StoreFile::RemoveEmpty(Path& path) {
  size_t d = path.size() - 1;
  while (d > 0 && path[d].page->records.empty()) {
    Page* gone = path[d].page.get();
    if (gone->ref >= 0) dropped_.insert(gone->ref);
    int32_t ref = gone->ref;
    path[d].page.reset();
    cache_.Erase(ref);
    Step& up = path[d - 1];
    up.page->record_bytes -= up.page->records[up.index].bytes.size();
    up.page->records.erase(up.page->records.begin() + static_cast<long>(up.index));
    up.page->children.erase(up.page->children.begin() + static_cast<long>(up.index));
    MarkChanged(up.page.get());
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

Status StoreFile::Erase(std::string_view key, bool* found) {
  *found = false;
  Outdate();
  PathLease lease(write_path_);
  Path& path = *lease;
  KAVO_RETURN_IF_ERROR(Descend(key, &path));
  Step& leaf = path.back();
  if (leaf.index >= leaf.page->records.size() || leaf.page->records[leaf.index].key() != key)
    return Status::OK();
  *found = true;
  leaf.page->record_bytes -= leaf.page->records[leaf.index].bytes.size();
  leaf.page->records.erase(leaf.page->records.begin() + static_cast<long>(leaf.index));
  MarkChanged(leaf.page.get());
  RemoveEmpty(path);
  return Status::OK();
}

Status StoreFile::Repack() {
  Outdate();
  std::shared_ptr<Page> root;
  KAVO_RETURN_IF_ERROR(Root(&root));
  std::vector<std::shared_ptr<Page>> all{root};
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i]->leaf()) continue;
    for (int32_t child : all[i]->children) {
      std::shared_ptr<Page> p;
      KAVO_RETURN_IF_ERROR(ReadPage(child, &p));
      if (p->level + 1 != all[i]->level) return Status::Check(store_check::kLevel);
      all.push_back(std::move(p));
      if (all.size() > static_cast<size_t>(fmt::kDataEndBlock))
        return Status::Check(store_check::kTreeShape);
    }
  }
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

// ---- Placement and commit ----

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

Status StoreFile::Commit() {
  if (!HasChanges()) return Status::OK();
  CommitSet set;
  KAVO_RETURN_IF_ERROR(BuildCommitSet(&set));
  CommitResult result;
  Status st = CommitAll(file_.get(), locks_.get(), std::move(set), &result);
  flushes_ += result.flushes;
  if (!st.ok()) {
    DropAfterFailedWrite();
    return st;
  }
  AdoptCommitted(result.header);
  return Status::OK();
}

Status StoreFile::BuildCommitSet(CommitSet* set) {
  if (mode_ == OpenMode::kReadOnly) return Status::Error(err::kAccessDenied);
  // Placement moves pages to other references: until the commit is adopted
  // or dropped, no page enters or leaves the reserve.
  reserve_.Clear();
  committing_ = true;
  Outdate();
  Status st = PlaceAll();
  if (!st.ok()) {
    Rollback();
    return st;
  }
  uint8_t hb[fmt::kHeaderSize];
  kept_header_.Encode(hb);
  set->kept_header.assign(reinterpret_cast<char*>(hb), sizeof hb);
  set->old_end = static_cast<uint64_t>(kept_header_.EndOfFile());
  for (Page* p : cache_.changed()) {
    auto it = encoded_.find(p);
    EncodedPage e;
    if (it == encoded_.end()) {
      st = EncodePage(*p, 0, &e);
    } else {
      e = std::move(it->second);
    }
    if (st.ok() && header_.RegionOf(p->ref) != e.blocks)
      st = Status::Check(store_check::kPageClass);
    if (st.ok() && e.bytes.size() % 64 != 0) st = Status::Check(store_check::kIoSize);
    if (!st.ok()) {
      encoded_.clear();
      Rollback();
      return st;
    }
    PatchPage(*p, fmt::RefOffset(p->ref), &e);
    set->pages.push_back({static_cast<uint64_t>(fmt::RefOffset(p->ref)), std::move(e.bytes)});
  }
  encoded_.clear();
  header_.Encode(hb);
  set->header.assign(reinterpret_cast<char*>(hb), sizeof hb);
  return Status::OK();
}

}  // namespace kavo
