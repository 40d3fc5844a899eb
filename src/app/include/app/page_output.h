// A report's pages out of the program: into a PDF file and onto the printer,
// always in queue order and drawn by PaintPage, so both match the preview.
#pragma once

#include <QString>

#include "reports/print_preview_queue.h"

class QPrinter;
class QWidget;

namespace kavo {

// Writes every page of queue to a PDF file at path, each PDF page the size
// of its page image. The file appears whole or not at all: it is written
// beside path under another name and renamed into place when complete, so
// a failure (a page that cannot be read, a full disk) leaves nothing behind
// and any earlier file at path untouched. On failure *error says why.
bool WritePagesPdf(const reports::PrintPreviewQueue& queue, const QString& path, QString* error);

// Sends the pages of queue to printer in order (the printer's page range
// when it has one). A page larger than the printer's paper is scaled down
// to fit; others print at their own size from the paper's corner.
bool PrintPages(const reports::PrintPreviewQueue& queue, QPrinter& printer, QString* error);

// The platform's print dialog on the program's printer (the one chosen in
// the printer set-up), then PrintPages. False when the user cancelled or
// printing failed; a failure is reported in a message box.
bool PrintReport(const reports::PrintPreviewQueue& queue, QWidget* parent);

}  // namespace kavo
