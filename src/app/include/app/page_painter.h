// Drawing a page image with QPainter: the one renderer behind the preview,
// the printer and PDF files, so the three show the same page.
#pragma once

#include <QRectF>

#include "reports/page_image.h"

class QPainter;

namespace kavo {

// Paints page into target (in the painter's coordinates), the page's width
// and height stretched to the target's. Nothing is painted outside target;
// the background is left as it is.
void PaintPage(QPainter& painter, const reports::PageImage& page, const QRectF& target);

}  // namespace kavo
