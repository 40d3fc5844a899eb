#include "app/page_painter.h"

#include <QPaintDevice>
#include <QPainter>
#include <optional>
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

// Draws the items of one page. The painter's pen and font are set only when
// an item needs other ones, and a text is clipped only when it would cross
// its clip rectangle: every state change and clip costs drawing time, and
// in a PDF file lands in the page's content as operators of its own.
class ItemPainter {
 public:
  // Texts take whichever black pen is set; lines and boxes their width.
  explicit ItemPainter(QPainter& painter) : painter_(painter) { UsePen(0); }

  void operator()(const reports::PageText& text) {
    UseFont(text);
    const QString shown = FromCp1251(text.text);
    const QRectF rect = Units(text.rect);
    const int flags =
        AlignmentOf(text.align) | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
    if (text.clip && !Inside(painter_.boundingRect(rect, flags, shown), Units(*text.clip))) {
      painter_.save();
      painter_.setClipRect(Units(*text.clip), Qt::IntersectClip);
      painter_.drawText(rect, flags, shown);
      painter_.restore();
      return;
    }
    painter_.drawText(rect, flags, shown);
  }

  void operator()(const reports::PageLine& line) {
    UsePen(line.width_mm);
    painter_.drawLine(QPointF(line.x1 * kUnitsPerMm, line.y1 * kUnitsPerMm),
                      QPointF(line.x2 * kUnitsPerMm, line.y2 * kUnitsPerMm));
  }

  void operator()(const reports::PageBox& box) {
    if (box.filled) {
      painter_.fillRect(Units(box.rect), Qt::black);
      return;
    }
    UsePen(box.line_width_mm);
    painter_.drawRect(Units(box.rect));
  }

 private:
  static bool Inside(const QRectF& inner, const QRectF& outer) {
    return inner.left() >= outer.left() && inner.right() <= outer.right() &&
           inner.top() >= outer.top() && inner.bottom() <= outer.bottom();
  }

  void UsePen(double width_mm) {
    if (pen_width_mm_ == width_mm) return;
    pen_width_mm_ = width_mm;
    QPen pen(Qt::black);
    pen.setWidthF(width_mm * kUnitsPerMm);
    painter_.setPen(pen);
  }

  void UseFont(const reports::PageText& text) {
    if (font_ && font_->face == text.face && font_->size_pt == text.size_pt &&
        font_->bold == text.bold && font_->italic == text.italic &&
        font_->underline == text.underline) {
      return;
    }
    font_ = text;
    painter_.setFont(ReportFont(text, kUnitsPerMm));
  }

  QPainter& painter_;
  std::optional<double> pen_width_mm_;
  std::optional<reports::PageText> font_;  // the text whose font is set
};

}  // namespace

void PaintPage(QPainter& painter, const reports::PageImage& page, const QRectF& target) {
  if (page.width_mm <= 0 || page.height_mm <= 0 || target.isEmpty()) return;
  painter.save();
  // A target that covers the whole device (a PDF or printed page) needs no
  // clip of its own.
  const QPaintDevice* device = painter.device();
  if (device == nullptr || !target.contains(QRectF(0, 0, device->width(), device->height()))) {
    painter.setClipRect(target, Qt::IntersectClip);
  }
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.translate(target.topLeft());
  painter.scale(target.width() / (page.width_mm * kUnitsPerMm),
                target.height() / (page.height_mm * kUnitsPerMm));
  painter.setBrush(Qt::NoBrush);
  ItemPainter draw(painter);
  for (const reports::PageItem& item : page.items) std::visit(draw, item);
  painter.restore();
}

}  // namespace kavo
