#include "app/printer_setup.h"

#include <QPrintDialog>
#include <QPrinter>

#include "main_frame_strings.h"

namespace kavo {

QPrinter& ProgramPrinter() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

void DialogPrinterSetup::Run(QWidget* parent) {
  QPrintDialog dialog(&ProgramPrinter(), parent);
  dialog.setWindowTitle(QString::fromUtf8(frame_text::kPrinterSetupTitle));
  dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
  dialog.exec();
}

}  // namespace kavo
