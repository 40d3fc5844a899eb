// The pages of one report in page order, each stored as a page image file in
// a private temporary folder. The entry of a page is the file's name
// (`PrintPreviewImage`). The files and the folder are removed by Clear() and
// when the queue is destroyed, so a closed report leaves nothing behind.
//
// REQUIRES: one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "reports/page_image.h"
#include "runtime/status.h"

namespace kavo::reports {

class PrintPreviewQueue {
 public:
  // Pages go into a new folder under `parent` (the system's temporary folder
  // when empty), made on the first AddPage.
  explicit PrintPreviewQueue(std::string parent = {});
  ~PrintPreviewQueue();

  PrintPreviewQueue(const PrintPreviewQueue&) = delete;
  PrintPreviewQueue& operator=(const PrintPreviewQueue&) = delete;

  // Stores `page` as the next page. On failure (for example a full disk) no
  // entry is added and no partial file is left.
  Status AddPage(const PageImage& page);

  size_t size() const { return PrintPreviewImage_.size(); }
  bool empty() const { return PrintPreviewImage_.empty(); }
  // The file name of page `index` (0-based).
  const std::string& PrintPreviewImage(size_t index) const { return PrintPreviewImage_[index]; }
  // Reads page `index` (0-based) back from its file.
  Status ReadPage(size_t index, PageImage* out) const;

  // Removes every page file and the folder; the queue is empty afterwards.
  void Clear();

 private:
  Status MakeFolder();

  std::string parent_;
  std::string folder_;
  std::vector<std::string> PrintPreviewImage_;
};

}  // namespace kavo::reports
