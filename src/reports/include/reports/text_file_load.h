// Loading a plain-text file line by line, in slices, for the text viewer.
//
// A slice takes whole lines until at least kSliceBytes bytes (line ends
// included) have been taken or the file ends, so a large file loads over
// many timer events and the window stays responsive between them. Lines are
// kept whole, whatever their length, without their line end ("\n" or
// "\r\n").
//
// Encoding: a file whose bytes are valid UTF-8 (checked once, when it is
// opened) is decoded from UTF-8, a byte-order mark dropped; any other file
// is taken as code page 1251. The lines handed out are code page 1251, the
// program's text encoding; a UTF-8 character without a place in that code
// page becomes '?'.
//
// Not thread-safe; one load, one thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kavo::reports {

// Bytes read per timer event, at least (the last line of a slice may go over).
inline constexpr int64_t kSliceBytes = 20000;

class TextFileLoad {
 public:
  enum class OpenResult { kOk, kCannotOpen, kEmpty };

  struct Slice {
    bool finished = false;         // the end of the file (or a read error) was reached
    bool percent_changed = false;  // ASCIIPercentProgress() has a new value
  };

  TextFileLoad();
  ~TextFileLoad();
  TextFileLoad(const TextFileLoad&) = delete;
  TextFileLoad& operator=(const TextFileLoad&) = delete;

  // Opens path (a file-system name) for reading, learns its size and
  // encoding and positions at its start. An empty file is closed again.
  OpenResult Open(const std::string& path);

  // Appends the lines of one slice to *lines.
  // REQUIRES: Open() returned kOk and no slice has finished the load.
  Slice ReadSlice(std::vector<std::string>* lines);

  void Close();

  int64_t ASCIIFileSize() const { return ASCIIFileSize_; }
  int64_t ASCIIBytesRead() const { return ASCIIBytesRead_; }
  int32_t ASCIIPercentProgress() const { return ASCIIPercentProgress_; }
  bool utf8() const { return utf8_; }
  // The load ended early on a read error rather than at the end of the file.
  bool read_error() const { return read_error_; }

 private:
  // The next line, its line end removed, into *line; the bytes it took, 0 at
  // the end of the file.
  int64_t ReadLine(std::string* line);
  bool Fill();

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t buffer_used_ = 0;
  size_t buffer_pos_ = 0;
  bool at_eof_ = false;
  bool first_line_ = true;
  bool utf8_ = false;
  bool read_error_ = false;
  int64_t ASCIIFileSize_ = 0;
  int64_t ASCIIBytesRead_ = 0;
  int32_t ASCIIPercentProgress_ = 0;
};

}  // namespace kavo::reports
