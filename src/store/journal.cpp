#include "store/journal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kavo {
namespace {

constexpr char kMagic[4] = {'q', 'U', 'a', 'L'};
constexpr uint32_t kMaxPageBytes = 0x3B00;
constexpr size_t kImageHeadBytes = 6;  // home address and stored size
constexpr size_t kHeadUnit = 64;       // what is read to get them

uint32_t Get32(const std::string& s, size_t at) {
  const auto* p = reinterpret_cast<const uint8_t*>(s.data() + at);
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void Put32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * i));
}

uint64_t RoundUpBlocks(uint64_t n) {
  return (n + kBlockSize - 1) / kBlockSize * kBlockSize;
}

void SetEnds(std::string* header, uint64_t committed, uint64_t journal) {
  Put32(header, header_field::kCommittedEnd, static_cast<uint32_t>(committed));
  Put32(header, header_field::kJournalEnd, static_cast<uint32_t>(journal));
}

void RaiseCounter(std::string* header) {
  Put32(header, header_field::kChangeCounter, Get32(*header, header_field::kChangeCounter) + 1);
}

Status ReadExact(File* file, uint64_t offset, size_t n, std::string* out) {
  out->assign(n, '\0');
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(file->Read(offset, out->data(), n, &got));
  if (got != n) return Status::Check(journal_check::kShortHeader);
  return Status::OK();
}

Status ReadHeader(File* file, std::string* header) {
  header->assign(kHeaderSize, '\0');
  size_t got = 0;
  KAVO_RETURN_IF_ERROR(file->Read(0, header->data(), kHeaderSize, &got));
  if (got != kHeaderSize || std::memcmp(header->data() + header_field::kMagic, kMagic, 4) != 0) {
    return Status::Error(err::kInvalidDataFile);
  }
  return Status::OK();
}

bool Pending(const std::string& header) {
  return Get32(header, header_field::kCommittedEnd) != Get32(header, header_field::kJournalEnd);
}

// Releases the locks a resolution took, whatever way it ends.
class ResolveLocks {
 public:
  explicit ResolveLocks(FileLocks* locks) : locks_(locks) {}
  ~ResolveLocks() {
    if (locks_ == nullptr) return;
    if (all_slots_) locks_->UnlockAllSlots();
    if (writer_) locks_->UnlockWriter();
  }
  void took_writer() { writer_ = true; }
  void took_all_slots() { all_slots_ = true; }

 private:
  FileLocks* locks_;
  bool writer_ = false;
  bool all_slots_ = false;
};

// The journal's images between committed end and journal end, as home
// address -> (position, length). Checks that they are whole and fit.
Status ScanJournal(File* file, const std::string& header,
                   std::map<uint64_t, std::pair<uint64_t, uint64_t>>* images) {
  uint64_t start = Get32(header, header_field::kCommittedEnd);
  uint64_t end = Get32(header, header_field::kJournalEnd);
  if (start < kHeaderSize || end < start) return Status::Check(journal_check::kJournalBounds);
  uint64_t size = 0;
  KAVO_RETURN_IF_ERROR(file->Size(&size));
  if (end > size) return Status::Check(journal_check::kJournalPastEnd);
  std::string head;
  for (uint64_t pos = start; pos < end;) {
    // A whole 64-byte unit, though only the first six bytes are used: an
    // enciphered file is read in whole units, and every image is at least
    // one block long.
    if (end - pos < kHeadUnit) return Status::Check(journal_check::kImageSize);
    KAVO_RETURN_IF_ERROR(ReadExact(file, pos, kHeadUnit, &head));
    uint64_t home = Get32(head, 0);
    uint32_t stored = static_cast<uint8_t>(head[4]) | static_cast<uint8_t>(head[5]) << 8;
    bool is_header = home == 0;
    if (is_header ? stored != kHeaderSize : (stored < kImageHeadBytes || stored > kMaxPageBytes)) {
      return Status::Check(journal_check::kImageSize);
    }
    uint64_t length = RoundUpBlocks(stored);
    if (length > end - pos) return Status::Check(journal_check::kImageSize);
    // A page image belongs inside the file the journal follows, on a block.
    if (!is_header &&
        (home < kHeaderSize || (home - kHeaderSize) % kBlockSize != 0 || home + length > start)) {
      return Status::Check(journal_check::kImageHome);
    }
    (*images)[home] = {pos, length};
    pos += length;
  }
  if (images->find(0) == images->end()) return Status::Check(journal_check::kNoHeaderImage);
  return Status::OK();
}

