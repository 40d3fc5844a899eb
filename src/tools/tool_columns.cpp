#include "tools/tool_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "data/dict_tables.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/dict_decimal.h"
#include "tools/tool_tsv.h"

namespace kavo::tool {
namespace {

enum class Form { kText, kSigned, kUnsigned, kFloat, kDecimal, kHex };

Form FieldForm(const FieldDef& f) {
  if (f.elements > 1) return Form::kHex;
  switch (f.type) {
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString:
      return Form::kText;
    case FieldType::kShort:
    case FieldType::kLong:
      return f.size == 2 || f.size == 4 ? Form::kSigned : Form::kHex;
    case FieldType::kByte:
    case FieldType::kUShort:
    case FieldType::kULong:
    case FieldType::kDate:
    case FieldType::kTime:
      return f.size == 1 || f.size == 2 || f.size == 4 ? Form::kUnsigned : Form::kHex;
    case FieldType::kSReal:
    case FieldType::kReal:
      return f.size == 4 || f.size == 8 ? Form::kFloat : Form::kHex;
    case FieldType::kDecimal:
      return Form::kDecimal;
    default:
      return Form::kHex;
  }
}

Form MemoForm(const MemoDef& m) {
  return m.is_blob() || m.is_binary() ? Form::kHex : Form::kText;
}

std::uint64_t LoadUnsigned(const std::uint8_t* p, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t i = n; i-- > 0;) v = (v << 8) | p[i];
  return v;
}

void StoreUnsigned(std::uint64_t v, std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int64_t LoadSigned(const std::uint8_t* p, std::size_t n) {
  std::uint64_t u = LoadUnsigned(p, n);
  std::uint64_t sign = std::uint64_t{1} << (8 * n - 1);
  return static_cast<std::int64_t>(u ^ sign) - static_cast<std::int64_t>(sign);
}

void AppendHex(const std::uint8_t* p, std::size_t n, std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  out->append("0x");
  for (std::size_t i = 0; i < n; ++i) {
    out->push_back(kDigits[p[i] >> 4]);
    out->push_back(kDigits[p[i] & 15]);
  }
}

bool ParseHex(std::string_view cell, std::string* bytes) {
  if (cell.size() < 2 || cell[0] != '0' || (cell[1] != 'x' && cell[1] != 'X')) return false;
  cell.remove_prefix(2);
  if (cell.size() % 2 != 0) return false;
  bytes->clear();
  for (std::size_t i = 0; i < cell.size(); i += 2) {
    unsigned v = 0;
    auto [end, ec] = std::from_chars(cell.data() + i, cell.data() + i + 2, v, 16);
    if (ec != std::errc() || end != cell.data() + i + 2) return false;
    bytes->push_back(static_cast<char>(v));
  }
  return true;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The field's text bytes, without trailing blanks (CSTRING up to its zero
// byte, PSTRING over its length byte).
std::string_view FieldText(const FieldDef& f, const std::uint8_t* row) {
  const char* p = reinterpret_cast<const char*>(row + f.offset);
  std::size_t n = f.size;
  if (f.type == FieldType::kCString) {
    const void* zero = std::memchr(p, 0, n);
    if (zero != nullptr) n = static_cast<std::size_t>(static_cast<const char*>(zero) - p);
  } else if (f.type == FieldType::kPString && n > 0) {
    std::size_t len = static_cast<std::uint8_t>(p[0]);
    n = len < n ? len : n - 1;
    ++p;
  }
  return TrimTrailingBlanks(std::string_view(p, n));
}

// How many characters of text the field holds: a CSTRING keeps room for
// its terminating zero, a PSTRING for its length byte (which counts at most
// 255).
std::size_t TextRoom(const FieldDef& f) {
  if (f.size == 0) return 0;
  if (f.type == FieldType::kString) return f.size;
  std::size_t room = f.size - 1u;
  return f.type == FieldType::kPString && room > 255 ? 255 : room;
}

// The part of a cell's text that shows: a CSTRING ends at the first zero
// byte, and trailing blanks never show.
std::string_view ShownText(const FieldDef& f, std::string_view text) {
  if (f.type == FieldType::kCString) text = text.substr(0, text.find('\0'));
  return TrimTrailingBlanks(text);
}

// Stores text as the field's type holds it, cut to the field. Trailing
// blanks never reach a CSTRING or PSTRING (as they never show in a cell),
// and a CSTRING ends at the text's first zero byte, so what is stored shows
// as the same cell.
void StoreFieldText(const FieldDef& f, std::string_view text, std::uint8_t* row) {
  std::uint8_t* p = row + f.offset;
  std::size_t size = f.size;
  if (size == 0) return;
  if (f.type == FieldType::kString) {
    std::size_t n = text.size() < size ? text.size() : size;
    std::copy_n(text.data(), n, p);
    std::memset(p + n, ' ', size - n);
    return;
  }
  text = ShownText(f, ShownText(f, text).substr(0, TextRoom(f)));
  std::size_t at = f.type == FieldType::kCString ? 0 : 1;
  if (at == 1) p[0] = static_cast<std::uint8_t>(text.size());
  std::copy_n(text.data(), text.size(), p + at);
  std::memset(p + at + text.size(), 0, size - at - text.size());
}

// UTF-8 cell text to code page 1251; false when a character has no place in
// the code page or the UTF-8 is malformed.
bool ToCp1251(std::string_view utf8, std::string* out) {
  *out = Cp1251FromUtf8(utf8);
  return Utf8FromCp1251(*out) == utf8;
}

template <typename T>
bool ParseInteger(std::string_view cell, T* value) {
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), *value);
  return ec == std::errc() && end == cell.data() + cell.size();
}

// The refusal of a text longer than the room of its field or memo.
std::string TooLong(std::size_t length, std::size_t room) {
  return std::to_string(length) + " characters where the field holds " + std::to_string(room) +
         " (--truncate cuts them)";
}

// Appends a day number as "YYYY-MM-DD" or a time number as "HH:MM:SS.cc"
// (nothing for 0); false for a number that is no date or time.
bool AppendCounted(Counts counts, std::int64_t value, std::string* out) {
  if (value == 0) return true;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  char buf[32];
  const auto number = static_cast<std::int32_t>(value);
  if (counts == Counts::kDays) {
    DateParts d;
    if (!DateToParts(number, &d)) return false;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  } else {
    TimeParts t;
    if (!TimeToParts(number, &t)) return false;
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%02d", t.hours, t.minutes, t.seconds,
                  t.hundredths);
  }
  out->append(buf);
  return true;
}

