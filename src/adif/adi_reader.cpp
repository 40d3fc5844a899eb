#include "adif/adi_reader.h"

#include <algorithm>

#include "adif/text_encoding.h"
#include "runtime/cp1251.h"
#include "runtime/utf8_check.h"

namespace kavo::adif {
namespace {

constexpr std::size_t kChunk = 1 << 16;
// The longest tag looked at: name, length and type.
constexpr std::size_t kMaxTag = 256;
// Bytes looked at past a value to find the next tag.
constexpr std::size_t kLookahead = 64;
// UTF-8 takes up to four bytes per character.
constexpr std::size_t kMaxUtf8Bytes = 4;
constexpr std::size_t kMaxLengthDigits = 9;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string LineText(std::int64_t line) {
  return "line " + std::to_string(line);
}

}  // namespace

bool AdiReader::Fill(std::size_t need) {
  if (buffer_.size() - pos_ >= need) return true;
  if (pos_ > 0) {
    buffer_.erase(0, pos_);
    base_ += pos_;
    pos_ = 0;
  }
  while (buffer_.size() < need && !eof_) {
    const std::size_t old = buffer_.size();
    buffer_.resize(old + std::max(kChunk, need - old));
    in_.read(buffer_.data() + old, static_cast<std::streamsize>(buffer_.size() - old));
    const auto got = static_cast<std::size_t>(in_.gcount());
    buffer_.resize(old + got);
    if (got == 0 || !in_) eof_ = true;
  }
  return buffer_.size() >= need;
}

void AdiReader::Advance(std::size_t n) {
  line_ += std::count(buffer_.begin() + static_cast<std::ptrdiff_t>(pos_),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(pos_ + n), '\n');
  pos_ += n;
}

void AdiReader::Fail(std::string what) {
  failed_ = true;
  error_ = std::move(what);
}

bool AdiReader::EndsCleanly(std::size_t at) {
  while (at < buffer_.size() && IsBlank(buffer_[at])) ++at;
  // Blanks up to the end of what was looked at count as clean.
  return at >= buffer_.size() || buffer_[at] == '<';
}

AdiReader::ValueRead AdiReader::ReadValue(const std::string& name, std::size_t length,
                                          std::string* value, std::string* problem) {
  if (!Fill(length)) {
    Fail("the length of field " + name + " (" + std::to_string(length) + ") at " + LineText(line_) +
         " reaches past the end of the file");
    return ValueRead::kBroken;
  }
  std::string_view bytes(buffer_.data() + pos_, length);
  if (IsAscii(bytes)) {
    value->assign(bytes);
    Advance(length);
    return ValueRead::kValue;
  }
  if (encoding_ == Encoding::kCp1251) {
    *value = Utf8FromCp1251(bytes);
    Advance(length);
    return ValueRead::kValue;
  }
  (void)Fill(length * kMaxUtf8Bytes + kLookahead);
  const std::string_view rest(buffer_.data() + pos_, buffer_.size() - pos_);
  bytes = rest.substr(0, length);
  const bool valid = IsValidUtf8(bytes);
  std::size_t taken = length;
  if (valid && EndsCleanly(pos_ + length)) {
    encoding_ = Encoding::kUtf8;
  } else if (std::size_t counted = Utf8PrefixBytes(rest, length);
             counted != std::string_view::npos && EndsCleanly(pos_ + counted)) {
    encoding_ = Encoding::kUtf8;
    character_counts_ = true;
    taken = counted;
  } else if (valid) {
    // UTF-8 followed by stray text, which is skipped as text between fields.
    encoding_ = Encoding::kUtf8;
  } else if (encoding_ == Encoding::kUnknown) {
    encoding_ = Encoding::kCp1251;
    *value = Utf8FromCp1251(bytes);
    Advance(length);
    return ValueRead::kValue;
  } else {
    if (problem->empty()) problem->assign("field " + name + " is not valid UTF-8 text");
    Advance(length);
    return ValueRead::kNone;
  }
  value->assign(rest.substr(0, taken));
  Advance(taken);
  return ValueRead::kValue;
}

bool AdiReader::Next(AdifRecord* record) {
  record->fields.clear();
  record->problem.clear();
  record->line = 0;
  if (failed_) return false;
  if (base_ == 0 && pos_ == 0 && Fill(kByteOrderMark.size()) &&
      std::string_view(buffer_).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    encoding_ = Encoding::kUtf8;
    Advance(kByteOrderMark.size());
  }
  for (;;) {
    // Text up to the next tag is not part of any field.
    std::size_t lt;
    while ((lt = buffer_.find('<', pos_)) == std::string::npos) {
      Advance(buffer_.size() - pos_);
      if (!Fill(1)) break;
    }
    if (lt == std::string::npos) {
      if (record->fields.empty() && record->problem.empty()) return false;
      if (!record->problem.empty()) record->problem += "; ";
      record->problem += "the record has no <EOR> before the end of the file";
      record->number = ++records_;
      return true;
    }
    Advance(lt - pos_);
    const std::int64_t tag_line = line_;
    (void)Fill(kMaxTag);
    const std::string_view window(buffer_.data() + pos_, std::min(kMaxTag, buffer_.size() - pos_));
    const std::size_t gt = window.find('>');
    const std::size_t next_lt = window.find('<', 1);
    if (gt == std::string_view::npos || next_lt < gt) {
      if (!header_done_) {
        // Free text of a header may hold a '<' of its own.
        Advance(1);
        continue;
      }
      Fail("a tag without its closing '>' at " + LineText(tag_line));
      return false;
    }
    const std::string_view tag = window.substr(1, gt - 1);
    Advance(gt + 1);
    const std::size_t colon = tag.find(':');
    const std::string name = AsciiUpper(tag.substr(0, colon));
    if (record->fields.empty() && record->problem.empty() && record->line == 0) {
      record->line = tag_line;
    }
    if (colon == std::string_view::npos) {
      if (name == "EOH" && records_ == 0 && !header_done_) {
        header_done_ = true;
        record->fields.clear();
        record->problem.clear();
        record->line = 0;
        continue;
      }
      if (name == "EOR") {
        header_done_ = true;
        if (record->fields.empty() && record->problem.empty()) {
          record->line = 0;
          continue;
        }
        record->number = ++records_;
        return true;
      }
      if (header_done_ && record->problem.empty() && name != "EOH") {
        record->problem =
            "the tag <" + std::string(tag) + "> at " + LineText(tag_line) + " has no length";
      }
      continue;
    }
    std::string_view length_text = tag.substr(colon + 1);
    length_text = length_text.substr(0, length_text.find(':'));
    const bool digits = !length_text.empty() && length_text.size() <= kMaxLengthDigits &&
                        std::all_of(length_text.begin(), length_text.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    const std::size_t length = digits ? std::stoul(std::string(length_text)) : 0;
    if (name.empty() || !digits || length > kMaxFieldLength) {
      // Where such a value ends is unknown: it is passed over as text up
      // to the next tag.
      if (record->problem.empty()) {
        record->problem = "the tag <" + std::string(tag) + "> at " + LineText(tag_line) +
                          " has no valid name and length";
      }
      continue;
    }
    std::string value;
    const ValueRead got = ReadValue(name, length, &value, &record->problem);
    if (got == ValueRead::kBroken) return false;
    if (got == ValueRead::kValue) record->Add(name, std::move(value));
  }
}

}  // namespace kavo::adif