Status Replay(File* file, const std::map<uint64_t, std::pair<uint64_t, uint64_t>>& images) {
  std::string bytes;
  for (const auto& [home, where] : images) {
    KAVO_RETURN_IF_ERROR(ReadExact(file, where.first, where.second, &bytes));
    KAVO_RETURN_IF_ERROR(file->Write(home, bytes.data(), bytes.size()));
  }
  return Status::OK();
}

}  // namespace

uint64_t RegionEndOfFile(const std::string& header) {
  uint32_t end = 0;
  for (size_t k = 1; k < 60; ++k) {
    uint32_t s = Get32(header, header_field::kRegionStart + 4 * k);
    uint32_t e = Get32(header, header_field::kRegionEnd + 4 * k);
    if (e > s && e > end) end = e;
  }
  return kHeaderSize + uint64_t{end} * kBlockSize;
}

JournalCommit::JournalCommit(File* file, FileLocks* locks, CommitSet set)
    : file_(file), locks_(locks), set_(std::move(set)) {}

Status JournalCommit::Flush() {
  ++result_.flushes;
  return file_->Flush();
}

void JournalCommit::PlaceJournal(uint64_t new_end, uint64_t length, bool* flush_first) {
  const uint64_t low = std::max(new_end, set_.old_end);
  // A committed end beyond the end of the regions names the start of the
  // last commit's journal, closed without a flush of its own (FinishHeader):
  // until the next flush the disk may still hold the header naming it, so
  // nothing is written over its bytes before then.
  const uint64_t last = Get32(set_.kept_header, header_field::kCommittedEnd);
  const bool live = last > set_.old_end;
  lazy_ = length <= kLazyJournalBytes;
  journal_start_ = low;
  if (lazy_) {
    // A gap after the data keeps a start that names the journal apart from
    // the end of the regions, and lets the next commit's data grow a little
    // without reaching this journal.
    journal_start_ = low + kJournalGap;
    if (live && journal_start_ + length > last) {
      // Above the live journal; the two places take turns.
      journal_start_ = std::max(journal_start_, last + kLazyJournalBytes);
      if (journal_start_ > low + kJournalGap + 2 * kLazyJournalBytes)
        journal_start_ = low + kJournalGap;
    }
    if (journal_start_ + length > kLockBase) {
      lazy_ = false;
      journal_start_ = low;
    }
  }
  // Pages beyond the old end are written home before the first flush too.
  *flush_first = live && (new_end > last || (journal_start_ < last + kLazyJournalBytes &&
                                             journal_start_ + length > last));
}

