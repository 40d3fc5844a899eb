// The page tree of a store file: all records of all its tables in record
// order, as a tree of pages, and the operations on it: find, insert, replace
// and erase a record, the descent from the root to a leaf, the step from a
// leaf to its neighbour, the splitting of overfull pages and the removal of
// emptied ones.
//
// Shape, kept by every operation that succeeds:
// - Leaves (level 0) hold records in strictly increasing key order.
// - An index page at level L holds, for each child (at level L - 1), a copy
//   of the child's first record and the child's reference: as many children
//   as records.
// - Only the root may be empty, and an empty root is a leaf.
// - No page is TooBig().
// An operation that fails with a check (error 90) may leave its changed pages
// half done; the owner then drops them (StoreFile::Rollback).
//
// The tree owns no page. It reads pages, makes new ones and reports the ones
// it changes or removes through its PageSource: the store file with its page
// cache, reserve and disk. New pages carry temporary (negative) references
// until a commit places them.
//
// Fingers: the paths of the last two descents are kept, weakly, so that a
// read near one of them steps within its leaf without a descent; the leaves
// of earlier descents are known by reference in a LeafIndex. Any change of
// the tree or of the pages beneath it must call Outdate() first; fingers and
// leaves from before it are never used.
//
// Threading: a PageTree belongs to one StoreFile and has no lock of its own.
// REQUIRES: StoreMutex() (table.h) held, for every member.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "store/leaf_index.h"
#include "store/page.h"

namespace kavo {

enum class SeekMode { kExact, kAtOrAfter, kAfter, kBefore };

// What the page tree needs of the file beneath it.
class PageSource {
 public:
  virtual ~PageSource() = default;
  // The root page; made (an empty leaf) when the file has no tree yet.
  virtual Status Root(std::shared_ptr<Page>* root) = 0;
  // The page with reference ref, from the cache or the disk.
  virtual Status ReadPage(int32_t ref, std::shared_ptr<Page>* page) = 0;
  // The leaf at ref, for an exact read of the record of key: the page, when
  // it is cached or worth decoding (*leaf set); else (*leaf null) the record
  // looked up in the page's blocks, which stay undecoded (probe says what
  // was found; *out holds the record when it was).
  virtual Status ReadLeafFor(int32_t ref, std::string_view key, std::shared_ptr<Page>* leaf,
                             Record* out, LeafProbe* probe) = 0;
  // A new, changed, empty page of the level under a temporary reference.
  virtual std::shared_ptr<Page> NewPage(uint8_t level) = 0;
  // The page's records or children changed: it goes to the next commit.
  virtual void MarkChanged(Page* page) = 0;
  // The page with reference ref has left the tree; nobody holds it any more.
  virtual void DropPage(int32_t ref) = 0;
};

class PageTree {
 public:
  explicit PageTree(PageSource* source) : source_(source) {}
  PageTree(const PageTree&) = delete;
  PageTree& operator=(const PageTree&) = delete;

  // Finds a record by key part; *found false when none (out untouched).
  // Records out of order across pages are reported as a check.
  Status Find(std::string_view key, SeekMode mode, Record* out, bool* found);
  // Inserts a record; *existed true (and nothing changed) when the key part
  // is taken.
  Status Insert(std::string_view key, std::string_view data, bool* existed);
  // Replaces the data part of an existing record; *found false when none.
  Status Replace(std::string_view key, std::string_view data, bool* found);
  Status Erase(std::string_view key, bool* found);
  // Visits the records whose key parts lie in [from, to), in record order,
  // with one descent: update gets each key part and a copy of its data part,
  // and what it leaves there is stored. The data part must keep its length
  // (check 306 otherwise), so the tree keeps its shape; an update that fails
  // ends the walk with its status.
  using RecordUpdate = std::function<Status(std::string_view key, std::string* data)>;
  Status UpdateRange(std::string_view from, std::string_view to, const RecordUpdate& update);
  // Every page of the tree, the root first and each page before its
  // children.
  Status AllPages(std::vector<std::shared_ptr<Page>>* all);

  // The tree or the pages beneath it are about to change: the fingers are
  // outdated.
  void Outdate() { ++generation_; }

