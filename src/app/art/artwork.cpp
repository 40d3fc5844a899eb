// kavo_artwork: draws the program's pictures into a directory. Run at build
// time; the pictures are compiled into the program as resources.
//
//   ft1000mp.png  the transceiver shown behind the frame's child windows
//   zvonok6.png   the bell of the splash window
//   anim_bar.gif  the splash window's running bar
//   html.png, doorway.png, 3dterm.png, globe.png  toolbar and program icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/art/gif_writer.h"

namespace kavo::art {
namespace {

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// Seven-segment digit: segments a..g as bits 0..6.
void Digit(QPainter& p, QRectF cell, char c, const QColor& lit, const QColor& dark) {
  static const int kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  int mask = (c >= '0' && c <= '9') ? kSegments[c - '0'] : 0;
  const double w = cell.width(), h = cell.height(), t = w * 0.16, x = cell.x(), y = cell.y();
  const QRectF segs[7] = {
      {x + t, y, w - 2 * t, t},                            // a
      {x + w - t, y + t, t, h / 2 - 1.5 * t},              // b
      {x + w - t, y + h / 2 + t / 2, t, h / 2 - 1.5 * t},  // c
      {x + t, y + h - t, w - 2 * t, t},                    // d
      {x, y + h / 2 + t / 2, t, h / 2 - 1.5 * t},          // e
      {x, y + t, t, h / 2 - 1.5 * t},                      // f
      {x + t, y + h / 2 - t / 2, w - 2 * t, t},            // g
  };
  for (int i = 0; i < 7; ++i) p.fillRect(segs[i], (mask >> i) & 1 ? lit : dark);
}

void Knob(QPainter& p, QPointF centre, double radius, bool dimple) {
  QRadialGradient shine(centre - QPointF(radius / 3, radius / 3), radius * 1.6);
  shine.setColorAt(0, QColor(0x9a, 0x9e, 0xa4));
  shine.setColorAt(0.5, QColor(0x3c, 0x40, 0x46));
  shine.setColorAt(1, QColor(0x15, 0x17, 0x1a));
  p.setPen(QPen(QColor(0x0c, 0x0d, 0x0f), 2));
  p.setBrush(shine);
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(QColor(0x55, 0x5a, 0x60), 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius * 0.78, radius * 0.78);
  if (dimple) {
    p.setBrush(QColor(0x22, 0x24, 0x28));
    p.drawEllipse(centre + QPointF(radius * 0.45, -radius * 0.3), radius * 0.16, radius * 0.16);
  } else {
    p.setPen(QPen(QColor(0xe8, 0xe8, 0xe8), 2));
    p.drawLine(centre, centre + QPointF(0, -radius * 0.8));
  }
}

QImage Transceiver() {
  QImage image = Canvas(620, 260);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Cabinet and front panel.
  QLinearGradient cabinet(0, 0, 0, 250);
  cabinet.setColorAt(0, QColor(0x4a, 0x4e, 0x55));
  cabinet.setColorAt(1, QColor(0x1f, 0x22, 0x26));
  p.setPen(QPen(QColor(0x0a, 0x0a, 0x0c), 3));
  p.setBrush(cabinet);
  p.drawRoundedRect(QRectF(6, 6, 608, 236), 14, 14);
  p.setBrush(QColor(0x2a, 0x2d, 0x32));
  p.setPen(QPen(QColor(0x5c, 0x61, 0x68), 1.5));
  p.drawRoundedRect(QRectF(20, 20, 580, 208), 8, 8);
  // Feet.
  p.setBrush(QColor(0x11, 0x11, 0x13));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(40, 238, 60, 14), 4, 4);
  p.drawRoundedRect(QRectF(520, 238, 60, 14), 4, 4);

  // Signal meter.
  QRectF meter(36, 34, 150, 84);
  p.setBrush(QColor(0xf2, 0xe6, 0xc4));
  p.setPen(QPen(QColor(0x10, 0x10, 0x10), 2));
  p.drawRoundedRect(meter, 5, 5);
  QPointF pivot(meter.center().x(), meter.bottom() + 30);
  p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
  for (int i = 0; i <= 10; ++i) {
    double a = (-50 + i * 10) * M_PI / 180;
    QPointF dir(std::sin(a), -std::cos(a));
    p.setPen(QPen(i > 6 ? QColor(0xc0, 0x20, 0x20) : QColor(0x20, 0x20, 0x20), 2));
    p.drawLine(pivot + dir * 88, pivot + dir * (i % 2 ? 96 : 100));
  }
  double needle = -12 * M_PI / 180;
  p.setPen(QPen(QColor(0x10, 0x10, 0x10), 2));
  p.drawLine(pivot + QPointF(std::sin(needle), -std::cos(needle)) * 40,
             pivot + QPointF(std::sin(needle), -std::cos(needle)) * 104);

