#include "runtime/picture.h"

#include <charconv>
#include <cmath>

#include "picture_internal.h"

namespace kavo {

namespace picture_internal {

bool ParsePlainNumber(std::string_view text, double* value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::string ShortestText(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) return {};
  return std::string(buffer, end);
}

DeformatResult Failure(std::string message) {
  DeformatResult result;
  result.status = PictureStatus::Error(std::move(message));
  return result;
}

}  // namespace picture_internal

namespace {

using namespace picture_internal;

PictureStatus CompileString(std::string_view body, PictureLayout* layout) {
  if (body.empty() || body.size() > 3) {
    return PictureStatus::Error("String picture needs a length of 1 to 255");
  }
  int length = 0;
  for (char c : body) {
    if (c < '0' || c > '9')
      return PictureStatus::Error("String picture needs a length of 1 to 255");
    length = length * 10 + (c - '0');
  }
  if (length < 1 || length > 255) {
    return PictureStatus::Error("String picture needs a length of 1 to 255");
  }
  layout->width = length;
  return PictureStatus::Ok();
}

std::string FitText(std::string_view text, int width) {
  std::string out(text.substr(0, static_cast<size_t>(width)));
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

PictureStatus Picture::Compile(std::string_view text, Picture* out) {
  *out = Picture();
  if (!text.empty() && text.front() == '@') text.remove_prefix(1);
  if (text.empty()) return PictureStatus::Error("Picture is empty");
  if (static_cast<int>(text.size()) + 1 > kMaxPictureText) {
    return PictureStatus::Error("Picture is longer than 100 characters");
  }
  PictureLayout layout;
  layout.text = "@" + std::string(text);
  char letter = text.front();
  std::string_view body = text.substr(1);
  auto strip_blank_flag = [&body, &layout](bool pattern) {
    size_t n = body.size();
    if (n == 0 || (body[n - 1] != 'B' && body[n - 1] != 'b')) return;
    // A pattern ends with its closing P; only a B after that is the flag.
    if (pattern && (n < 2 || (body[n - 2] != 'P' && body[n - 2] != 'p'))) return;
    body.remove_suffix(1);
    layout.blank_zero = true;
  };
  PictureStatus status;
  switch (letter) {
    case 'S':
    case 's':
      layout.type = PictureType::kString;
      strip_blank_flag(false);
      status = CompileString(body, &layout);
      break;
    case 'N':
    case 'n':
      layout.type = PictureType::kNumber;
      strip_blank_flag(false);
      status = CompileNumber(body, &layout);
      break;
    case 'D':
    case 'd':
      layout.type = PictureType::kDate;
      strip_blank_flag(false);
      status = CompileDate(body, &layout);
      break;
    case 'T':
    case 't':
      layout.type = PictureType::kTime;
      strip_blank_flag(false);
      status = CompileTime(body, &layout);
      break;
    case 'P':
    case 'p':
      layout.type = PictureType::kPattern;
      strip_blank_flag(true);
      status = CompilePattern(body, &layout);
      break;
    default:
      return PictureStatus::Error("Picture type must be S, N, D, T or P");
  }
  if (!status.ok) return status;
  if (static_cast<int>(layout.elements.size()) > kMaxPictureElements) {
    return PictureStatus::Error("Picture has more than 100 elements");
  }
  out->layout_ = std::move(layout);
  return PictureStatus::Ok();
}

std::string Picture::FormatNumber(double value) const {
  switch (layout_.type) {
    case PictureType::kString:
      if (layout_.blank_zero && value == 0) return std::string(layout_.width, ' ');
      return FitText(ShortestText(value), layout_.width);
    case PictureType::kNumber:
      return picture_internal::FormatNumber(layout_, value);
    case PictureType::kDate:
    case PictureType::kTime: {
      int32_t whole = 0;
      // Values no int32 can hold are no valid date or time either.
      if (std::isfinite(value) && value > -2147483648.0 && value < 2147483648.0) {
        whole = static_cast<int32_t>(value);
      }
      return layout_.type == PictureType::kDate ? FormatDate(layout_, whole)
                                                : FormatTime(layout_, whole);
    }
    case PictureType::kPattern:
      return FormatPattern(layout_, value);
    case PictureType::kNone:
      break;
  }
  return {};
}

std::string Picture::FormatText(std::string_view value) const {
  if (layout_.type == PictureType::kString) {
    if (layout_.blank_zero && IsBlank(value)) return std::string(layout_.width, ' ');
    return FitText(value, layout_.width);
  }
  double number = 0;
  if (!ParsePlainNumber(value, &number)) number = 0;
  return FormatNumber(number);
}

DeformatResult Picture::Deformat(std::string_view text) const {
  switch (layout_.type) {
    case PictureType::kString: {
      size_t width = static_cast<size_t>(layout_.width);
      if (text.size() > width && !IsBlank(text.substr(width))) {
        return Failure("Text is longer than the picture allows");
      }
      DeformatResult result;
      result.text = std::string(text.substr(0, width));
      return result;
    }
    case PictureType::kNumber:
      return DeformatNumber(layout_, text);
    case PictureType::kDate:
      return DeformatDate(layout_, text);
    case PictureType::kTime:
      return DeformatTime(layout_, text);
    case PictureType::kPattern:
      return DeformatPattern(layout_, text);
    case PictureType::kNone:
      break;
  }
  return Failure("Picture is not compiled");
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
  if (!status.ok) {
    DeformatResult result;
    result.status = status;
    return result;
  }
  return p.Deformat(text);
}

}  // namespace kavo