// The parts of text between the separators, each 1 to 4 digits, as numbers;
// nothing when text is not written that way.
std::optional<std::vector<int>> NumberParts(std::string_view text, char separator) {
  std::vector<int> parts;
  for (;;) {
    std::size_t end = text.find(separator);
    std::string_view part = text.substr(0, end);
    int value = 0;
    if (part.empty() || part.size() > 4 || part.front() == '+' || part.front() == '-' ||
        !ParseInteger(part, &value)) {
      return std::nullopt;
    }
    parts.push_back(value);
    if (end == std::string_view::npos) return parts;
    text.remove_prefix(end + 1);
  }
}

// A date written "YYYY-MM-DD" or "DD.MM.YYYY" as its day number, -1 for no
// such day; nothing when the cell is not written so (a day number, perhaps).
std::optional<std::int32_t> ParseDate(std::string_view cell) {
  std::size_t year_digits = 0;
  std::optional<std::vector<int>> p;
  if (cell.size() > 4 && cell[4] == '-') {
    p = NumberParts(cell, '-');
    year_digits = cell.find('-');
    if (p && p->size() == 3) std::swap((*p)[0], (*p)[2]);
  } else if (cell.find('.') != std::string_view::npos) {
    p = NumberParts(cell, '.');
    year_digits = cell.size() - cell.rfind('.') - 1;
  }
  if (!p) return std::nullopt;
  // Four-digit years only: a short year would be read by the century rule.
  if (p->size() != 3 || year_digits != 4 || (*p)[2] < kFirstYear) return -1;
  return DateFromParts((*p)[2], (*p)[1], (*p)[0]);
}

