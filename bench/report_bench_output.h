// The output step of kavo-bench-report: the pages written as the program
// writes them for `kavo print`.
#pragma once

#include <string>

#include "reports/print_preview_queue.h"
#include "runtime/status.h"

namespace kavo::bench {

Status WritePages(const reports::PrintPreviewQueue& queue, const std::string& path);

}  // namespace kavo::bench
