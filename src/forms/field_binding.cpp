#include "forms/field_binding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "form_strings.h"
#include "runtime/dict_decimal.h"

namespace kavo::forms {
namespace {

// Bytes of the UTF-8 sequence led by `lead`; 1 for a stray byte.
std::size_t SequenceLength(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string Replace(std::string text, std::string_view mark, std::string_view value) {
  const std::size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), value);
  return text;
}

FieldInput Refused(std::string problem) {
  return {false, std::move(problem), {}};
}

std::string NumberText(double value) {
  std::string text = FormatNumber("@n-_20.4", value);
  text = TrimBlanks(text);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

// A spin box's number: an optional sign, digits and a decimal point,
// whatever the locale.
DeformatResult ReadPlainNumber(std::string_view text) {
  DeformatResult out;
  std::string copy = TrimBlanks(text);
  if (!copy.empty() && copy[0] == '+') copy.erase(0, 1);
  const char* end = copy.data() + copy.size();
  const auto [stop, error] = std::from_chars(copy.data(), end, out.number);
  if (copy.empty() || error != std::errc() || stop != end || !std::isfinite(out.number)) {
    out.status = PictureStatus::Error("not a number");
  }
  return out;
}

}  // namespace

bool ExactCp1251(std::string_view utf8, std::string* out) {
  out->clear();
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t n = SequenceLength(static_cast<unsigned char>(utf8[pos]));
    if (pos + n > utf8.size()) n = utf8.size() - pos;
    const std::string_view one = utf8.substr(pos, n);
    const std::string byte = Cp1251FromUtf8(one);
    // A control character has no business in a one-line field either.
    const bool control = byte.size() == 1 && static_cast<unsigned char>(byte[0]) < 0x20;
    if (byte.size() != 1 || control || Utf8FromCp1251(byte) != one) return false;
    out->append(byte);
    pos += n;
  }
  return true;
}

FieldBinding::FieldBinding(const TableDef& table, const FieldDescription& description)
    : description_(&description) {
  const int at = table.FindField(description.use);
  if (at >= 0) field_ = &table.fields[static_cast<std::size_t>(at)];
  picture_ok_ = Picture::Compile(description.picture, &picture_).ok;
}

std::string FieldBinding::Label() const {
  std::string label;
  for (char c : description_->prompt) {
    if (c != '&') label.push_back(c);
  }
  label = TrimBlanks(label);
  if (!label.empty() && label.back() == ':') label.pop_back();
  label = TrimBlanks(label);
  return label.empty() ? description_->use : label;
}

std::size_t FieldBinding::TextCapacity() const {
  std::size_t capacity = field_->size;
  if (picture_.type() == PictureType::kString) {
    capacity = std::min<std::size_t>(capacity, static_cast<std::size_t>(picture_.width()));
  }
  return capacity;
}

std::string FieldBinding::Display(const uint8_t* record) const {
  const uint8_t* at = record + field_->offset;
  switch (field_->type) {
    case FieldType::kString: {
      std::string_view text(reinterpret_cast<const char*>(at), field_->size);
      const std::size_t end = text.find_last_not_of(' ');
      return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
    }
    case FieldType::kLong: {
      int32_t v;
      std::memcpy(&v, at, sizeof v);
      return DisplayNumber(v);
    }
    case FieldType::kReal: {
      double v;
      std::memcpy(&v, at, sizeof v);
      return DisplayNumber(v);
    }
    case FieldType::kDecimal: {
      int64_t v = 0;
      if (!ReadPackedDecimal(at, field_->size, &v)) v = 0;
      return DisplayNumber(static_cast<double>(v));
    }
    default:
      return {};
  }
}