Status JournalCommit::Prepare() {
  std::string& header = set_.header;

  // The journal's size is known before anything is written, so the header
  // image can carry the final journal end like the header at 0 will.
  std::string journal;
  for (size_t i = 0; i < set_.pages.size(); ++i) {
    if (set_.pages[i].home < set_.old_end) {
      journaled_.push_back(i);
      journal += set_.pages[i].bytes;
    }
  }
  bool flush_first = false;
  PlaceJournal(RegionEndOfFile(header), journal.size() + kHeaderSize, &flush_first);
  journal_end_ = journal_start_ + journal.size() + kHeaderSize;
  if (journal_end_ > kLockBase) return FileFull();
  SetEnds(&header, journal_start_, journal_end_);
  RaiseCounter(&header);
  journal += header;
  // The header that closed the last journal goes to the disk before that
  // journal's bytes are overwritten.
  if (flush_first) KAVO_RETURN_IF_ERROR(Flush());

  uint64_t size_before = 0;
  KAVO_RETURN_IF_ERROR(file_->Size(&size_before));
  auto cut_back = [&](Status st) {
    // Nothing reachable refers to what was written; give the space back.
    (void)file_->Truncate(std::max(size_before, set_.old_end));
    return st;
  };
  for (const PageImage& page : set_.pages) {
    if (page.home < set_.old_end) continue;
    Status st = file_->Write(page.home, page.bytes.data(), page.bytes.size());
    if (!st.ok()) return cut_back(st);
  }
  Status st = file_->Write(journal_start_, journal.data(), journal.size());
  if (!st.ok()) return cut_back(st);
  // The images must be on disk before the header that points at them.
  st = Flush();
  if (!st.ok()) return cut_back(st);
  std::string pending = set_.kept_header;
  SetEnds(&pending, journal_start_, journal_end_);
  st = file_->Write(0, pending.data(), pending.size());
  // From here on the change survives a crash; it must be durable before any
  // page is overwritten at home.
  if (st.ok()) st = Flush();
  if (!st.ok()) {
    // Whether the pending header reached the disk is unknown. The caller is
    // told the change failed, so the kept header goes back, as far as the
    // disk still takes writes; a crash now leaves a whole journal at worst.
    if (file_->Write(0, set_.kept_header.data(), set_.kept_header.size()).ok()) {
      (void)file_->Flush();
    }
    return st;
  }
  result_.header = pending;
  return Status::OK();
}

Status JournalCommit::Publish() {
  if (locks_ != nullptr && !locks_->LockAllSlots()) return locks_->status();
  Status st;
  for (size_t i : journaled_) {
    const PageImage& page = set_.pages[i];
    st = file_->Write(page.home, page.bytes.data(), page.bytes.size());
    if (!st.ok()) break;
  }
  if (st.ok()) st = file_->Write(0, set_.header.data(), set_.header.size());
  if (st.ok()) {
    result_.header = set_.header;
    st = FinishHeader(file_, &result_.header, &result_.flushes, lazy_ ? journal_start_ : 0);
  }
  if (locks_ != nullptr) locks_->UnlockAllSlots();
  return st;
}

Status JournalCommit::Abandon() {
  if (locks_ != nullptr && !locks_->LockAllSlots()) return locks_->status();
  Status st = FinishHeader(file_, &result_.header, &result_.flushes);
  if (locks_ != nullptr) locks_->UnlockAllSlots();
  return st;
}

Status FileFull() {
  return Status::Os(ENOSPC);
}

Status CommitAll(File* file, FileLocks* locks, CommitSet set, CommitResult* result) {
  JournalCommit commit(file, locks, std::move(set));
  Status st = commit.Prepare();
  if (st.ok()) st = commit.Publish();
  *result = commit.result();
  return st;
}

Status FinishHeader(File* file, std::string* header, int* flushes, uint64_t journal_start) {
  // The pages must be home and durable before the header stops naming the
  // journal that could still restore them.
  ++*flushes;
  KAVO_RETURN_IF_ERROR(file->Flush());
  KAVO_RETURN_IF_ERROR(ReadHeader(file, header));
  uint64_t end = RegionEndOfFile(*header);
  uint64_t ends = journal_start != 0 ? journal_start : end;
  SetEnds(header, ends, ends);
  RaiseCounter(header);
  KAVO_RETURN_IF_ERROR(file->Write(0, header->data(), header->size()));
  // Closed without a flush: a crash before the next one finds either this
  // header or the one naming the whole journal, whose replay writes the same
  // pages again. The next commit keeps off the journal until it has flushed.
  if (journal_start != 0) return Status::OK();
  ++*flushes;
  KAVO_RETURN_IF_ERROR(file->Flush());
  // Nothing refers to the journal now (equal ends name none). A small one
  // keeps its space for the next commit's journal, which then overwrites it
  // without changing the file's size, so that commit's flushes carry data
  // only: a file cut and regrown at every commit makes its first flush carry
  // the size and the block allocation through the file system's own journal.
  // A larger dead tail is cut off after the flush, so the size change is
  // carried by the next commit's first flush; a crash before that, or a
  // failed cut, leaves only bytes nothing refers to.
  uint64_t size = 0;
  if (file->Size(&size).ok() && size > end + kKeptJournalBytes) (void)file->Truncate(end);
  return Status::OK();
}

