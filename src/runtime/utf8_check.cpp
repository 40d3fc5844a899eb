#include "runtime/utf8_check.h"

namespace kavo {

namespace {

constexpr unsigned char kContinuationLow = 0x80;
constexpr unsigned char kContinuationHigh = 0xBF;

}  // namespace

bool Utf8Validator::Feed(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size() && valid_; ++i) Step(static_cast<unsigned char>(bytes[i]));
  return valid_;
}

void Utf8Validator::Step(unsigned char c) {
  if (pending_ == 0) {
    if (c < 0x80) return;
    low_ = kContinuationLow;
    high_ = kContinuationHigh;
    if (c >= 0xC2 && c <= 0xDF) {
      pending_ = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      pending_ = 2;
      if (c == 0xE0) low_ = 0xA0;   // no overlong forms
      if (c == 0xED) high_ = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      pending_ = 3;
      if (c == 0xF0) low_ = 0x90;   // no overlong forms
      if (c == 0xF4) high_ = 0x8F;  // at most U+10FFFF
    } else {
      valid_ = false;
    }
    return;
  }
  if (c < low_ || c > high_) {
    valid_ = false;
    return;
  }
  low_ = kContinuationLow;
  high_ = kContinuationHigh;
  --pending_;
}

bool IsValidUtf8(std::string_view text) {
  Utf8Validator validator;
  validator.Feed(text);
  return validator.Finish();
}

}  // namespace kavo
