#include "app/page_painter.h"

#include <QPainter>
#include <variant>

#include "app/qt_text.h"
#include "app/report_fonts.h"

namespace kavo {

namespace {

// Items are drawn in hundredths of a millimetre: fine enough for font sizes
// given in whole units, and the painter's scale maps them to the device.
constexpr double kUnitsPerMm = 100;

QRectF Units(const reports::RectMm& rect) {
  return {rect.x * kUnitsPerMm, rect.y * kUnitsPerMm, rect.w * kUnitsPerMm, rect.h * kUnitsPerMm};
}

Qt::Alignment AlignmentOf(reports::TextAlign align) {
  switch (align) {
    case reports::TextAlign::kCentre:
      return Qt::AlignHCenter;
    case reports::TextAlign::kRight:
      return Qt::AlignRight;
    case reports::TextAlign::kLeft:
      break;
  }
  return Qt::AlignLeft;
}

QPen Pen(double width_mm) {
  QPen pen(Qt::black);
  pen.setWidthF(width_mm * kUnitsPerMm);
  return pen;
}

struct ItemPainter {
  QPainter& painter;

  void operator()(const reports::PageText& text) const {
    painter.save();
    if (text.clip) painter.setClipRect(Units(*text.clip), Qt::IntersectClip);
    painter.setFont(ReportFont(text, kUnitsPerMm));
    painter.setPen(Qt::black);
    painter.drawText(Units(text.rect),
                     AlignmentOf(text.align) | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                     FromCp1251(text.text));
    painter.restore();
  }

  void operator()(const reports::PageLine& line) const {
    painter.setPen(Pen(line.width_mm));
    painter.drawLine(QPointF(line.x1 * kUnitsPerMm, line.y1 * kUnitsPerMm),
                     QPointF(line.x2 * kUnitsPerMm, line.y2 * kUnitsPerMm));
  }

  void operator()(const reports::PageBox& box) const {
    if (box.filled) {
      painter.fillRect(Units(box.rect), Qt::black);
      return;
    }
    painter.setPen(Pen(box.line_width_mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(Units(box.rect));
  }
};

}  // namespace

void PaintPage(QPainter& painter, const reports::PageImage& page, const QRectF& target) {
  if (page.width_mm <= 0 || page.height_mm <= 0 || target.isEmpty()) return;
  painter.save();
  painter.setClipRect(target, Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.translate(target.topLeft());
  painter.scale(target.width() / (page.width_mm * kUnitsPerMm),
                target.height() / (page.height_mm * kUnitsPerMm));
  const ItemPainter draw{painter};
  for (const reports::PageItem& item : page.items) std::visit(draw, item);
  painter.restore();
}

}  // namespace kavo
