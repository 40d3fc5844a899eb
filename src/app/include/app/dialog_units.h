// Dialog units: the measure that window layouts are drawn in. A horizontal
// unit is a quarter of the average character width of the window's font, a
// vertical unit an eighth of its character height, so a layout keeps its
// proportions to the text whatever the font.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cmath>

namespace kavo {

// A rectangle of a window layout in dialog units.
struct UnitRect {
  int x, y, w, h;
};

class DialogUnits {
 public:
  explicit DialogUnits(const QFontMetrics& metrics)
      : x_px_(metrics.averageCharWidth() / 4.0), y_px_(metrics.height() / 8.0) {}

  int ToPixelsX(int units) const { return static_cast<int>(std::lround(units * x_px_)); }
  int ToPixelsY(int units) const { return static_cast<int>(std::lround(units * y_px_)); }
  QSize ToPixels(int width, int height) const { return {ToPixelsX(width), ToPixelsY(height)}; }
  QRect ToPixels(const UnitRect& rect) const {
    return {ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.w), ToPixelsY(rect.h)};
  }
  // Gives widget the place of rect.
  void Place(QWidget* widget, const UnitRect& rect) const { widget->setGeometry(ToPixels(rect)); }
  // The height of a vertical unit over the width of a horizontal one.
  double Shape() const { return y_px_ / x_px_; }
  // Whole units that fit into a length of pixels.
  int FromPixelsX(int pixels) const { return static_cast<int>(pixels / x_px_); }
  int FromPixelsY(int pixels) const { return static_cast<int>(pixels / y_px_); }

 private:
  double x_px_;
  double y_px_;
};

}  // namespace kavo
