// The tokens of a filter expression, read one at a time from the text.
//
// Blanks and tabs between tokens are skipped. Token forms:
//   name     a letter or "?", then letters, digits, "_" and ":", then at most
//            one of "#", "$" or a double quote ("BRW1::Sort1:Reset:DXC:STRANA")
//   integer  decimal digits
//   real     digits, a point and digits, or a point and digits, then
//            optionally "e" or "E", a sign and digits
//   string   characters between single quotes, '' standing for one quote
//   picture  "@" and the characters up to a blank, a comma or a ")" outside
//            the picture's own parentheses
//   operator one of + - * / % ^ & = < > ~ ( ) [ ] , :
// Two-character comparisons ("<=", "~=", ...) are two operator tokens; the
// parser joins them when the second follows the first without a gap. Any
// other character, and a string without its closing quote, is an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/status.h"

namespace kavo::expr {

enum class TokenKind : uint8_t { kEnd, kName, kInteger, kReal, kString, kPicture, kOperator };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  char op = 0;            // kOperator: the character
  size_t pos = 0;         // first character in the text
  size_t end = 0;         // one past the last character
  std::string_view text;  // kName, kPicture: as written
  std::string value;      // kString: the characters between the quotes
  double number = 0;      // kInteger, kReal
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // Reads the next token; error 800 for a character outside the forms
  // above or an unterminated string.
  Status Next(Token* token);

  // The character at pos, 0 past the end.
  char At(size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace kavo::expr
