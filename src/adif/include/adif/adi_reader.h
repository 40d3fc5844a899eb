// The streaming reader of ADIF tagged text (.adi): "<NAME:length>value"
// fields, records ended by <EOR>, an optional header ended by <EOH>. Text
// between fields is ignored. The file is read in chunks, so memory does not
// grow with the file.
//
// Text encodings: a value's length is counted in bytes of the file, as ADIF
// says, but many loggers count characters of UTF-8 text instead. A count
// that ends inside a UTF-8 sequence, or that leaves text before the next
// tag, is taken as a character count when counting characters ends cleanly
// at the next tag. A file whose text is not UTF-8 is read as code page 1251
// (decided at the first value that is not ASCII). Values are handed out as
// UTF-8 either way.
//
// Bad input never stops the reader with a crash or a loop: a field with an
// unreadable length or without one makes its record's problem and the
// reader goes on at the next tag; a record cut off by the end of the file is
// handed out with its problem; a tag without its '>' or a length past the
// end of the file ends the file with error().
#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "adif/adif_record.h"

namespace kavo::adif {

class AdiReader final : public AdifReader {
 public:
  enum class Encoding { kUnknown, kUtf8, kCp1251 };

  // Longest value taken; a longer length is a bad length.
  static constexpr std::size_t kMaxFieldLength = 1 << 20;

  explicit AdiReader(std::istream& in) : in_(in) {}

  bool Next(AdifRecord* record) override;
  const std::string& error() const override { return error_; }
  std::uint64_t consumed() const override { return base_ + pos_; }

  // What the text turned out to be, and whether some length counted
  // characters.
  Encoding encoding() const { return encoding_; }
  bool character_counts() const { return character_counts_; }

 private:
  // Makes at least `need` bytes available from pos_ unless the file ends
  // first; false then.
  bool Fill(std::size_t need);
  void Advance(std::size_t n);
  // Whether only blanks lie between offset `at` of the buffer and the next
  // tag or the end of the file.
  bool EndsCleanly(std::size_t at);
  // Reads a value of `length` at pos_ into *value. kNone: the value could
  // not be read and *problem says why; kBroken: the file ends too soon.
  enum class ValueRead { kValue, kNone, kBroken };
  ValueRead ReadValue(const std::string& name, std::size_t length, std::string* value,
                      std::string* problem);
  void Fail(std::string what);

  std::istream& in_;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::uint64_t base_ = 0;  // file offset of buffer_[0]
  bool eof_ = false;
  bool failed_ = false;
  std::int64_t line_ = 1;
  std::int64_t records_ = 0;
  bool header_done_ = false;
  Encoding encoding_ = Encoding::kUnknown;
  bool character_counts_ = false;
  std::string error_;
};

}  // namespace kavo::adif
