#include "reports/text_file_load.h"

#include <algorithm>
#include <cstring>

#include "runtime/cp1251.h"
#include "runtime/utf8_check.h"

namespace kavo::reports {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

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
    validator.Feed(std::string_view(buffer_.get(), got));
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
