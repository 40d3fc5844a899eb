#include "store/picture.h"

namespace kavo {

class PictureCompiler {};

PictureStatus Picture::Compile(std::string_view text, Picture* out) {
  *out = Picture();
  (void)text;
  return PictureStatus::Error("Picture compiler not built yet");
}

std::string Picture::FormatNumber(double) const {
  return std::string(width_, ' ');
}

std::string Picture::FormatText(std::string_view) const {
  return std::string(width_, ' ');
}

DeformatResult Picture::Deformat(std::string_view) const {
  return {PictureStatus::Error("Picture reader not built yet"), 0, {}};
}

std::string FormatNumber(std::string_view picture, double value) {
  Picture p;
  if (!Picture::Compile(picture, &p).ok) return {};
  return p.FormatNumber(value);
}

std::string FormatText(std::string_view picture, std::string_view value) {
  Picture p;
  if (!Picture::Compile(picture, &p).ok) return {};
  return p.FormatText(value);
}

DeformatResult Deformat(std::string_view picture, std::string_view text) {
  Picture p;
  PictureStatus status = Picture::Compile(picture, &p);
  if (!status.ok) return {status, 0, {}};
  return p.Deformat(text);
}

}  // namespace kavo