  // Frequency display.
  QRectF lcd(206, 34, 250, 62);
  p.setBrush(QColor(0x07, 0x0d, 0x0a));
  p.setPen(QPen(QColor(0x05, 0x05, 0x05), 2));
  p.drawRoundedRect(lcd, 4, 4);
  p.setRenderHint(QPainter::Antialiasing, false);
  const char* frequency = "14195.00";
  double x = lcd.x() + 14;
  for (const char* c = frequency; *c; ++c) {
    if (*c == '.') {
      p.fillRect(QRectF(x - 2, lcd.bottom() - 16, 5, 5), QColor(0xff, 0xb0, 0x30));
      x += 8;
      continue;
    }
    Digit(p, QRectF(x, lcd.y() + 12, 20, 38), *c, QColor(0xff, 0xb0, 0x30),
          QColor(0x1d, 0x17, 0x0c));
    x += 28;
  }
  p.setRenderHint(QPainter::Antialiasing);

  // Rows of buttons under the display.
  for (int row = 0; row < 2; ++row) {
    for (int i = 0; i < 8; ++i) {
      QRectF key(206 + i * 31.5, 106 + row * 20, 26, 13);
      p.setBrush(i == 2 && row == 0 ? QColor(0xd8, 0x8a, 0x1e) : QColor(0x8d, 0x92, 0x99));
      p.setPen(QPen(QColor(0x12, 0x12, 0x14), 1));
      p.drawRoundedRect(key, 3, 3);
    }
  }
  // Small knobs on the left, main dial on the right.
  for (int i = 0; i < 4; ++i) Knob(p, QPointF(52 + i * 40, 160), 15, false);
  for (int i = 0; i < 4; ++i) Knob(p, QPointF(52 + i * 40, 202), 11, false);
  for (int i = 0; i < 6; ++i) Knob(p, QPointF(218 + i * 42, 186), 12, false);
  Knob(p, QPointF(532, 130), 62, true);
  // Speaker grille.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x12, 0x13, 0x15));
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 10; ++c) p.drawEllipse(QPointF(472 + c * 6, 40 + r * 6), 1.6, 1.6);
  }
  return image;
}

QImage Bell() {
  QImage image = Canvas(150, 150);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Radio waves on both sides.
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    p.setPen(QPen(QColor(0x2e, 0x7d, 0xd1, 230 - i * 60), 5, Qt::SolidLine, Qt::RoundCap));
    QRectF arc(75 - 40 - i * 14, 62 - 40 - i * 14, 80 + i * 28, 80 + i * 28);
    p.drawArc(arc, 150 * 16, 60 * 16);
    p.drawArc(arc, -30 * 16, 60 * 16);
  }
  QPainterPath bell;
  bell.moveTo(75, 22);
  bell.cubicTo(50, 22, 44, 48, 44, 70);
  bell.cubicTo(44, 92, 34, 100, 26, 108);
  bell.lineTo(124, 108);
  bell.cubicTo(116, 100, 106, 92, 106, 70);
  bell.cubicTo(106, 48, 100, 22, 75, 22);
  QLinearGradient gold(40, 0, 110, 0);
  gold.setColorAt(0, QColor(0x9c, 0x6a, 0x10));
  gold.setColorAt(0.35, QColor(0xff, 0xe0, 0x6a));
  gold.setColorAt(1, QColor(0xa8, 0x70, 0x12));
  p.setPen(QPen(QColor(0x5e, 0x3d, 0x05), 2.5));
  p.setBrush(gold);
  p.drawPath(bell);
  p.drawRoundedRect(QRectF(22, 106, 106, 10), 5, 5);
  p.drawEllipse(QPointF(75, 18), 7, 7);
  p.setBrush(QColor(0x6b, 0x45, 0x08));
  p.drawEllipse(QPointF(75, 126), 10, 10);
  return image;
}

std::vector<QImage> RunningBar() {
  constexpr int kWidth = 240, kHeight = 14, kFrames = 12, kBlock = 16, kGap = 4;
  std::vector<QImage> frames;
  for (int f = 0; f < kFrames; ++f) {
    QImage frame(kWidth, kHeight, QImage::Format_RGB32);
    frame.fill(QColor(0x1a, 0x23, 0x30));
    QPainter p(&frame);
    int lit = f * (kWidth / kFrames);
    for (int x = 2; x + kBlock < kWidth; x += kBlock + kGap) {
      int distance = std::abs(x - lit);
      QColor colour = distance < 30   ? QColor(0x7f, 0xd8, 0xff)
                      : distance < 60 ? QColor(0x2e, 0x7d, 0xd1)
                                      : QColor(0x24, 0x3a, 0x55);
      p.fillRect(x, 2, kBlock, kHeight - 4, colour);
    }
    frames.push_back(frame);
  }
  return frames;
}