Status JournalView::Read(uint64_t offset, void* buf, size_t n, size_t* got) {
  KAVO_RETURN_IF_ERROR(base_->Read(offset, buf, n, got));
  auto it = images_.upper_bound(offset);
  if (it != images_.begin()) --it;
  for (; it != images_.end() && it->first < offset + n; ++it) {
    uint64_t home = it->first;
    auto [pos, length] = it->second;
    uint64_t from = std::max(home, offset);
    uint64_t to = std::min(home + length, offset + n);
    if (from >= to) continue;
    size_t part = 0;
    KAVO_RETURN_IF_ERROR(base_->Read(pos + (from - home), static_cast<char*>(buf) + (from - offset),
                                     to - from, &part));
    if (part != to - from) return Status::Check(journal_check::kJournalPastEnd);
    *got = std::max<size_t>(*got, to - offset);
  }
  return Status::OK();
}

Status ResolveJournal(File* file, FileLocks* locks, JournalResolver* resolver, std::string* header,
                      JournalOutcome* outcome) {
  *outcome = JournalOutcome::kNone;
  if (!Pending(*header)) return Status::OK();
  ResolveLocks held(locks);
  if (locks != nullptr && locks->read_only()) {
    // Without write access the journal cannot be resolved here; the header at
    // 0 still describes whole pages while a writer is under way.
    if (locks->WriterBusyElsewhere()) {
      *outcome = JournalOutcome::kLeftToWriter;
      return Status::OK();
    }
    return Status::Error(err::kAccessDenied);
  }
  if (locks != nullptr && !locks->writer_held()) {
    // Never wait for the writer byte here: its holder may be waiting for the
    // reader slot we hold. Until it publishes, the pages at home are still
    // those the header at 0 describes.
    switch (locks->TryLockWriter()) {
      case LockResult::kBusy:
        *outcome = JournalOutcome::kLeftToWriter;
        return Status::OK();
      case LockResult::kFailed:
        return locks->status();
      case LockResult::kGranted:
        held.took_writer();
        break;
    }
    KAVO_RETURN_IF_ERROR(ReadHeader(file, header));
    if (!Pending(*header)) return Status::OK();
  }

  std::map<uint64_t, std::pair<uint64_t, uint64_t>> images;
  KAVO_RETURN_IF_ERROR(ScanJournal(file, *header, &images));
  std::string new_header;
  const auto& image = images.at(0);
  KAVO_RETURN_IF_ERROR(ReadExact(file, image.first, kHeaderSize, &new_header));
  if (std::memcmp(new_header.data() + header_field::kMagic, kMagic, 4) != 0) {
    return Status::Check(journal_check::kImageSize);
  }

  JournalView view(file, images);
  std::optional<TransactionLink> link;
  KAVO_RETURN_IF_ERROR(resolver->FindLink(&view, new_header, &link));
  bool listed = false;
  if (link) KAVO_RETURN_IF_ERROR(resolver->Listed(*link, &listed));

  if (locks != nullptr) {
    if (!locks->LockAllSlots()) return locks->status();
    held.took_all_slots();
  }
  if (!listed) KAVO_RETURN_IF_ERROR(Replay(file, images));
  int flushes = 0;
  KAVO_RETURN_IF_ERROR(FinishHeader(file, header, &flushes));
  *outcome = listed ? JournalOutcome::kDiscarded : JournalOutcome::kReplayed;
  return Status::OK();
}

}  // namespace kavo
