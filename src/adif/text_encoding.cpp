#include "adif/text_encoding.h"

#include <cstdint>
#include <cstdio>

#include "runtime/cp1251.h"

namespace kavo::adif {
namespace {

// А to я, the bytes 0xC0 to 0xFF of the code page.
constexpr std::uint32_t kFirstCyrillic = 0x0410;
constexpr std::uint32_t kLastCyrillic = 0x044F;
constexpr std::uint8_t kCyrillicByte = 0xC0;

// The first character XML 1.0 takes freely; below it only tab, line feed and
// carriage return.
constexpr std::uint8_t kFirstXmlCharacter = 0x20;
// The control picture of code c, U+2400 + c, in UTF-8: these two bytes and
// then kPictureBase + c.
constexpr std::string_view kPictureLead = "\xE2\x90";
constexpr std::uint8_t kPictureBase = 0x80;

// Length of the well-formed sequence at text[pos], 0 when it is malformed.
std::size_t SequenceLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(pos);
  if (lead < 0x80) return 1;
  std::size_t length;
  std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<std::uint8_t>(c) >= 0x80) return false;
  }
  return true;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::size_t Utf8PrefixBytes(std::string_view text, std::size_t characters) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < characters; ++i) {
    if (pos >= text.size()) return std::string_view::npos;
    const std::size_t n = SequenceLength(text, pos);
    if (n == 0) return std::string_view::npos;
    pos += n;
  }
  return pos;
}

bool ToCp1251(std::string_view utf8, bool replace, std::string* out, std::string* bad) {
  out->clear();
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t n = SequenceLength(utf8, pos);
    if (n == 0) n = 1;
    const std::string_view one = utf8.substr(pos, n);
    const std::uint32_t two = n == 2 ? ((one[0] & 0x1Fu) << 6) | (one[1] & 0x3Fu) : 0;
    std::string byte;
    if (n == 1 && static_cast<std::uint8_t>(one[0]) < 0x80) {
      out->append(one);
    } else if (two >= kFirstCyrillic && two <= kLastCyrillic) {
      out->push_back(static_cast<char>(kCyrillicByte + (two - kFirstCyrillic)));
    } else if ((byte = Cp1251FromUtf8(one)).size() == 1 && Utf8FromCp1251(byte) == one) {
      // A character the code page holds comes back unchanged.
      out->append(byte);
    } else if (replace) {
      out->push_back('?');
    } else {
      if (bad) {
        char code[16] = "?";
        if (SequenceLength(utf8, pos) != 0) {
          std::uint32_t cp = static_cast<std::uint8_t>(one[0]) & (0x7F >> n);
          for (std::size_t i = 1; i < n; ++i) cp = (cp << 6) | (one[i] & 0x3F);
          std::snprintf(code, sizeof code, "U+%04X", cp);
          *bad = std::string(code) + " '" + std::string(one) + "'";
        } else {
          *bad = "a byte that is not UTF-8";
        }
      }
      return false;
    }
    pos += n;
  }
  return true;
}

bool IsXmlForbidden(char c) {
  return static_cast<std::uint8_t>(c) < kFirstXmlCharacter && c != '\t' && c != '\n' && c != '\r';
}

void AppendControlPicture(std::string* out, char c) {
  out->append(kPictureLead);
  out->push_back(static_cast<char>(kPictureBase + static_cast<std::uint8_t>(c)));
}

void ControlsFromPictures(std::string* utf8) {
  std::size_t at = utf8->find(kPictureLead);
  if (at == std::string::npos) return;
  std::size_t out = at;
  while (at < utf8->size()) {
    const std::size_t last_at = at + kPictureLead.size();
    if (last_at < utf8->size() &&
        std::string_view(*utf8).substr(at, kPictureLead.size()) == kPictureLead) {
      const auto last = static_cast<std::uint8_t>((*utf8)[last_at]);
      const char c = static_cast<char>(last - kPictureBase);
      if (last >= kPictureBase && last < kPictureBase + kFirstXmlCharacter && IsXmlForbidden(c)) {
        (*utf8)[out++] = c;
        at = last_at + 1;
        continue;
      }
    }
    (*utf8)[out++] = (*utf8)[at++];
  }
  utf8->resize(out);
}

}  // namespace kavo::adif
