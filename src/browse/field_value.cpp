#include "field_value.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "expr/expr_view.h"
#include "runtime/dict_decimal.h"

namespace kavo::browse_field {
namespace {

template <typename T>
void Put(uint8_t* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

int64_t Scale(double value, int places) {
  double scaled = std::trunc(value * std::pow(10.0, places));
  if (!(std::fabs(scaled) < 9e18)) return 0;
  return static_cast<int64_t>(scaled);
}

}  // namespace

bool IsText(const FieldDef& f) {
  return f.type == FieldType::kString || f.type == FieldType::kCString ||
         f.type == FieldType::kPString;
}

std::string Text(const FieldDef& f, const uint8_t* record) {
  expr::VarRef v;
  if (!IsText(f) || !expr::FieldVar(f, record, &v)) return {};
  std::string_view text = expr::ReadText(v, record + f.offset);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

double Number(const FieldDef& f, const uint8_t* record) {
  expr::VarRef v;
  if (IsText(f) || !expr::FieldVar(f, record, &v)) return 0;
  return expr::ReadReal(v, record + f.offset);
}

void SetText(const FieldDef& f, uint8_t* record, std::string_view text) {
  uint8_t* p = record + f.offset;
  const size_t size = f.size;
  switch (f.type) {
    case FieldType::kString: {
      size_t n = std::min(text.size(), size);
      std::memcpy(p, text.data(), n);
      std::memset(p + n, ' ', size - n);
      break;
    }
    case FieldType::kCString: {
      if (size == 0) return;
      size_t n = std::min(text.size(), size - 1);
      std::memcpy(p, text.data(), n);
      std::memset(p + n, 0, size - n);
      break;
    }
    case FieldType::kPString: {
      if (size == 0) return;
      size_t n = std::min(text.size(), size - 1);
      p[0] = static_cast<uint8_t>(n);
      std::memcpy(p + 1, text.data(), n);
      std::memset(p + 1 + n, 0, size - 1 - n);
      break;
    }
    default:
      break;
  }
}

void SetNumber(const FieldDef& f, uint8_t* record, double value) {
  uint8_t* p = record + f.offset;
  const int32_t whole = expr::RealToInt(value);
  switch (f.type) {
    case FieldType::kByte:
      p[0] = static_cast<uint8_t>(whole);
      break;
    case FieldType::kShort:
    case FieldType::kUShort:
      Put(p, static_cast<int16_t>(whole));
      break;
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      Put(p, whole);
      break;
    case FieldType::kULong:
      Put(p, static_cast<uint32_t>(value < 0 ? 0 : std::trunc(value)));
      break;
    case FieldType::kSReal:
      Put(p, static_cast<float>(value));
      break;
    case FieldType::kReal:
      Put(p, value);
      break;
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      WritePackedDecimal(Scale(value, f.places), p, f.size);
      break;
    default:
      break;
  }
}

void SetFromText(const FieldDef& f, uint8_t* record, std::string_view text) {
  if (IsText(f)) {
    SetText(f, record, text);
  } else {
    SetNumber(f, record, expr::NumericReading(text));
  }
}

void Clear(const FieldDef& f, uint8_t* record) {
  if (f.type == FieldType::kString) {
    std::memset(record + f.offset, ' ', f.size);
  } else {
    std::memset(record + f.offset, 0, f.size);
  }
}

void SetLowest(const FieldDef& f, uint8_t* record) {
  uint8_t* p = record + f.offset;
  switch (f.type) {
    case FieldType::kShort:
      Put(p, std::numeric_limits<int16_t>::min());
      break;
    case FieldType::kLong:
      Put(p, std::numeric_limits<int32_t>::min());
      break;
    case FieldType::kSReal:
      Put(p, -std::numeric_limits<float>::infinity());
      break;
    case FieldType::kReal:
      Put(p, -std::numeric_limits<double>::infinity());
      break;
    case FieldType::kDecimal:
    case FieldType::kPDecimal: {
      // The most negative value the field holds: every digit 9.
      const size_t digits = std::min<size_t>(2 * f.size - 1, 18);
      int64_t most = 0;
      for (size_t i = 0; i < digits; ++i) most = most * 10 + 9;
      WritePackedDecimal(-most, p, f.size);
      break;
    }
    default:
      std::memset(p, 0, f.size);
      break;
  }
}

void Assign(const FieldDef& f, uint8_t* record, const expr::VarRef& from) {
  expr::VarClass klass;
  if (!expr::IsValid(from) || !expr::ClassOf(from.type, &klass)) return;
  const auto* bytes = static_cast<const uint8_t*>(from.address);
  if (klass == expr::VarClass::kString) {
    std::string_view text = expr::ReadText(from, bytes);
    if (IsText(f)) {
      SetText(f, record, text);
    } else {
      SetNumber(f, record, expr::NumericReading(text));
    }
    return;
  }
  const double value = expr::ReadReal(from, bytes);
  if (IsText(f)) {
    std::string text;
    expr::AppendNumber(value, &text);
    SetText(f, record, text);
  } else {
    SetNumber(f, record, value);
  }
}

}  // namespace kavo::browse_field
