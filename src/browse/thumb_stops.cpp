#include "browse/thumb_stops.h"

#include <algorithm>

#include "runtime/chartab.h"

namespace kavo {

namespace CR {
thread_local double StepValue = 0;
thread_local int32_t CurrentStep = 0;
thread_local double LowLimit = 0;
thread_local double HighLimit = 0;
}  // namespace CR

namespace CS {
thread_local std::string SortCharacters;
thread_local int32_t SortCharacterCount = 0;
thread_local std::string StringRoot;
thread_local int32_t StringRootLen = 0;
thread_local int64_t StepValue = 0;
thread_local int32_t CurrentStep = 0;
thread_local int64_t LowValue = 0;
thread_local int64_t HighValue = 0;
thread_local std::string LowString;
thread_local std::string HighString;
}  // namespace CS

namespace {

// Characters of the text after the common prefix that a stop spreads over.
constexpr size_t kTailLength = 4;

void AddSortCharacter(char c) {
  CS::SortCharacters.push_back(c);
  ++CS::SortCharacterCount;
}

std::string_view Clip(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The four-character tail read as a number in base N + 1.
int64_t TailNumber(std::string_view tail) {
  const int64_t base = CS::SortCharacterCount + 1;
  int64_t value = 0;
  for (size_t j = 0; j < kTailLength; ++j) {
    int64_t digit = 0;
    if (j < tail.size()) {
      size_t place = CS::SortCharacters.find(tail[j]);
      if (place != std::string::npos) digit = static_cast<int64_t>(place) + 1;
    }
    value = value * base + digit;
  }
  return value;
}

std::string UpperIf(bool upper, std::string_view text) {
  return upper ? Upper(text) : std::string(text);
}

}  // namespace

void SetupRealStops(double InputLowLimit, double InputHighLimit) {
  CR::LowLimit = InputLowLimit;
  CR::HighLimit = InputHighLimit;
  CR::StepValue = (InputHighLimit - InputLowLimit) / (kThumbStops - 1);
  CR::CurrentStep = 0;
}

double NextRealStop() {
  ++CR::CurrentStep;
  if (CR::CurrentStep == 1) return CR::LowLimit;
  if (CR::CurrentStep == kThumbStops) return CR::HighLimit;
  return CR::LowLimit + CR::StepValue * (CR::CurrentStep - 1);
}

void SetupStringStops(std::string_view ProcessLowLimit, std::string_view ProcessHighLimit,
                      int32_t InputStringSize, int32_t ListType) {
  CS::SortCharacters.clear();
  CS::SortCharacterCount = 0;
  for (int code = 1; code <= 255; ++code) {
    const char c = static_cast<char>(code);
    if (CS::NumericCharacters.find(c) != std::string_view::npos) {
      if (ListType & kStopDigits) AddSortCharacter(c);
    } else if (CS::OverrideCharacters.find(c) != std::string_view::npos) {
      if (ListType & kStopPunctuation) AddSortCharacter(c);
    } else if (ListType & kStopLetters) {
      if (IsUpperChar(c) || (IsLowerChar(c) && (ListType & kStopLowerCase))) AddSortCharacter(c);
    }
  }

  const size_t size = static_cast<size_t>(std::max<int32_t>(InputStringSize, 0));
  std::string_view low = Clip(ProcessLowLimit.substr(0, std::min(size, ProcessLowLimit.size())));
  std::string high(Clip(ProcessHighLimit.substr(0, std::min(size, ProcessHighLimit.size()))));
  if (high.size() < size && !CS::SortCharacters.empty()) {
    high.resize(size + 1, CS::SortCharacters.back());
  }

  size_t p = 0;
  while (p < size && p < low.size() && p < high.size() && low[p] == high[p]) ++p;
  CS::StringRoot.assign(low.substr(0, p));
  CS::StringRootLen = static_cast<int32_t>(p);

  const bool upper = (ListType & kStopLetters) && !(ListType & kStopLowerCase);
  auto tail = [&](std::string_view text) {
    return p < text.size() ? text.substr(p, kTailLength) : std::string_view();
  };
  CS::LowString = UpperIf(upper, tail(low));
  CS::HighString = UpperIf(upper, tail(high));
  CS::LowValue = TailNumber(CS::LowString);
  CS::HighValue = TailNumber(CS::HighString);
  CS::StepValue = (CS::HighValue - CS::LowValue) / (kThumbStops - 1);
  CS::CurrentStep = 0;
}

std::string NextStringStop() {
  ++CS::CurrentStep;
  if (CS::CurrentStep == 1) return CS::StringRoot + CS::LowString;
  if (CS::CurrentStep == kThumbStops) return CS::StringRoot + CS::HighString;
  const int64_t base = CS::SortCharacterCount + 1;
  int64_t v = CS::LowValue + CS::StepValue * (CS::CurrentStep - 1);
  char tail[kTailLength];
  for (size_t j = kTailLength; j-- > 0;) {
    int64_t digit = ((v % base) + base) % base;
    v = (v - digit) / base;
    // Digit 0 (and a set without characters) shows the set's first character.
    size_t place = digit == 0 ? 0 : static_cast<size_t>(digit - 1);
    tail[j] = place < CS::SortCharacters.size() ? CS::SortCharacters[place] : ' ';
  }
  return CS::StringRoot + std::string(tail, kTailLength);
}

}  // namespace kavo
