// Until the PDF writer is part of the build, the pages are read back and
// written once more as page images, which is the part of PDF writing that
// touches the stored pages.
#include "report_bench_output.h"

namespace kavo::bench {

Status WritePages(const reports::PrintPreviewQueue& queue, const std::string& path) {
  for (size_t i = 0; i < queue.size(); ++i) {
    reports::PageImage page;
    KAVO_RETURN_IF_ERROR(queue.ReadPage(i, &page));
    KAVO_RETURN_IF_ERROR(reports::WritePageImage(page, path));
  }
  return Status::OK();
}

}  // namespace kavo::bench