void GlobeLines(QPainter& p, QRectF ball, const QColor& lines) {
  p.setPen(QPen(lines, 1.2));
  p.setBrush(Qt::NoBrush);
  QPointF c = ball.center();
  double r = ball.width() / 2;
  p.drawEllipse(QPointF(c.x(), c.y()), r * 0.45, r);
  p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
  p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
  p.drawLine(QPointF(c.x() - r * 0.87, c.y() - r * 0.5),
             QPointF(c.x() + r * 0.87, c.y() - r * 0.5));
  p.drawLine(QPointF(c.x() - r * 0.87, c.y() + r * 0.5),
             QPointF(c.x() + r * 0.87, c.y() + r * 0.5));
}

QImage Globe() {
  QImage image = Canvas(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF ball(3, 3, 26, 26);
  QRadialGradient sea(QPointF(12, 11), 20);
  sea.setColorAt(0, QColor(0x7c, 0xc4, 0xff));
  sea.setColorAt(1, QColor(0x12, 0x4e, 0x9c));
  p.setPen(QPen(QColor(0x0b, 0x2f, 0x5e), 1.5));
  p.setBrush(sea);
  p.drawEllipse(ball);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3f, 0xa3, 0x4d));
  p.drawEllipse(QRectF(8, 8, 9, 7));
  p.drawEllipse(QRectF(17, 16, 7, 9));
  GlobeLines(p, ball, QColor(255, 255, 255, 120));
  return image;
}

QImage ListIcon() {
  QImage image = Canvas(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath page;
  page.moveTo(6, 2);
  page.lineTo(20, 2);
  page.lineTo(26, 8);
  page.lineTo(26, 30);
  page.lineTo(6, 30);
  page.closeSubpath();
  p.setPen(QPen(QColor(0x44, 0x44, 0x44), 1.2));
  p.setBrush(QColor(0xfb, 0xfb, 0xf6));
  p.drawPath(page);
  p.setPen(QPen(QColor(0x8a, 0x8a, 0x8a), 1.5));
  for (int y = 8; y <= 14; y += 3) p.drawLine(9, y, 18, y);
  QRectF ball(12, 15, 14, 14);
  p.setPen(QPen(QColor(0x0b, 0x2f, 0x5e), 1));
  p.setBrush(QColor(0x2e, 0x7d, 0xd1));
  p.drawEllipse(ball);
  GlobeLines(p, ball, QColor(255, 255, 255, 160));
  return image;
}

QImage Doorway() {
  QImage image = Canvas(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x3a, 0x26, 0x12), 1.5));
  p.setBrush(QColor(0x20, 0x20, 0x24));
  p.drawRect(QRectF(8, 3, 16, 27));
  QPolygonF door({{8, 3}, {17, 6}, {17, 31}, {8, 30}});
  p.setBrush(QColor(0xb0, 0x74, 0x38));
  p.drawPolygon(door);
  p.setBrush(QColor(0xf0, 0xd0, 0x40));
  p.drawEllipse(QPointF(15, 18), 1.2, 1.2);
  p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(19, 17), QPointF(30, 17));
  p.drawPolyline(QPolygonF({{26, 12}, {30, 17}, {26, 22}}));
  return image;
}

QImage Terminal() {
  QImage image = Canvas(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x30, 0x30, 0x34), 1.2));
  p.setBrush(QColor(0xc8, 0xc8, 0xc0));
  p.drawRoundedRect(QRectF(3, 3, 26, 20), 3, 3);
  p.setBrush(QColor(0x0e, 0x30, 0x1a));
  p.drawRect(QRectF(6, 6, 20, 14));
  p.setPen(QPen(QColor(0x50, 0xff, 0x80), 1.4));
  p.drawLine(QPointF(8, 9.5), QPointF(18, 9.5));
  p.drawLine(QPointF(8, 13), QPointF(22, 13));
  p.drawLine(QPointF(8, 16.5), QPointF(14, 16.5));
  p.setPen(QPen(QColor(0x30, 0x30, 0x34), 1.2));
  p.setBrush(QColor(0xa8, 0xa8, 0xa0));
  p.drawPolygon(QPolygonF({{4, 25}, {28, 25}, {31, 30}, {1, 30}}));
  return image;
}

}  // namespace
}  // namespace kavo::art

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kavo_artwork OUTPUT_DIRECTORY\n");
    return 2;
  }
  using namespace kavo::art;
  QDir out(QString::fromLocal8Bit(argv[1]));
  bool ok = Transceiver().save(out.filePath("ft1000mp.png")) &&
            Bell().save(out.filePath("zvonok6.png")) && ListIcon().save(out.filePath("html.png")) &&
            Doorway().save(out.filePath("doorway.png")) &&
            Terminal().save(out.filePath("3dterm.png")) &&
            Globe().save(out.filePath("globe.png")) &&
            WriteAnimatedGif(out.filePath("anim_bar.gif"), RunningBar(), 8);
  if (!ok) std::fprintf(stderr, "kavo_artwork: cannot write the pictures to %s\n", argv[1]);
  return ok ? 0 : 1;
}
