#include "runtime/picture_extent.h"

#include <algorithm>
#include <cmath>

#include "runtime/datetime.h"

namespace kavo {
namespace {

// Any year of four digits: its digits are replaced anyway.
constexpr int kSampleYear = 2026;
// Seven days from the 22nd hold every weekday and two-digit days only.
constexpr int kFirstSampleDay = 22;
constexpr int kDaysInWeek = 7;
constexpr int kMonths = 12;
constexpr int kHours = 24;

std::string WithDigits(std::string text, char digit) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }, digit);
  return text;
}

// Every month and weekday name (the last of each seven days of a month).
void AddDates(const Picture& p, char digit, std::vector<std::string>* out) {
  for (int month = 1; month <= kMonths; ++month) {
    for (int day = kFirstSampleDay; day < kFirstSampleDay + kDaysInWeek; ++day) {
      out->push_back(WithDigits(p.FormatNumber(DateFromParts(kSampleYear, month, day)), digit));
    }
  }
}

// Every hour, so both markers and two-digit hours of a 12-hour clock.
void AddTimes(const Picture& p, char digit, std::vector<std::string>* out) {
  for (int hour = 0; hour < kHours; ++hour) {
    out->push_back(WithDigits(p.FormatNumber(TimeFromParts(hour, 59, 59, 0)), digit));
  }
}

// The longest number of nines that the picture shows without overflowing,
// with and without a sign.
void AddNumbers(const Picture& p, char digit, std::vector<std::string>* out) {
  const int decimals = p.layout().decimals;
  for (double sign : {1.0, -1.0}) {
    for (int digits = p.width(); digits > 0; --digits) {
      const double nines = (std::pow(10.0, digits) - 1) / std::pow(10.0, decimals);
      const std::string shown = p.FormatNumber(sign * nines);
      if (shown.find('#') != std::string::npos) continue;
      out->push_back(WithDigits(shown, digit));
      break;
    }
  }
}

void AddPattern(const Picture& p, char digit, std::vector<std::string>* out) {
  const auto digits = std::count_if(
      p.layout().elements.begin(), p.layout().elements.end(),
      [](const PictureElement& e) { return e.kind == PictureElementKind::kNumberDigit; });
  out->push_back(WithDigits(p.FormatNumber(std::pow(10.0, digits) - 1), digit));
}

}  // namespace

std::vector<std::string> WidestTexts(const Picture& picture, char digit, char letter) {
  std::vector<std::string> texts;
  switch (picture.type()) {
    case PictureType::kNone:
      break;
    case PictureType::kString:
      texts.emplace_back(static_cast<std::size_t>(picture.width()), letter);
      break;
    case PictureType::kDate:
      AddDates(picture, digit, &texts);
      break;
    case PictureType::kTime:
      AddTimes(picture, digit, &texts);
      break;
    case PictureType::kNumber:
      AddNumbers(picture, digit, &texts);
      break;
    case PictureType::kPattern:
      AddPattern(picture, digit, &texts);
      break;
  }
  return texts;
}

}  // namespace kavo
