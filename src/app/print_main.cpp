#include "app/print_main.h"

#include <QGuiApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/page_output.h"
#include "app/report_fonts.h"
#include "reports/print_command.h"
#include "runtime/errors.h"

namespace kavo {

int PrintMain(int argc, char** argv) {
  // Pages are drawn for a file, never shown: no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  InstallReportFonts();
  std::vector<std::string> args(argv + 2, argv + argc);
  auto write_pdf = [](const reports::PrintPreviewQueue& queue, const std::string& path) {
    QString error;
    if (WritePagesPdf(queue, QString::fromStdString(path), &error)) return Status::OK();
    return Status::Error(err::kAccessDenied, error.toStdString());
  };
  return reports::RunPrintCommand(args, {}, write_pdf, reports::SystemToday(), std::cerr);
}

}  // namespace kavo
