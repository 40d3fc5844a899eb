// The printer set-up service and the program's printer: the printer and page
// properties chosen here are the ones later printouts use.
#pragma once

class QPrinter;
class QWidget;

namespace kavo {

class PrinterSetup {
 public:
  virtual ~PrinterSetup() = default;
  virtual void Run(QWidget* parent) = 0;
};

// The program's one printer, created on first use.
QPrinter& ProgramPrinter();

// The platform's printer dialog on ProgramPrinter(), without a page range:
// accepting it only keeps the choice.
class DialogPrinterSetup : public PrinterSetup {
 public:
  void Run(QWidget* parent) override;
};

}  // namespace kavo