 private:
  struct Step {
    std::shared_ptr<Page> page;
    size_t index;
  };
  using Path = std::vector<Step>;
  // A path kept between descents for its capacity, emptied when the user is
  // done: a page it held would count as in use and never leave the cache.
  class PathLease {
   public:
    explicit PathLease(Path& path) : path_(path) {}
    ~PathLease() { path_.clear(); }
    PathLease(const PathLease&) = delete;
    PathLease& operator=(const PathLease&) = delete;
    Path& operator*() const { return path_; }

   private:
    Path& path_;
  };
  // The path of a descent, weakly held so that it never keeps a page in the
  // cache, valid while generation_ stays.
  struct Finger {
    std::vector<std::weak_ptr<Page>> pages;
    std::vector<size_t> index;
    // The keys of the leaf's first and last records, compared without
    // touching the leaf.
    std::string first;
    std::string last;
    uint64_t generation = 0;
  };

  // An exact read's record, when it was looked up in a leaf left undecoded.
  struct ExactProbe {
    Record* out = nullptr;
    LeafProbe probe;
    bool probed = false;
  };
  // The path from the root to the leaf for key. For an exact read (exact
  // set), the leaf may be probed rather than read: the path then ends
  // above it, and exact says what the leaf holds.
  Status Descend(std::string_view key, Path* path, ExactProbe* exact = nullptr);
  // True when the leaf step of a descent stands on the record of key.
  static bool AtKey(const Step& leaf, std::string_view key) {
    return leaf.index < leaf.page->records.size() && leaf.page->records[leaf.index].key() == key;
  }
  // Moves the leaf at the end of path to its neighbour; *found false at the
  // end of the tree.
  Status StepLeaf(Path* path, bool forward, bool* found);
  Status Seek(std::string_view key, SeekMode mode, Record* out, bool* found);
  // The leaf of a recent descent whose records span key, when the tree has
  // not changed since, and the finger it is the leaf of; nullptr when none.
  std::shared_ptr<Page> FingerLeaf(std::string_view key, size_t* finger);
  // The path of a recent descent whose leaf covers key, when the tree has
  // not changed since.
  bool FromFinger(std::string_view key, Path* path);
  // The leaf of the LeafIndex whose records span key, read through the
  // source; *leaf untouched when none. For an exact read (exact set) a leaf
  // may be probed instead: exact->probed when one that spans key was.
  Status KnownLeaf(std::string_view key, std::shared_ptr<Page>* leaf, ExactProbe* exact);
  // Answers a seek within a leaf whose records span key; false when the
  // answer lies beyond the leaf's first or last record.
  bool SeekInLeaf(const Page& leaf, std::string_view key, SeekMode mode, Record* out, bool* found);
  void SaveFinger(const Path& path);
  // The first record of the page at depth changed: so do the separators
  // above it.
  void UpdateSeparators(Path& path, size_t depth);
  Status FixOverflow(Path& path);
  Status SplitInto(const std::shared_ptr<Page>& page, Page* parent, size_t index);
  Status SplitRoot(const std::shared_ptr<Page>& root);
  // Removes the emptied pages at the end of path, bottom up.
  void RemoveEmpty(Path& path);

  PageSource* const source_;
  // Reads that alternate between two places of the tree (a key's entries and
  // the rows they name) keep one finger each.
  std::array<Finger, 2> fingers_;
  size_t last_finger_ = 0;
  uint64_t generation_ = 1;
  // The records that seeks within the last two leaves returned. A page here
  // is only compared: it may have gone, and a record is read only from the
  // leaf being searched, when it lies at that address.
  struct LastRead {
    const Page* page = nullptr;
    size_t index = 0;
  };
  std::array<LastRead, 2> last_read_;
  // Reads that jump about (rows in the order of a key) find their leaf here.
  LeafIndex leaves_;
  uint64_t leaves_generation_ = 0;
  // Leased by one operation at a time; empty between operations.
  Path seek_path_;
  Path write_path_;  // the descents of Insert, Replace, Erase and UpdateRange
};

}  // namespace kavo
