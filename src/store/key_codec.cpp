#include "store/key_codec.h"

#include <cstring>

namespace kavo {
namespace {

void Reverse(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = in[n - 1 - i];
}

}  // namespace

KeyCodec::KeyCodec(const KeyCharTables& tables) : tables_(tables) {
  const auto& to_oem = AnsiToOem();
  for (int b = 0; b < 256; ++b) {
    weigh_[b] = tables_.oem ? tables_.oem_collation[to_oem[b]] : tables_.collation[b];
  }
  for (int b = 0; b < 256; ++b) {
    std::uint8_t folded = (tables_.klass[b] & kClassUpper) ? tables_.partner[b] : b;
    map_case_[b] = weigh_[b];
    map_nocase_[b] = weigh_[folded];
  }
}

void KeyCodec::ApplyRules(std::uint8_t* bytes, std::size_t n) const {
  std::uint8_t rules[128];
  std::memcpy(rules, tables_.rules1.data(), 64);
  std::memcpy(rules + 64, tables_.rules2.data(), 64);
  std::size_t out = 0;
  for (std::size_t i = 0; i < n;) {
    std::uint8_t replacement = 0;
    bool matched = false;
    if (i + 1 < n) {
      for (std::size_t r = 0; r + 2 < sizeof rules && rules[r] != 0; r += 3) {
        if (rules[r] == bytes[i] && rules[r + 1] == bytes[i + 1]) {
          replacement = rules[r + 2];
          matched = true;
          break;
        }
      }
    }
    bytes[out++] = matched ? replacement : bytes[i];
    i += matched ? 2 : 1;
  }
  // A contraction shortens the text; the freed tail reads as trailing blanks.
  std::memset(bytes + out, ' ', n - out);
}

void KeyCodec::TextSteps(bool nocase, std::uint8_t* bytes, std::size_t n) const {
  if (!tables_.has_rules()) {
    const auto& map = nocase ? map_nocase_ : map_case_;
    for (std::size_t i = 0; i < n; ++i) bytes[i] = map[bytes[i]];
    return;
  }
  if (nocase) {
    for (std::size_t i = 0; i < n; ++i) {
      if (tables_.klass[bytes[i]] & kClassUpper) bytes[i] = tables_.partner[bytes[i]];
    }
  }
  ApplyRules(bytes, n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = weigh_[bytes[i]];
}

void KeyCodec::EncodeComponent(const FieldDef& field, bool descending, bool nocase,
                               const std::uint8_t* row, std::uint8_t* out) const {
  const std::uint8_t* f = row + field.offset;
  const std::size_t s = field.size;
  if (s == 0) return;
  bool complement = descending;
  switch (field.type) {
    case FieldType::kString:
    case FieldType::kGroup:
      std::memcpy(out, f, s);
      TextSteps(nocase, out, s);
      break;
    case FieldType::kCString: {
      const void* zero = std::memchr(f, 0, s);
      std::size_t n =
          zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - f) : s;
      std::memcpy(out, f, n);
      std::memset(out + n, 0, s - n);
      TextSteps(nocase, out, s);
      break;
    }
    case FieldType::kPString: {
      // A length beyond the field (a damaged row, or 128 and up) is cut to
      // what the field holds.
      std::size_t n = f[0] < s ? f[0] : s - 1;
      std::memcpy(out, f + 1, n);
      std::memset(out + n, 0, s - n);
      TextSteps(nocase, out, s);
      break;
    }
    case FieldType::kUShort:
    case FieldType::kULong:
    case FieldType::kDate:
    case FieldType::kTime:
      Reverse(f, s, out);
      break;
    case FieldType::kShort:
    case FieldType::kLong:
      Reverse(f, s, out);
      out[0] ^= 0x80;
      break;
    case FieldType::kSReal:
    case FieldType::kReal:
      Reverse(f, s, out);
      if (out[0] & 0x80) {
        complement = !complement;
      } else {
        out[0] |= 0x80;
      }
      break;
    case FieldType::kDecimal:
      std::memcpy(out, f, s);
      if (out[0] & 0xF0) {
        out[0] &= 0x0F;
        complement = !complement;
      }
      out[0] ^= 0x80;
      break;
    default:
      std::memcpy(out, f, s);
      break;
  }
  if (complement) {
    for (std::size_t i = 0; i < s; ++i) out[i] = static_cast<std::uint8_t>(255 - out[i]);
  }
}

void KeyCodec::AppendKeyValue(const TableDef& table, const KeyDef& key, const std::uint8_t* row,
                              std::string* out) const {
  std::size_t pos = out->size();
  out->resize(pos + table.KeyValueLength(key));
  auto* dst = reinterpret_cast<std::uint8_t*>(out->data()) + pos;
  for (const KeyComponent& c : key.components) {
    if (c.field >= table.fields.size()) continue;
    const FieldDef& field = table.fields[c.field];
    EncodeComponent(field, c.descending(), key.nocase(), row, dst);
    dst += field.size;
  }
}

bool IsKeyEmpty(const TableDef& table, const KeyDef& key, const std::uint8_t* row) {
  for (const KeyComponent& c : key.components) {
    if (c.field >= table.fields.size()) continue;
    const FieldDef& field = table.fields[c.field];
    const std::uint8_t* f = row + field.offset;
    switch (field.type) {
      case FieldType::kString:
      case FieldType::kGroup:
        for (std::size_t i = 0; i < field.size; ++i) {
          if (f[i] != ' ') return false;
        }
        break;
      case FieldType::kCString:
      case FieldType::kPString:
        if (field.size > 0 && f[0] != 0) return false;
        break;
      default:
        for (std::size_t i = 0; i < field.size; ++i) {
          if (f[i] != 0) return false;
        }
        break;
    }
  }
  return true;
}

}  // namespace kavo
