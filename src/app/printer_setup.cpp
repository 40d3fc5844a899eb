#include "app/printer_setup.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "main_frame_strings.h"

namespace kavo {
namespace {

constexpr char kPrinterGroup[] = "Принтер";
constexpr char kPrinterName[] = "&Имя:";
constexpr char kNoPrinter[] = "(принтеры не найдены)";
constexpr char kPaperGroup[] = "Бумага";
constexpr char kPaperSize[] = "&Размер:";
constexpr char kOrientationGroup[] = "Ориентация";
constexpr char kPortrait[] = "&Книжная";
constexpr char kLandscape[] = "&Альбомная";
constexpr char kOk[] = "OK";
constexpr char kCancel[] = "Отмена";

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

QPrinter& ProgramPrinter() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

const std::vector<QPageSize::PageSizeId>& OfferedPaperSizes() {
  static const std::vector<QPageSize::PageSizeId> sizes = {
      QPageSize::A4,        QPageSize::A5,         QPageSize::A3,
      QPageSize::B5,        QPageSize::Letter,     QPageSize::Legal,
      QPageSize::Executive, QPageSize::EnvelopeC5, QPageSize::EnvelopeDL};
  return sizes;
}

PrinterChoice CurrentChoice(const QPrinter& printer) {
  PrinterChoice choice;
  choice.printer = printer.printerName();
  choice.paper = printer.pageLayout().pageSize().id();
  choice.orientation = printer.pageLayout().orientation();
  return choice;
}

void ApplyChoice(const PrinterChoice& choice, QPrinter* printer) {
  if (!choice.printer.isEmpty()) printer->setPrinterName(choice.printer);
  printer->setPageSize(QPageSize(choice.paper));
  printer->setPageOrientation(choice.orientation);
}

PrinterSetupDialog::PrinterSetupDialog(const PrinterChoice& start, const QStringList& printers,
                                       QWidget* parent)
    : QDialog(parent),
      printer_(new QComboBox(this)),
      paper_(new QComboBox(this)),
      orientation_(new QButtonGroup(this)) {
  setObjectName("PrinterSetup");
  setWindowTitle(Text(frame_text::kPrinterSetupTitle));

  printer_->setObjectName("printer");
  printer_->addItems(printers);
  if (printers.isEmpty()) {
    printer_->addItem(Text(kNoPrinter));
    printer_->setEnabled(false);
  } else {
    printer_->setCurrentIndex(std::max<qsizetype>(0, printers.indexOf(start.printer)));
  }
  auto* printer_box = new QGroupBox(Text(kPrinterGroup), this);
  auto* printer_form = new QFormLayout(printer_box);
  printer_form->addRow(Text(kPrinterName), printer_);

  paper_->setObjectName("paper");
  for (QPageSize::PageSizeId id : OfferedPaperSizes()) {
    paper_->addItem(QPageSize::name(id), static_cast<int>(id));
  }
  // A size set elsewhere stays on offer, so accepting never changes it unasked.
  if (paper_->findData(static_cast<int>(start.paper)) < 0) {
    paper_->addItem(QPageSize::name(start.paper), static_cast<int>(start.paper));
  }
  paper_->setCurrentIndex(paper_->findData(static_cast<int>(start.paper)));
  auto* paper_box = new QGroupBox(Text(kPaperGroup), this);
  auto* paper_form = new QFormLayout(paper_box);
  paper_form->addRow(Text(kPaperSize), paper_);

  auto* portrait = new QRadioButton(Text(kPortrait), this);
  auto* landscape = new QRadioButton(Text(kLandscape), this);
  portrait->setObjectName("portrait");
  landscape->setObjectName("landscape");
  orientation_->addButton(portrait, QPageLayout::Portrait);
  orientation_->addButton(landscape, QPageLayout::Landscape);
  (start.orientation == QPageLayout::Landscape ? landscape : portrait)->setChecked(true);
  auto* orientation_box = new QGroupBox(Text(kOrientationGroup), this);
  auto* orientation_row = new QVBoxLayout(orientation_box);
  orientation_row->addWidget(portrait);
  orientation_row->addWidget(landscape);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(kOk));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text(kCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* page_row = new QHBoxLayout;
  page_row->addWidget(paper_box, 1);
  page_row->addWidget(orientation_box);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printer_box);
  layout->addLayout(page_row);
  layout->addWidget(buttons);
}

PrinterChoice PrinterSetupDialog::choice() const {
  PrinterChoice choice;
  if (printer_->isEnabled()) choice.printer = printer_->currentText();
  choice.paper = static_cast<QPageSize::PageSizeId>(paper_->currentData().toInt());
  choice.orientation = static_cast<QPageLayout::Orientation>(orientation_->checkedId());
  return choice;
}

void DialogPrinterSetup::Run(QWidget* parent) {
  PrinterSetupDialog dialog(CurrentChoice(ProgramPrinter()), QPrinterInfo::availablePrinterNames(),
                            parent);
  if (dialog.exec() == QDialog::Accepted) ApplyChoice(dialog.choice(), &ProgramPrinter());
}

}  // namespace kavo
