// The commit journal of a store file: how a set of changed pages reaches the
// disk so that a crash at any moment leaves either the old or the new state.
//
// A commit appends images of the changed pages that lie inside the old file,
// and of the new header, after the committed end (the journal), flushes, and
// only then records the journal in the header at offset 0 and flushes again.
// From that moment the change survives: the pages are copied home (under all
// reader slots, so no reader sees a half-copied file), flushed, and the header
// is rewritten without the journal.
//
// Invariants on disk:
//  - journal end == committed end: no journal is pending; the header at 0
//    describes whole, flushed pages.
//  - journal end != committed end: every image between them was flushed
//    before the header pointing at them was written. The header at 0 is
//    either the old header (its regions still describe the old pages, which
//    nothing has overwritten yet) or the new one; the header image in the
//    journal is the new one. Both carry the same committed end and journal
//    end. The header is one 512-byte sector at offset 0, which a disk writes
//    whole; the new header written home overwrites a pending header with the
//    same ends, so even that write torn inside the sector names the journal.
//  - ends equal but beyond the end of the regions: the last commit's journal
//    (at most kLazyJournalBytes) starts there and was closed without a flush
//    of its own. The disk may still hold the header naming it, whose replay
//    writes the pages that are home already, so nothing writes over that
//    journal, nor grows the data into it, before a flush has carried the
//    header that closed it.
//
// A commit runs in four stages, each named where it is done:
//  - build: the store places and encodes the changed pages and compacts the
//    regions (StoreFile::BuildCommitSet, giving a CommitSet);
//  - prepare: a flush when the writes would touch a journal closed without
//    one; images of the pages inside the old file and of the new header
//    written to the journal, pages beyond the old end written home, flush,
//    pending header at 0, flush (JournalCommit::Prepare, PlaceJournal);
//  - publish: under all reader slots, the journaled pages written home and
//    the new header at 0, then finish (JournalCommit::Publish);
//  - finish: flush, header reread, committed end and journal end set to the
//    end its regions give, change counter raised, header written, flush
//    (FinishHeader). A small journal is closed without that last flush: its
//    ends are set to the journal's start instead, and the next commit's
//    first flush carries the header.
//
// So a durable add costs three flushes. The journal's space stays after the
// end of the regions for the next commits unless it is large: a file cut and
// regrown every commit would make a flush carry its size and allocation too.
// Small journals start kJournalGap after the data and take turns between two
// places, so that each keeps off the one before.
//
// A pending journal is resolved when the header is read: replayed, or
// discarded when the file's transaction link names a transaction that its
// transaction-control file still lists (the transaction never committed).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "store/file.h"
#include "store/locks.h"

namespace kavo {

inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kBlockSize = 256;

// Header fields the journal reads and writes (offsets in the 512-byte header).
namespace header_field {
inline constexpr size_t kCommittedEnd = 6;
inline constexpr size_t kJournalEnd = 10;
inline constexpr size_t kMagic = 14;
inline constexpr size_t kChangeCounter = 24;
inline constexpr size_t kRegionStart = 32;
inline constexpr size_t kRegionEnd = 272;
}  // namespace header_field

// The end of the file that a header's region tables describe: the end of the
// highest non-empty region, or 512 when every region is empty.
uint64_t RegionEndOfFile(const std::string& header);

// One changed page at commit: its home file offset and its bytes on disk
// (whole 256-byte blocks, its own page header first).
struct PageImage {
  uint64_t home = 0;
  std::string bytes;
};

// What the store hands to a commit, the result of its build stage: the pages
// placed and encoded, the regions compacted.
struct CommitSet {
  std::string kept_header;  // the header as it was before the operation (512 bytes)
  std::string header;       // the new header, its regions describing the new placement
  uint64_t old_end = 0;     // end of file from the kept header's regions
  std::vector<PageImage> pages;
};

// How the journal's steps went; the header the store holds afterwards.
struct CommitResult {
  std::string header;  // the header as it now stands at offset 0
  int flushes = 0;     // flush calls made (for measurement)
};

// A commit in two halves, so that a transaction can prepare several files
// before any of them is published.
class JournalCommit {
 public:
  // locks: the open file's locks when it is shared or deny-write (publish and
  // abandon take all reader slots), nullptr otherwise.
  JournalCommit(File* file, FileLocks* locks, CommitSet set);

  // The prepare stage: journal images, flush, pending header, flush. A failure
  // before the pending header is written leaves nothing reachable from the
  // header at offset 0; one after it leaves a whole journal, which the next
  // header read replays.
  Status Prepare();
  // The publish stage: pages home under all reader slots, then finish. Pages
  // that prepare wrote at their home already (above the old end) are not
  // written twice.
  Status Publish();
  // For a transaction that failed after Prepare: finish without publishing
  // (the kept header stands again, the journal is cut off).
  Status Abandon();

