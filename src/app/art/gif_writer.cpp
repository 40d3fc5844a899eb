#include "app/art/gif_writer.h"

#include <QFile>
#include <QHash>
#include <cstdint>
#include <string>

namespace kavo::art {
namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
// Literals between clear codes: the decoder's table then ends below 512
// entries, so every code stays nine bits wide.
constexpr int kLiteralsPerClear = 250;

void Put16(std::string& out, int value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

class BitPacker {
 public:
  void Code(int code) {
    accumulator_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += 9;
    while (bits_ >= 8) {
      bytes_.push_back(static_cast<char>(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      bits_ -= 8;
    }
  }
  std::string Finish() {
    if (bits_ > 0) bytes_.push_back(static_cast<char>(accumulator_ & 0xFF));
    return bytes_;
  }

 private:
  std::string bytes_;
  uint32_t accumulator_ = 0;
  int bits_ = 0;
};

std::string ImageData(const std::vector<uint8_t>& indices) {
  BitPacker packer;
  int since_clear = kLiteralsPerClear;
  for (uint8_t index : indices) {
    if (since_clear == kLiteralsPerClear) {
      packer.Code(kClearCode);
      since_clear = 0;
    }
    packer.Code(index);
    ++since_clear;
  }
  packer.Code(kEndCode);
  std::string packed = packer.Finish();
  std::string out(1, static_cast<char>(8));  // minimum code size
  for (std::size_t pos = 0; pos < packed.size(); pos += 255) {
    std::string block = packed.substr(pos, 255);
    out.push_back(static_cast<char>(block.size()));
    out += block;
  }
  out.push_back(0);
  return out;
}

}  // namespace

bool WriteAnimatedGif(const QString& path, const std::vector<QImage>& frames, int delay) {
  if (frames.empty()) return false;
  const QSize size = frames.front().size();
  QHash<QRgb, int> palette;
  std::vector<std::vector<uint8_t>> indexed;
  for (const QImage& frame : frames) {
    if (frame.size() != size) return false;
    QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(size.width() * size.height()));
    for (int y = 0; y < size.height(); ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
      for (int x = 0; x < size.width(); ++x) {
        QRgb colour = line[x] | 0xFF000000u;
        auto it = palette.find(colour);
        if (it == palette.end()) {
          if (palette.size() == 256) return false;
          it = palette.insert(colour, static_cast<int>(palette.size()));
        }
        pixels.push_back(static_cast<uint8_t>(it.value()));
      }
    }
    indexed.push_back(std::move(pixels));
  }

  std::string out = "GIF89a";
  Put16(out, size.width());
  Put16(out, size.height());
  out.push_back(static_cast<char>(0xF7));  // a global table of 256 colours
  out.push_back(0);
  out.push_back(0);
  std::string table(768, '\0');
  for (auto it = palette.begin(); it != palette.end(); ++it) {
    std::size_t at = static_cast<std::size_t>(it.value()) * 3;
    table[at] = static_cast<char>(qRed(it.key()));
    table[at + 1] = static_cast<char>(qGreen(it.key()));
    table[at + 2] = static_cast<char>(qBlue(it.key()));
  }
  out += table;
  // Loop for ever.
  out += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (const std::vector<uint8_t>& pixels : indexed) {
    out += std::string("\x21\xF9\x04\x04", 4);  // keep the frame until the next one
    Put16(out, delay);
    out += std::string("\x00\x00", 2);
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, size.width());
    Put16(out, size.height());
    out.push_back(0);
    out += ImageData(pixels);
  }
  out.push_back(0x3B);

  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(out.data(), static_cast<qint64>(out.size())) == static_cast<qint64>(out.size());
}

}  // namespace kavo::art
