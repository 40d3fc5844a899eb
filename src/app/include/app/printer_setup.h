// The printer set-up service and the program's printer: the printer and page
// properties chosen here are the ones later printouts use.
//
// The set-up dialog chooses and prints nothing else: the printer, the paper
// size and the orientation; accepting it keeps the choice in the program's
// printer, cancelling it changes nothing.
#pragma once

#include <QDialog>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QComboBox;
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

// What the set-up dialog chooses for a printer.
struct PrinterChoice {
  QString printer;  // empty: the printer stays as it is (no printer is known)
  QPageSize::PageSizeId paper = QPageSize::A4;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// The paper sizes offered, in the order shown.
const std::vector<QPageSize::PageSizeId>& OfferedPaperSizes();

PrinterChoice CurrentChoice(const QPrinter& printer);
void ApplyChoice(const PrinterChoice& choice, QPrinter* printer);

// The printer and page set-up window, over a choice it starts from.
class PrinterSetupDialog : public QDialog {
  Q_OBJECT

 public:
  PrinterSetupDialog(const PrinterChoice& start, const QStringList& printers, QWidget* parent);

  PrinterChoice choice() const;

 private:
  QComboBox* printer_;
  QComboBox* paper_;
  QButtonGroup* orientation_;
};

// The set-up dialog over ProgramPrinter() and the printers the system knows.
class DialogPrinterSetup : public PrinterSetup {
 public:
  void Run(QWidget* parent) override;
};

}  // namespace kavo