// A time written "HH:MM", "HH:MM:SS" or "HH:MM:SS.cc" as its time number
// (midnight is 1), -1 for no such time; nothing when the cell is not
// written so.
std::optional<std::int32_t> ParseTime(std::string_view cell) {
  if (cell.find(':') == std::string_view::npos) return std::nullopt;
  int hundredths = 0;
  std::size_t dot = cell.find('.');
  if (dot != std::string_view::npos) {
    std::string_view fraction = cell.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 2 || !ParseInteger(fraction, &hundredths) ||
        fraction.front() == '+' || fraction.front() == '-') {
      return -1;
    }
    if (fraction.size() == 1) hundredths *= 10;
    cell = cell.substr(0, dot);
  }
  std::optional<std::vector<int>> p = NumberParts(cell, ':');
  if (!p || p->size() < 2 || p->size() > 3 || (p->size() == 2 && dot != std::string_view::npos)) {
    return -1;
  }
  p->resize(3);
  std::int32_t time = TimeFromParts((*p)[0], (*p)[1], (*p)[2], hundredths);
  return time == 0 ? kFirstTime : time;
}

// The number a date or time cell is written as; nothing when the cell is
// neither a date or time nor a plain number.
std::optional<std::int64_t> ParseCounted(Counts counts, std::string_view cell) {
  std::optional<std::int32_t> v = counts == Counts::kDays ? ParseDate(cell) : ParseTime(cell);
  if (v) return *v < 0 ? std::nullopt : std::optional<std::int64_t>(*v);
  std::int64_t number = 0;
  if (!ParseInteger(cell, &number)) return std::nullopt;
  return number;
}

}  // namespace

std::vector<Column> TableColumns(const TableDef& def) {
  std::vector<Column> columns;
  for (std::size_t i = 0; i < def.fields.size(); ++i) {
    const FieldDef& f = def.fields[i];
    Counts counts = Counts::kNumber;
    if (f.elements <= 1 && f.size == 4) {
      if (f.type == FieldType::kDate) counts = Counts::kDays;
      if (f.type == FieldType::kTime) counts = Counts::kTime;
      if (f.type == FieldType::kLong) {
        dict::LongMeaning meaning = dict::MeaningOfLong(f.name);
        if (meaning == dict::LongMeaning::kDate) counts = Counts::kDays;
        if (meaning == dict::LongMeaning::kTime) counts = Counts::kTime;
      }
    }
    columns.push_back({f.name, false, static_cast<int>(i), counts});
  }
  for (std::size_t i = 0; i < def.memos.size(); ++i) {
    columns.push_back({def.memos[i].name, true, static_cast<int>(i)});
  }
  return columns;
}

void AppendCell(const TableDef& def, const Column& c, const std::uint8_t* row,
                const std::vector<std::string>& memos, const CellOptions& options,
                std::string* out) {
  if (c.memo) {
    const MemoDef& m = def.memos[static_cast<std::size_t>(c.index)];
    const std::string& content = memos[static_cast<std::size_t>(c.index)];
    if (MemoForm(m) == Form::kHex) {
      AppendHex(reinterpret_cast<const std::uint8_t*>(content.data()), content.size(), out);
      return;
    }
    AppendEscaped(Utf8FromCp1251(TrimTrailingBlanks(content)), out);
    return;
  }
  const FieldDef& f = def.fields[static_cast<std::size_t>(c.index)];
  const std::uint8_t* p = row + f.offset;
  if (c.counts != Counts::kNumber && !options.raw) {
    std::int64_t value = FieldForm(f) == Form::kSigned
                             ? LoadSigned(p, f.size)
                             : static_cast<std::int64_t>(LoadUnsigned(p, f.size));
    if (AppendCounted(c.counts, value, out)) return;
  }
  char buf[64];
  switch (FieldForm(f)) {
    case Form::kText:
      AppendEscaped(Utf8FromCp1251(FieldText(f, row)), out);
      return;
    case Form::kSigned:
      out->append(std::to_string(LoadSigned(p, f.size)));
      return;
    case Form::kUnsigned:
      out->append(std::to_string(LoadUnsigned(p, f.size)));
      return;
    case Form::kFloat: {
      std::to_chars_result r;
      if (f.size == 4) {
        float v;
        std::memcpy(&v, p, 4);
        r = std::to_chars(buf, buf + sizeof buf, v);
      } else {
        double v;
        std::memcpy(&v, p, 8);
        r = std::to_chars(buf, buf + sizeof buf, v);
      }
      out->append(buf, r.ptr);
      return;
    }
    case Form::kDecimal: {
      std::int64_t v = 0;
      if (ReadPackedDecimal(p, f.size, &v)) {
        out->append(FormatScaledDecimal(v, f.places));
      } else {
        AppendHex(p, f.size, out);
      }
      return;
    }
    case Form::kHex:
      AppendHex(p, f.size, out);
      return;
  }
}