FieldInput FieldBinding::Store(std::string_view utf8, uint8_t* record) const {
  std::string text;
  if (!ExactCp1251(utf8, &text)) {
    // The character cannot be shown in the message's code page; its place
    // can. Characters before it converted one to one, so it is the next.
    const std::string place = std::to_string(text.size() + 1);
    return Refused(Replace(Replace(Ru(text::kNotInCodePage), "%1", Label()), "%2", place));
  }
  return StoreCp1251(text, record);
}

FieldInput FieldBinding::StoreCp1251(std::string_view text, uint8_t* record) const {
  const FieldDescription& d = *description_;
  if ((d.kind == FieldKind::kDropList || d.kind == FieldKind::kOptions) && !d.choices.empty() &&
      std::find(d.choices.begin(), d.choices.end(), text) == d.choices.end()) {
    return Refused(Replace(Ru(text::kNotAChoice), "%1", Label()));
  }
  uint8_t* at = record + field_->offset;
  if (field_->type == FieldType::kString) {
    if (text.size() > TextCapacity()) {
      std::string problem = Replace(Ru(text::kTooLong), "%1", Label());
      problem = Replace(problem, "%2", std::to_string(TextCapacity()));
      return Refused(Replace(problem, "%3", std::to_string(text.size())));
    }
    std::memset(at, ' ', field_->size);
    std::memcpy(at, text.data(), text.size());
    return {};
  }
  // A spin box hands over a plain number, which may be finer than the
  // picture shows: it is kept as given rather than rounded.
  DeformatResult read;
  if (description_->kind == FieldKind::kSpin) read = ReadPlainNumber(text);
  if (!read.ok() || description_->kind != FieldKind::kSpin) read = picture_.Deformat(text);
  if (!read.ok()) {
    std::string problem = Replace(Ru(text::kNotReadable), "%1", Label());
    problem = Replace(problem, "%2", description_->picture);
    return Refused(Replace(problem, "%3", read.status.message));
  }
  return StoreNumber(read.number, record);
}

FieldInput FieldBinding::StoreNumber(double value, uint8_t* record) const {
  const FieldDescription& d = *description_;
  if ((d.low != 0 || d.high != 0) && (value < d.low || value > d.high)) {
    FieldInput out{false, {}, {}};
    out.range = NumberText(d.low) + Ru(" и ") + NumberText(d.high);
    return out;
  }
  uint8_t* at = record + field_->offset;
  switch (field_->type) {
    case FieldType::kLong: {
      const double whole = std::trunc(value);
      if (whole < std::numeric_limits<int32_t>::min() ||
          whole > std::numeric_limits<int32_t>::max()) {
        return Refused(Replace(Ru(text::kTooLarge), "%1", Label()));
      }
      const int32_t v = static_cast<int32_t>(whole);
      std::memcpy(at, &v, sizeof v);
      return {};
    }
    case FieldType::kReal:
      std::memcpy(at, &value, sizeof value);
      return {};
    case FieldType::kDecimal: {
      uint8_t packed[kMaxPackedDecimalBytes];
      if (std::fabs(value) > 1e15 ||
          !WritePackedDecimal(static_cast<int64_t>(std::trunc(value)), packed, field_->size)) {
        return Refused(Replace(Ru(text::kTooLarge), "%1", Label()));
      }
      std::memcpy(at, packed, field_->size);
      return {};
    }
    default:
      return Refused(Replace(Ru(text::kTooLarge), "%1", Label()));
  }
}

std::string FieldBinding::DisplayNumber(double value) const {
  std::string text = TrimBlanks(picture_.FormatNumber(value));
  // A spin box shows every value of its range, also one wider than the
  // picture.
  if (description_->kind == FieldKind::kSpin && text.find('#') != std::string::npos) {
    text = FormatNumber("@n-_20." + std::to_string(picture_.layout().decimals), value);
    text = TrimBlanks(text);
  }
  return text;
}

void FieldBinding::CopyField(const uint8_t* from, uint8_t* to) const {
  std::memcpy(to + field_->offset, from + field_->offset, field_->size);
}

}  // namespace kavo::forms
