// The output step of kavo-bench-report: the pages written as PDF by the
// program's own writer, as `kavo print` writes them. The writer draws with
// Qt, so the step holds an offscreen Qt application and the report fonts
// for as long as it lives.
#pragma once

#include <memory>
#include <string>

#include "reports/print_preview_queue.h"
#include "runtime/status.h"

class QGuiApplication;

namespace kavo::bench {

class PdfOutput {
 public:
  // Makes the application from the program's arguments (Qt may take some).
  PdfOutput(int& argc, char** argv);
  ~PdfOutput();
  PdfOutput(const PdfOutput&) = delete;
  PdfOutput& operator=(const PdfOutput&) = delete;

  Status WritePages(const reports::PrintPreviewQueue& queue, const std::string& path);

 private:
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace kavo::bench
