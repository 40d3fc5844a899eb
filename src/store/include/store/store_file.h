// One open store file of the process: the disk file, its header, page cache
// and page tree. Every Table of the file shares it (through the registry of
// open store files), so there is exactly one cache and one set of changed
// pages per disk file and process.
//
// The page tree (page_tree.h) keeps all records of all tables in record
// order; the store file is its PageSource, giving it pages from the cache,
// the reserve or the disk and collecting the pages it changes for the next
// commit.
//
// Operation bracket: Begin() reads the header (keeping the cache when the
// change counter did not move), the operation reads and changes records, and
// End() commits the changed pages, unless commits are deferred (STREAM or a
// transaction). A consistency failure inside an operation drops the changed
// pages and restores the header kept at Begin().
//
// Reads without the lock: a reading operation that can be run again from its
// start may begin without its reader slot when the header on disk is, byte
// for byte, the header the cache was filled under. Nothing a commit changes
// is then visible to it: a commit writes pages home only after it has put a
// pending journal into the header (and the final header carries a higher
// change counter), so an unchanged header means the committed state is still
// the cached one. Cached pages are read freely; the first page that has to
// come from the disk takes the reader slot and compares the header again
// under it. When the header still matches the operation goes on as a locked
// one; when a commit came in between, the page is not read and the operation
// reports kRestart, and its caller runs it again from the start, locked. A
// reader thus costs one comparison of the header per operation (through a
// shared mapping where the file allows, File::StartsWith) and no lock while
// it works from the cache, and a writer never overwrites a page a reader is
// reading.
//
// Read batches: within a batch (BeginReadBatch .. EndReadBatch), a reading
// operation that took the reader slot (its first page from the disk) keeps
// it when it ends, and the next ones of the batch begin under it without
// reading the header: while the slot is held no other process can commit,
// as a commit waits for every reader slot. A run of reads thus takes the
// lock once, as one query would, and reads one state of the file from its
// first disk read on. A read that fails lets the slot go.
// The slot is let go at the end of the batch and before anything that
// could wait for another process: any operation other than a plain read of
// this file (a write, a read that waits for a held row), a transaction or
// a stream, and any operation on another file of the process, so that the
// process never waits for anything while it holds a batch's slot.
//
// Commit path (where the journal plugs in): Commit() places every changed
// page in its size-class region and compacts the regions
// (store_placement.cpp), encodes the pages with their final home addresses
// and gathers them with the old and the new header into one CommitSet
// (journal.h), then hands that set to the journal (CommitAll, or a
// transaction's JournalCommit), the only writer of the disk.
//
// Threading: a StoreFile is shared by every Table of the file in the process
// and has no lock of its own. StoreMutex() (table.h), which every Table
// operation takes for its whole operation bracket, guards all of its state:
// the header, the page cache and reserve, the page tree, the changed pages,
// the locks and the registry of open files.
// REQUIRES: StoreMutex() held, for every member.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "store/file.h"
#include "store/header.h"
#include "store/locks.h"
#include "store/page.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/store_check.h"
#include "store/table.h"
#include "store/transaction.h"

namespace kavo {

struct CommitSet;
class UnitCipher;

class StoreFile final : public TransactionFile, private PageSource {
 public:
  // The open store file of path, opened now when the process has none.
  static Status Acquire(FileSystem* fs, const std::string& path, const OpenOptions& opt,
                        bool create, std::shared_ptr<StoreFile>* out);
  // True when the process holds path open.
  static bool IsOpen(FileSystem* fs, const std::string& path);
  ~StoreFile() override;

