#include "app/art/gif_writer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QColor>
#include <QImageReader>
#include <filesystem>

namespace kavo::art {
namespace {

QImage Frame(int seed) {
  QImage image(301, 7, QImage::Format_RGB32);
  const QRgb colours[] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(10, 200, 30), qRgb(1, 2, 3),
                          qRgb(250, 250, 250)};
  // Long rows exercise the clear codes between runs of literals.
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, colours[(x * y + seed) % 5]);
  }
  return image;
}

TEST(GifWriterTest, EveryFrameReadsBackPixelForPixel) {
  char pattern[] = "/tmp/kavo_gif_XXXXXX";
  std::filesystem::path dir = mkdtemp(pattern);
  QString path = QString::fromStdString((dir / "a.gif").string());
  std::vector<QImage> frames = {Frame(0), Frame(1), Frame(2)};
  ASSERT_TRUE(WriteAnimatedGif(path, frames, 8));

  QImageReader reader(path);
  ASSERT_TRUE(reader.supportsAnimation());
  EXPECT_EQ(reader.imageCount(), 3);
  for (const QImage& expected : frames) {
    QImage got = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(reader.nextImageDelay(), 80);
  }
  std::filesystem::remove_all(dir);
}

TEST(GifWriterTest, RefusesWhatOnePaletteCannotHold) {
  QImage many(300, 1, QImage::Format_RGB32);
  for (int x = 0; x < 300; ++x) many.setPixel(x, 0, qRgb(x % 256, x / 256, 0));
  EXPECT_FALSE(WriteAnimatedGif("/tmp/never.gif", {many}, 8));
  EXPECT_FALSE(
      WriteAnimatedGif("/tmp/never.gif", {Frame(0), QImage(3, 3, QImage::Format_RGB32)}, 8));
  EXPECT_FALSE(WriteAnimatedGif("/tmp/never.gif", {}, 8));
}

}  // namespace
}  // namespace kavo::art