std::string StoreCell(const TableDef& def, const Column& c, std::string_view cell,
                      const CellOptions& options, std::uint8_t* row,
                      std::vector<std::string>* memos, bool* cut) {
  *cut = false;
  if (c.memo) {
    const MemoDef& m = def.memos[static_cast<std::size_t>(c.index)];
    std::string& content = (*memos)[static_cast<std::size_t>(c.index)];
    if (MemoForm(m) == Form::kHex) {
      if (cell.empty()) {
        content.clear();
      } else if (!ParseHex(cell, &content)) {
        return "bad hexadecimal bytes";
      }
    } else if (!ToCp1251(Unescape(cell), &content)) {
      return "text not representable in code page 1251";
    }
    if (MemoForm(m) == Form::kText) content.resize(TrimTrailingBlanks(content).size());
    if (content.size() > m.size) {
      if (!options.truncate) return TooLong(content.size(), m.size);
      content.resize(m.size);
      if (MemoForm(m) == Form::kText) content.resize(TrimTrailingBlanks(content).size());
      *cut = true;
    }
    return {};
  }
  const FieldDef& f = def.fields[static_cast<std::size_t>(c.index)];
  std::uint8_t* p = row + f.offset;
  const Form form = FieldForm(f);
  if (cell.empty()) {
    if (form == Form::kText) {
      StoreFieldText(f, {}, row);
    } else {
      std::memset(p, 0, f.size);
    }
    return {};
  }
  if (c.counts != Counts::kNumber) {
    std::optional<std::int64_t> v = ParseCounted(c.counts, cell);
    bool fits =
        v && (form == Form::kSigned ? *v >= std::numeric_limits<std::int32_t>::min() &&
                                          *v <= std::numeric_limits<std::int32_t>::max()
                                    : *v >= 0 && *v <= std::numeric_limits<std::uint32_t>::max());
    if (!fits) {
      return c.counts == Counts::kDays ? "bad date (YYYY-MM-DD, DD.MM.YYYY or a day number)"
                                       : "bad time (HH:MM:SS.cc or a time number)";
    }
    StoreUnsigned(static_cast<std::uint64_t>(*v), p, f.size);
    return {};
  }
  switch (form) {
    case Form::kText: {
      std::string text;
      if (!ToCp1251(Unescape(cell), &text)) return "text not representable in code page 1251";
      std::size_t length = ShownText(f, text).size();
      if (length > TextRoom(f)) {
        if (!options.truncate) return TooLong(length, TextRoom(f));
        *cut = true;
      }
      StoreFieldText(f, text, row);
      return {};
    }
    case Form::kSigned: {
      std::int64_t v = 0;
      std::int64_t limit = std::int64_t{1} << (8 * f.size - 1);
      if (!ParseInteger(cell, &v) || v < -limit || v >= limit) return "bad number";
      StoreUnsigned(static_cast<std::uint64_t>(v), p, f.size);
      return {};
    }
    case Form::kUnsigned: {
      std::uint64_t v = 0;
      if (!ParseInteger(cell, &v) || (v >> (8 * f.size)) != 0) return "bad number";
      StoreUnsigned(v, p, f.size);
      return {};
    }
    case Form::kFloat: {
      std::string_view text = cell;
      if (text.front() == '+') text.remove_prefix(1);
      double v = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
      if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) {
        return "bad number";
      }
      if (f.size == 4) {
        if (std::fabs(v) > std::numeric_limits<float>::max()) return "bad number";
        float single = static_cast<float>(v);
        std::memcpy(p, &single, 4);
      } else {
        std::memcpy(p, &v, 8);
      }
      return {};
    }
    case Form::kDecimal: {
      std::int64_t v = 0;
      std::string bytes;
      if (ParseHex(cell, &bytes) && bytes.size() == f.size) {
        std::memcpy(p, bytes.data(), f.size);
        return {};
      }
      if (!ParseScaledDecimal(cell, f.places, &v) || !WritePackedDecimal(v, p, f.size)) {
        return "bad number";
      }
      return {};
    }
    case Form::kHex: {
      std::string bytes;
      if (!ParseHex(cell, &bytes) || bytes.size() != f.size) return "bad hexadecimal bytes";
      std::memcpy(p, bytes.data(), f.size);
      return {};
    }
  }
  return {};
}

}  // namespace kavo::tool