  // ---- Operation bracket ----
  // may_restart: the caller can run a read again from its start (see above),
  // so it may begin without the lock.
  Status Begin(bool write, bool may_restart = false);
  // After a read ended with kRestart: reads the header under the lock that
  // the read took, so that it can be run again.
  Status Restart();
  bool reading_unlocked() const { return unlocked_; }
  // Ends the operation: on success commits (unless deferred); on failure
  // drops this operation's changes when commits are not deferred.
  Status End(Status st);
  // Read batches (see above); they nest.
  void BeginReadBatch() { ++batches_; }
  void EndReadBatch();
  bool holds_batch_slot() const { return batch_held_; }
  // While deferred (STREAM, transactions) End() never commits.
  void DeferCommits(bool on) { deferred_ += on ? 1 : -1; }
  // STREAM: commits wait for the stream's end. The changes collect in memory
  // on top of the file as it was, so on a shared file the stream holds the
  // writer byte from its start until the commit that ends it: no other
  // process may commit underneath. EndStream lets the next End() commit;
  // that commit's bracket releases the byte.
  Status BeginStream();
  void EndStream();
  bool commits_deferred() const { return deferred_ > 0; }
  Status Commit();
  // Drops every change not yet committed and rereads the header next time.
  void Rollback();

  // ---- Transactions and locks (store_transaction.cpp) ----
  Status BeginTransaction() override;
  bool HasChanges() const override;
  Status WriteLink(const TransactionLink& link) override;
  Status PrepareCommit(std::unique_ptr<JournalCommit>* commit) override;
  Status CommitNow() override;
  void EndTransaction(const CommitResult* result) override;
  FileLocks* locks() const { return locks_.get(); }

  // ---- Hold and table lock bytes of the contexts of this process ----
  // Every context of the process shares this file's one open file
  // description, and the kernel lets a description retake its own byte, so
  // the byte alone cannot keep two contexts apart. The owner recorded here
  // does: another owner's byte is busy (error 32) exactly as another
  // process's is, retaking one's own byte is granted, and only the owner's
  // release unlocks the byte.
  Status TakeNumberByte(uint32_t number, const void* owner);
  void DropNumberByte(uint32_t number, const void* owner);

  // ---- Records (the page tree, page_tree.h) ----
  Status Find(std::string_view key, SeekMode mode, Record* out, bool* found) {
    return tree_.Find(key, mode, out, found);
  }
  Status Insert(std::string_view key, std::string_view data, bool* existed) {
    return tree_.Insert(key, data, existed);
  }
  Status Replace(std::string_view key, std::string_view data, bool* found) {
    return tree_.Replace(key, data, found);
  }
  Status Erase(std::string_view key, bool* found) { return tree_.Erase(key, found); }
  Status UpdateRange(std::string_view from, std::string_view to,
                     const PageTree::RecordUpdate& update) {
    return tree_.UpdateRange(from, to, update);
  }
  // Takes every page of the tree out of its region so that the next commit
  // places all of them anew and compacts the file (PACK; store_placement.cpp).
  Status Repack();
  // The next record or table number from the header's counter.
  Status NextNumber(uint32_t* number);

  const FileHeader& header() const { return header_; }
  const std::string& path() const override { return path_; }
  File* file() const { return file_.get(); }
  FileSystem* fs() const { return fs_; }
  bool read_only() const { return mode_ == OpenMode::kReadOnly; }
  bool shared() const { return shared_; }

  // ---- For the verifier ----
  Status ReadPage(int32_t ref, std::shared_ptr<Page>* page) override;
  Status Root(std::shared_ptr<Page>* root) override;
  size_t cached_pages() const { return cache_.size(); }
  int flushes() const { return flushes_; }

