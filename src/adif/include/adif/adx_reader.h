// The streaming reader of ADIF XML (.adx), on expat: the file is parsed in
// chunks and records are handed out as each <RECORD> closes, so memory does
// not grow with the file. Expat is the XML library because it streams, is
// small, is a well-kept Debian package (libexpat1) and guards against
// entity expansion attacks by itself.
//
// Elements inside <RECORD> are fields named by their element name; an
// <APP PROGRAMID="P" FIELDNAME="F"> element is the field APP_P_F and a
// <USERDEF FIELDNAME="F"> element the field F. Documents declared in
// windows-1251 are read too. The pictures of the control characters XML
// forbids (U+2401 and the like) are read as those characters, as the writer
// wrote them (text_encoding.h). Malformed XML ends the file with error(),
// naming the line and column.
#pragma once

#include <cstdint>
#include <deque>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "adif/adif_record.h"

namespace kavo::adif {

class AdxReader final : public AdifReader {
 public:
  explicit AdxReader(std::istream& in);
  ~AdxReader() override;

  bool Next(AdifRecord* record) override;
  const std::string& error() const override { return error_; }
  std::uint64_t consumed() const override { return consumed_; }

  struct Parser;  // the expat side

 private:
  std::istream& in_;
  std::unique_ptr<Parser> parser_;
  std::deque<AdifRecord> ready_;
  std::vector<char> chunk_;
  std::uint64_t consumed_ = 0;
  bool done_ = false;
  std::string error_;
};

}  // namespace kavo::adif
