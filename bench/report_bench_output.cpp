#include "report_bench_output.h"

#include <QGuiApplication>
#include <QString>

#include "app/page_output.h"
#include "app/report_fonts.h"
#include "runtime/errors.h"

namespace kavo::bench {

PdfOutput::PdfOutput(int& argc, char** argv) {
  // Pages are drawn for a file, never shown: no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  app_ = std::make_unique<QGuiApplication>(argc, argv);
  InstallReportFonts();
}

PdfOutput::~PdfOutput() = default;

Status PdfOutput::WritePages(const reports::PrintPreviewQueue& queue, const std::string& path) {
  QString error;
  if (WritePagesPdf(queue, QString::fromStdString(path), &error)) return Status::OK();
  return Status::Error(err::kAccessDenied, error.toStdString());
}

}  // namespace kavo::bench
