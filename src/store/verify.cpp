#include "store/verify.h"

#include <map>
#include <memory>

#include "store/format.h"
#include "store/page.h"
#include "store/store_file.h"

namespace kavo {
namespace {

class TreeWalker {
 public:
  TreeWalker(StoreFile& sf, TreeReport* report) : sf_(sf), report_(report) {}

  Status Run() {
    const FileHeader& h = sf_.header();
    if (h.committed_end != h.journal_end) Problem("a journal is pending");
    std::shared_ptr<Page> root;
    KAVO_RETURN_IF_ERROR(sf_.Root(&root));
    report_->depth = root->level + 1;
    KAVO_RETURN_IF_ERROR(Walk(root, nullptr));
    // Regions lie in increasing order of class, compacted as every commit
    // leaves them: a region of at most one page touches the one below it,
    // a larger one leaves no gap below it that one of its pages would fill.
    for (int k = 2; k <= fmt::kMaxBlocks; ++k) {
      int32_t gap = h.region_start[k] - h.region_end[k - 1];
      int pages = h.RegionPages(k);
      if (gap < 0 && pages > 0) Problem("region " + std::to_string(k) + " overlaps the one below");
      if ((pages == 1 && gap != 0) || (pages > 1 && gap >= k))
        Problem("region " + std::to_string(k) + " is not compacted");
    }
    // Every slot of every region holds exactly one page of the tree.
    for (int k = 1; k <= fmt::kMaxBlocks; ++k) {
      int32_t s = h.region_start[k], e = h.region_end[k];
      for (int32_t ref = s; ref < e; ref += k) {
        if (seen_.count(ref) == 0)
          Problem("block " + std::to_string(ref) + " of region " + std::to_string(k) +
                  " holds no page of the tree");
      }
    }
    return Status::OK();
  }

 private:
  void Problem(std::string text) {
    if (report_->problems.size() < 100) report_->problems.push_back(std::move(text));
  }

  Status Walk(const std::shared_ptr<Page>& page, const Record* separator) {
    ++report_->pages;
    if (page->ref >= 0) {
      if (!seen_.insert({page->ref, true}).second) {
        Problem("page " + std::to_string(page->ref) + " is reached twice");
        return Status::OK();
      }
      EncodedPage e;
      KAVO_RETURN_IF_ERROR(EncodePage(*page, fmt::RefOffset(page->ref), &e));
      int k = sf_.header().RegionOf(page->ref);
      if (k != e.blocks)
        Problem("page " + std::to_string(page->ref) + " of " + std::to_string(e.blocks) +
                " blocks lies in region " + std::to_string(k));
    }
    if (separator != nullptr) {
      if (page->records.empty()) {
        Problem("page " + std::to_string(page->ref) + " is empty");
      } else if (page->records[0].bytes != separator->bytes ||
                 page->records[0].key_length != separator->key_length) {
        Problem("separator of page " + std::to_string(page->ref) +
                " differs from its first record");
      }
    }
    if (page->leaf()) {
      for (const RecordView r : page->records) {
        if (have_last_ && !(last_ < r.key()))
          Problem("record order broken in page " + std::to_string(page->ref));
        last_.assign(r.key());
        have_last_ = true;
        ++report_->records;
      }
      return Status::OK();
    }
    if (page->children.size() != page->records.size()) {
      Problem("page " + std::to_string(page->ref) + " has a child count unlike its records");
      return Status::OK();
    }
    for (size_t i = 0; i < page->children.size(); ++i) {
      std::shared_ptr<Page> child;
      KAVO_RETURN_IF_ERROR(sf_.ReadPage(page->children[i], &child));
      if (child->level + 1 != page->level) {
        Problem("page " + std::to_string(child->ref) + " is at the wrong level");
        continue;
      }
      Record sep = page->records[i];
      KAVO_RETURN_IF_ERROR(Walk(child, &sep));
    }
    return Status::OK();
  }

  StoreFile& sf_;
  TreeReport* report_;
  std::map<int32_t, bool> seen_;
  std::string last_;
  bool have_last_ = false;
};

}  // namespace

Status VerifyTree(StoreFile& sf, TreeReport* report) {
  *report = TreeReport();
  KAVO_RETURN_IF_ERROR(sf.Begin(false));
  TreeWalker walker(sf, report);
  return sf.End(walker.Run());
}

}  // namespace kavo
