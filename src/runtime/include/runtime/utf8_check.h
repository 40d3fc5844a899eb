// Checking that bytes are well-formed UTF-8: shortest forms only, no
// surrogates, nothing above U+10FFFF, no sequence cut short.
//
// Utf8Validator takes the bytes in pieces of any size, so a file can be
// checked while it is read in blocks; a sequence may span two pieces.
#pragma once

#include <cstddef>
#include <string_view>

namespace kavo {

class Utf8Validator {
 public:
  // Takes the next bytes; false once anything so far is malformed.
  bool Feed(std::string_view bytes);
  // True when every byte fed is well-formed UTF-8 and no sequence is open.
  bool Finish() const { return valid_ && pending_ == 0; }

 private:
  void Step(unsigned char c);

  bool valid_ = true;
  int pending_ = 0;  // continuation bytes still expected
  unsigned char low_ = 0x80;
  unsigned char high_ = 0xBF;
};

bool IsValidUtf8(std::string_view text);

}  // namespace kavo