  const CommitResult& result() const { return result_; }

 private:
  Status Flush();
  // Sets journal_start_ and lazy_ for a journal of length bytes; whether the
  // last commit's journal must first be closed on the disk.
  void PlaceJournal(uint64_t new_end, uint64_t length, bool* flush_first);

  File* file_;
  FileLocks* locks_;
  CommitSet set_;
  uint64_t journal_start_ = 0;
  uint64_t journal_end_ = 0;
  bool lazy_ = false;              // closed without a flush of its own
  std::vector<size_t> journaled_;  // indexes into set_.pages sent to the journal
  CommitResult result_;
};

// The error of a commit that would carry the file's pages or its journal
// into the lock bytes (locks.h), which no data may reach: the file is full,
// as a full disk would be.
Status FileFull();

// Prepare and publish for one file outside a transaction.
Status CommitAll(File* file, FileLocks* locks, CommitSet set, CommitResult* result);

// A journal of at most this many bytes (a durable add journals a leaf per key
// and the header, some 25 KiB in the log) is closed without a flush of its own
// (FinishHeader).
inline constexpr uint64_t kLazyJournalBytes = uint64_t{64} << 10;
// Where such a journal starts: this far after the end of the data.
inline constexpr uint64_t kJournalGap = uint64_t{8} << 10;
// How many dead bytes after the end of the regions a finished commit leaves
// in place for the next journals; more are cut off.
inline constexpr uint64_t kKeptJournalBytes = uint64_t{256} << 10;

// The finish stage: flush, reread the header at 0, set committed end and
// journal end to the end its regions give, raise the change counter, write it,
// flush, then cut the file to that end when more than kKeptJournalBytes lie
// after it. With a journal_start (a small journal's, from a publish), the
// ends are set to it instead and the header is left to the next flush.
Status FinishHeader(File* file, std::string* header, int* flushes, uint64_t journal_start = 0);

// The transaction link record of a store file.
struct TransactionLink {
  uint32_t number = 0;
  std::string control_file;
};

// What resolving a journal needs from the store above it.
class JournalResolver {
 public:
  virtual ~JournalResolver() = default;
  // Looks for the transaction link record in the file as view shows it
  // (header: the header view holds). No link: *link stays empty.
  virtual Status FindLink(File* view, const std::string& header,
                          std::optional<TransactionLink>* link) = 0;
  // Whether the control file lists the transaction (opened read-only, deny
  // none). A missing control file lists nothing; one that cannot be read is
  // an error.
  virtual Status Listed(const TransactionLink& link, bool* listed) = 0;
};

// A read-only view of a store file in which the journal's images stand at
// their home addresses.
class JournalView final : public File {
 public:
  JournalView(File* base, std::map<uint64_t, std::pair<uint64_t, uint64_t>> images)
      : base_(base), images_(std::move(images)) {}

  Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override;
  Status Write(uint64_t, const void*, size_t) override { return Status::Error(err::kAccessDenied); }
  Status Flush() override { return Status::OK(); }
  Status Size(uint64_t* size) override { return base_->Size(size); }
  Status Truncate(uint64_t) override { return Status::Error(err::kAccessDenied); }
  Status Lock(uint64_t, uint64_t, bool, bool) override { return Status::OK(); }
  Status Unlock(uint64_t, uint64_t) override { return Status::OK(); }

 private:
  File* base_;
  // home address -> (journal position, length)
  std::map<uint64_t, std::pair<uint64_t, uint64_t>> images_;
};

enum class JournalOutcome { kNone, kReplayed, kDiscarded, kLeftToWriter };

// Resolves a journal pending in the header just read (header, 512 bytes).
// When another instance holds the writer byte, its commit is under way: the
// journal is left alone (kLeftToWriter) and the header at 0 stays valid for
// reading, since nothing is copied home before all reader slots are taken.
// Otherwise the resolver takes the writer byte (when it does not hold it),
// rereads the header, and under all reader slots replays or discards. On
// success *header is the header now at offset 0. A file opened read-only
// cannot resolve: error 5 unless a writer is under way. A journal whose images run
// past the file or whose sizes do not fit is left untouched and reported as
// error 90 with a check number.
Status ResolveJournal(File* file, FileLocks* locks, JournalResolver* resolver, std::string* header,
                      JournalOutcome* outcome);

// Check numbers of the journal's consistency failures (error 90).
namespace journal_check {
inline constexpr int kJournalPastEnd = 9101;
inline constexpr int kImageSize = 9102;
inline constexpr int kImageHome = 9103;
inline constexpr int kNoHeaderImage = 9104;
inline constexpr int kShortHeader = 9105;
inline constexpr int kJournalBounds = 9106;
}  // namespace journal_check

}  // namespace kavo
