#include "app/page_output.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include "app/page_painter.h"
#include "app/printer_setup.h"
#include "app/qt_text.h"
#include "runtime/message_box.h"

namespace kavo {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kPdfResolution = 1200;

constexpr char kPrintTitle[] = "Печать";
constexpr char kPageUnreadable[] = "Не удалось прочитать страницу %1 отчета (ошибка %2).";
constexpr char kPdfUnwritable[] = "Не удалось записать файл %1: %2";
constexpr char kNoPages[] = "В отчете нет страниц.";
constexpr char kPrintFailed[] = "Не удалось напечатать отчет.";

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

bool ReadPage(const reports::PrintPreviewQueue& queue, size_t index, reports::PageImage* page,
              QString* error) {
  const Status status = queue.ReadPage(index, page);
  if (status.ok()) return true;
  *error = Text(kPageUnreadable).arg(index + 1).arg(status.code());
  return false;
}

QPageSize PageSizeOf(const reports::PageImage& page) {
  return QPageSize(QSizeF(page.width_mm, page.height_mm), QPageSize::Millimeter, QString(),
                   QPageSize::ExactMatch);
}

}  // namespace

bool WritePagesPdf(const reports::PrintPreviewQueue& queue, const QString& path, QString* error) {
  if (queue.empty()) {
    *error = Text(kNoPages);
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = Text(kPdfUnwritable).arg(path, file.errorString());
    return false;
  }
  QPdfWriter writer(&file);
  writer.setResolution(kPdfResolution);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  for (size_t i = 0; i < queue.size(); ++i) {
    reports::PageImage page;
    if (!ReadPage(queue, i, &page, error)) {
      if (painter.isActive()) painter.end();
      file.cancelWriting();
      return false;
    }
    writer.setPageSize(PageSizeOf(page));
    if (i == 0) {
      if (!painter.begin(&writer)) {
        file.cancelWriting();
        *error = Text(kPdfUnwritable).arg(path, file.errorString());
        return false;
      }
    } else {
      writer.newPage();
    }
    const double dots_per_mm = writer.resolution() / kMmPerInch;
    PaintPage(painter, page,
              QRectF(0, 0, page.width_mm * dots_per_mm, page.height_mm * dots_per_mm));
  }
  if (painter.isActive()) painter.end();
  if (!file.commit()) {
    *error = Text(kPdfUnwritable).arg(path, file.errorString());
    return false;
  }
  return true;
}

bool PrintPages(const reports::PrintPreviewQueue& queue, QPrinter& printer, QString* error) {
  size_t first = 0;
  size_t last = queue.size();
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    first = static_cast<size_t>(printer.fromPage() - 1);
    last = std::min(last, static_cast<size_t>(printer.toPage()));
  }
  printer.setFullPage(true);
  QPainter painter;
  for (size_t i = first; i < last; ++i) {
    reports::PageImage page;
    if (!ReadPage(queue, i, &page, error)) {
      if (painter.isActive()) painter.end();
      return false;
    }
    if (i == first) {
      if (!painter.begin(&printer)) {
        *error = Text(kPrintFailed);
        return false;
      }
    } else if (!printer.newPage()) {
      *error = Text(kPrintFailed);
      painter.end();
      return false;
    }
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double dots_per_mm = printer.resolution() / kMmPerInch;
    QSizeF size(page.width_mm * dots_per_mm, page.height_mm * dots_per_mm);
    if (size.width() > paper.width() || size.height() > paper.height()) {
      size.scale(paper.size(), Qt::KeepAspectRatio);
    }
    PaintPage(painter, page, QRectF(QPointF(0, 0), size));
  }
  if (painter.isActive() && !painter.end()) {
    *error = Text(kPrintFailed);
    return false;
  }
  return true;
}

bool PrintReport(const reports::PrintPreviewQueue& queue, QWidget* parent) {
  QPrinter& printer = ProgramPrinter();
  QPrintDialog dialog(&printer, parent);
  dialog.setMinMax(1, static_cast<int>(queue.size()));
  if (dialog.exec() != QDialog::Accepted) return false;
  QString error;
  if (PrintPages(queue, printer, &error)) return true;
  MessageBoxRequest box;
  box.title = Cp1251FromUtf8(kPrintTitle);
  box.text = ToCp1251(error);
  box.icon = MessageIcon::kExclamation;
  CurrentMessageBoxService().Show(box);
  return false;
}

}  // namespace kavo
