#include "reports/text_file_load.h"

#include <algorithm>
#include <cstring>

#include "runtime/cp1251.h"

namespace kavo::reports {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Checks UTF-8 fed in pieces of any size, so a sequence may span two pieces.
class Utf8Validator {
 public:
  bool Feed(const unsigned char* bytes, size_t size) {
    for (size_t i = 0; i < size && valid_; ++i) Step(bytes[i]);
    return valid_;
  }
  bool Finish() const { return valid_ && pending_ == 0; }

 private:
  void Step(unsigned char c) {
    if (pending_ == 0) {
      if (c < 0x80) return;
      low_ = 0x80;
      high_ = 0xBF;
      if (c >= 0xC2 && c <= 0xDF) {
        pending_ = 1;
      } else if (c >= 0xE0 && c <= 0xEF) {
        pending_ = 2;
        if (c == 0xE0) low_ = 0xA0;   // no overlong forms
        if (c == 0xED) high_ = 0x9F;  // no surrogates
      } else if (c >= 0xF0 && c <= 0xF4) {
        pending_ = 3;
        if (c == 0xF0) low_ = 0x90;
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
    low_ = 0x80;
    high_ = 0xBF;
    --pending_;
  }

  bool valid_ = true;
  int pending_ = 0;
  unsigned char low_ = 0x80;
  unsigned char high_ = 0xBF;
};

}  // namespace

bool IsValidUtf8(const std::string& text) {
  Utf8Validator validator;
  validator.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  return validator.Finish();
}

TextFileLoad::TextFileLoad() : buffer_(new char[kBufferSize]) {}

TextFileLoad::~TextFileLoad() {
  Close();
}

void TextFileLoad::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

TextFileLoad::OpenResult TextFileLoad::Open(const std::string& path) {
  Close();
  buffer_used_ = buffer_pos_ = 0;
  at_eof_ = read_error_ = false;
  first_line_ = true;
  ASCIIFileSize_ = ASCIIBytesRead_ = 0;
  ASCIIPercentProgress_ = 0;

  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return OpenResult::kCannotOpen;
  // One pass over the file decides its encoding and measures it.
  Utf8Validator validator;
  size_t got;
  while ((got = std::fread(buffer_.get(), 1, kBufferSize, file_)) > 0) {
    ASCIIFileSize_ += static_cast<int64_t>(got);
    validator.Feed(reinterpret_cast<const unsigned char*>(buffer_.get()), got);
  }
  if (std::ferror(file_)) {
    Close();
    return OpenResult::kCannotOpen;
  }
  if (ASCIIFileSize_ == 0) {
    Close();
    return OpenResult::kEmpty;
  }
  utf8_ = validator.Finish();
  std::rewind(file_);
  return OpenResult::kOk;
}

bool TextFileLoad::Fill() {
  if (at_eof_) return false;
  buffer_used_ = std::fread(buffer_.get(), 1, kBufferSize, file_);
  buffer_pos_ = 0;
  if (buffer_used_ == 0) {
    at_eof_ = true;
    read_error_ = std::ferror(file_) != 0;
    return false;
  }
  return true;
}

int64_t TextFileLoad::ReadLine(std::string* line) {
  line->clear();
  int64_t taken = 0;
  for (;;) {
    if (buffer_pos_ == buffer_used_ && !Fill()) break;
    const char* start = buffer_.get() + buffer_pos_;
    const size_t available = buffer_used_ - buffer_pos_;
    const void* newline = std::memchr(start, '\n', available);
    const size_t length =
        newline != nullptr ? static_cast<const char*>(newline) - start + 1 : available;
    line->append(start, length);
    buffer_pos_ += length;
    taken += static_cast<int64_t>(length);
    if (newline != nullptr) break;
  }
  if (!line->empty() && line->back() == '\n') line->pop_back();
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return taken;
}

TextFileLoad::Slice TextFileLoad::ReadSlice(std::vector<std::string>* lines) {
  Slice slice;
  int64_t ASCIIBytesThisCycle = 0;
  std::string line;
  while (ASCIIBytesThisCycle < kSliceBytes) {
    const int64_t ASCIIBytesThisRead = ReadLine(&line);
    if (ASCIIBytesThisRead == 0) {
      slice.finished = true;
      break;
    }
    ASCIIBytesThisCycle += ASCIIBytesThisRead;
    ASCIIBytesRead_ += ASCIIBytesThisRead;
    if (first_line_ && utf8_ && line.compare(0, 3, kByteOrderMark) == 0) line.erase(0, 3);
    first_line_ = false;
    lines->push_back(utf8_ ? Cp1251FromUtf8(line) : line);
  }
  if (ASCIIPercentProgress_ < 100) {
    const int64_t percent =
        std::min<int64_t>(ASCIIBytesRead_ * 100 / std::max<int64_t>(ASCIIFileSize_, 1), 100);
    slice.percent_changed = percent != ASCIIPercentProgress_;
    ASCIIPercentProgress_ = static_cast<int32_t>(percent);
  }
  return slice;
}

}  // namespace kavo::reports