 private:
  explicit StoreFile(size_t reserve_bytes) : cache_(reserve_bytes) {}
  void DropReserve();
  Status ReadHeader();
  // Reads the header; *same true when it is byte for byte the one last read
  // and found whole (and without a pending journal).
  Status HeaderUnchanged(bool* same);
  // An unlocked read is about to read a page from the disk: takes the reader
  // slot and checks the header again (kRestart when it changed).
  Status LockForDiskRead();
  // The page at ref, from the cache, the reserve or the disk. k: the size
  // class of its region, or kRegionUnknown to look it up only when the page
  // is not cached.
  static constexpr int kRegionUnknown = -1;
  Status LoadPage(int32_t ref, int k, std::shared_ptr<Page>* page);
  // The page at ref read from the disk, decoded and cached; the caller has
  // found it not cached.
  Status DecodeFromDisk(int32_t ref, int k, std::shared_ptr<Page>* page);
  // Reads the blocks of the page at ref into read_buffer_: *k of them, the
  // size class of its region (looked up when kRegionUnknown).
  Status ReadBlocks(int32_t ref, int* k);
  // PageSource.
  Status ReadLeafFor(int32_t ref, std::string_view key, std::shared_ptr<Page>* leaf, Record* out,
                     LeafProbe* probe) override;
  std::shared_ptr<Page> NewPage(uint8_t level) override;
  void MarkChanged(Page* page) override;
  void DropPage(int32_t ref) override;
  // Every change of the tree, of the cached pages or of the header's view of
  // the file outdates the tree's fingers.
  void Outdate() { tree_.Outdate(); }

  // Placement, part of a commit's build stage (journal.h;
  // store_placement.cpp).
  Status PlaceAll();
  Status Place(Page* page, int k);
  Status Vacate(int32_t ref, int j);
  Status MovePage(int32_t from, int32_t to, int k);
  Status FindParent(Page* page, Page** parent, size_t* index);
  Status SetChildRef(Page* page, int32_t new_ref);
  Status MakeGapAbove(int k, int32_t need);
  bool SlideDown(int k);
  Status Compact();
  // A commit's build stage: places and encodes the changed pages.
  Status BuildCommitSet(CommitSet* set);
  // store_transaction.cpp: journal resolution, the committed header, the
  // locks of the operation bracket.
  Status ResolvePending(const uint8_t* raw, FileHeader* h);
  void AdoptCommitted(const std::string& header);
  void DropAfterFailedWrite();
  Status LockBracket(bool write);
  void UnlockBracket();
  // Lets go of the reader slot a read batch kept.
  void ReleaseBatchSlot();

  FileSystem* fs_ = nullptr;
  std::string path_;
  std::string key_;
  std::unique_ptr<File> file_;
  // The key of an enciphered file (file_ then deciphers); null for a plain one.
  std::shared_ptr<const UnitCipher> cipher_;
  std::unique_ptr<FileLocks> locks_;
  bool in_transaction_ = false;
  OpenMode mode_ = OpenMode::kReadWrite;
  bool shared_ = true;
  bool have_header_ = false;
  bool header_dirty_ = false;
  FileHeader header_;
  FileHeader kept_header_;  // the header as it was at Begin()
  // The header bytes last read and found whole; an unchanged header is not
  // decoded again.
  std::array<uint8_t, 512> last_raw_{};
  bool last_raw_valid_ = false;
  // The cache and, beneath it, the pages it trimmed; none rest while a
  // commit is being built and published, when references move.
  PageCache cache_;
  bool committing_ = false;
  std::vector<uint8_t> read_buffer_;  // the blocks of the page being read
  PageTree tree_{this};
  std::set<int32_t> dropped_;  // placed pages removed from the tree since the last commit
  int32_t next_temp_ = -2;
  int deferred_ = 0;
  int streams_ = 0;          // streams under way (STREAM of any context of the process)
  int depth_ = 0;            // nesting of Begin/End
  bool unlocked_ = false;    // the operation runs without its reader slot so far
  int batches_ = 0;          // read batches under way
  bool batch_read_ = false;  // the operation under way may keep its slot for the batch
  bool batch_held_ = false;  // the reader slot is kept for the batch
  int flushes_ = 0;
  // The flushes of a transaction's commit already counted when it was
  // prepared; its result counts them again.
  int prepared_flushes_ = 0;
  std::map<Page*, EncodedPage> encoded_;           // during a commit
  std::map<uint32_t, const void*> number_owners_;  // hold and table lock bytes taken
};

}  // namespace kavo
