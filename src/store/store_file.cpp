#include "store/store_file.h"

#include <algorithm>
#include <cstring>

#include <unistd.h>

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

// The one file of the process whose read batch keeps its reader slot, if
// any: no more than one, so that the process never holds one file's slot
// while it waits for another's. A child forked meanwhile inherits the
// pointer and the descriptor, not the batch: it must not let the slot go.
StoreFile* batch_slot_holder = nullptr;
pid_t batch_slot_process = 0;

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
  std::shared_ptr<StoreFile> sf(new StoreFile(opt.reserve_bytes));
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
  if (batch_slot_holder == this) batch_slot_holder = nullptr;
  Transaction::Process().Forget(this);
  auto it = OpenFiles().find(std::make_pair(fs_, key_));
  if (it != OpenFiles().end() && it->second.expired()) OpenFiles().erase(it);
}

// ---- Hold and table lock bytes ----

Status StoreFile::TakeNumberByte(uint32_t number, const void* owner) {
  ReleaseBatchSlot();
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
  if (depth_ > 0) {
    ++depth_;
    return Status::OK();
  }
  if (batch_slot_holder != nullptr && batch_slot_holder != this) {
    if (batch_slot_process == getpid()) {
      batch_slot_holder->ReleaseBatchSlot();
    } else {
      batch_slot_holder = nullptr;
    }
  }
  batch_read_ = batches_ > 0 && !write && may_restart;
  if (batch_held_) {
    if (batch_read_) {
      // The slot was kept since the header was last checked under it: no
      // commit can have come in between.
      ++depth_;
      unlocked_ = false;
      kept_header_ = header_;
      return Status::OK();
    }
    ReleaseBatchSlot();
  }
  ++depth_;
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
  if (st.ok() && batch_read_ && batches_ > 0 && locks_->reader_held() && !in_transaction_ &&
      streams_ == 0) {
    batch_held_ = true;
    if (batch_slot_holder != this) {
      batch_slot_holder = this;
      batch_slot_process = getpid();
    }
    return st;
  }
  batch_held_ = false;
  UnlockBracket();
  return st;
}

void StoreFile::EndReadBatch() {
  if (batches_ > 0 && --batches_ == 0) ReleaseBatchSlot();
}

void StoreFile::ReleaseBatchSlot() {
  if (batch_slot_holder == this) batch_slot_holder = nullptr;
  if (!batch_held_) return;
  batch_held_ = false;
  if (depth_ == 0) UnlockBracket();
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
  cache_.DropResting();
  committing_ = false;
}

std::shared_ptr<Page> StoreFile::NewPage(uint8_t level) {
  auto p = Page::Make();
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

void StoreFile::DropPage(int32_t ref) {
  if (ref >= 0) dropped_.insert(ref);
  cache_.Erase(ref);
}

Status StoreFile::ReadBlocks(int32_t ref, int* k) {
  if (*k == kRegionUnknown) {
    *k = ref < 0 ? 0 : header_.RegionOf(ref);
    if (ref >= 0 && *k == 0) return Status::Check(store_check::kNoPageRegion);
  }
  if (ref < 0 || *k <= 0 || *k > fmt::kMaxBlocks) return Status::Check(store_check::kMissingPage);
  if (unlocked_) KAVO_RETURN_IF_ERROR(LockForDiskRead());
  const size_t n = static_cast<size_t>(*k) * fmt::kBlockSize;
  read_buffer_.resize(std::max(read_buffer_.size(), n));
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(
      file_->Read(static_cast<uint64_t>(fmt::RefOffset(ref)), read_buffer_.data(), n, &got));
  if (got != n) return Status::Check(store_check::kShortRead);
  return Status::OK();
}

Status StoreFile::LoadPage(int32_t ref, int k, std::shared_ptr<Page>* page) {
  cache_.Trim(!committing_, header_.change_counter);
  if (auto p = cache_.Find(ref)) {
    *page = std::move(p);
    return Status::OK();
  }
  return DecodeFromDisk(ref, k, page);
}

Status StoreFile::DecodeFromDisk(int32_t ref, int k, std::shared_ptr<Page>* page) {
  KAVO_RETURN_IF_ERROR(ReadBlocks(ref, &k));
  std::shared_ptr<Page> p = cache_.TakeSpare();
  if (!p) p = Page::Make();
  p->ref = ref;
  const size_t n = static_cast<size_t>(k) * fmt::kBlockSize;
  KAVO_RETURN_IF_ERROR(DecodePage(read_buffer_.data(), n, k, fmt::RefOffset(ref), p.get()));
  cache_.Insert(p);
  *page = std::move(p);
  return Status::OK();
}

Status StoreFile::ReadLeafFor(int32_t ref, std::string_view key, std::shared_ptr<Page>* leaf,
                              Record* out, LeafProbe* probe) {
  leaf->reset();
  cache_.Trim(!committing_, header_.change_counter);
  if (auto p = cache_.Find(ref)) {
    *leaf = std::move(p);
    return Status::OK();
  }
  if (ref < 0 || cache_.LeafRoom() || cache_.WantedBefore(ref))
    return DecodeFromDisk(ref, kRegionUnknown, leaf);
  int k = kRegionUnknown;
  KAVO_RETURN_IF_ERROR(ReadBlocks(ref, &k));
  const size_t n = static_cast<size_t>(k) * fmt::kBlockSize;
  return ProbeLeaf(read_buffer_.data(), n, k, fmt::RefOffset(ref), key, out, probe);
}

Status StoreFile::ReadPage(int32_t ref, std::shared_ptr<Page>* page) {
  return LoadPage(ref, kRegionUnknown, page);
}

Status StoreFile::Root(std::shared_ptr<Page>* root) {
  if (header_.root == -1 && read_only()) {
    // A file that never had a commit holds no records. A read-only instance
    // may not commit the first root, so it reads an empty leaf of its own.
    *root = Page::Make();
    (*root)->ref = -1;
    return Status::OK();
  }
  if (header_.root == -1 && !cache_.Find(-1)) {
    // Making the tree changes the file: never without the lock.
    if (unlocked_) KAVO_RETURN_IF_ERROR(LockForDiskRead());
    // The first access to the tree of a new file: an empty root leaf.
    auto p = Page::Make();
    p->ref = -1;
    p->changed = true;
    cache_.Insert(p);
    if (header_.change_counter == 0) header_.change_counter = 1;
    header_dirty_ = true;
  }
  return ReadPage(header_.root, root);
}

// ---- Commit ----

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
  // or dropped, no page rests beneath the cache.
  cache_.DropResting();
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
