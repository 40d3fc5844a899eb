// Reading tokens from expression text.
#include "expr_lexer.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "expr/expr_scope.h"

namespace kavo::expr {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

Status Invalid(std::string detail, size_t pos) {
  return Status::Error(err::kInvalidExpression, detail + " at position " + std::to_string(pos + 1));
}

double ParseNumber(std::string_view s) {
  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec == std::errc::result_out_of_range) {
    size_t e = s.find_first_of("eE");
    bool tiny = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
    v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return v;
}

}  // namespace

Status Lexer::Next(Token* t) {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  t->pos = pos_;
  t->text = {};
  t->op = 0;
  if (pos_ >= text_.size()) {
    t->kind = TokenKind::kEnd;
    t->end = pos_;
    return Status::OK();
  }
  char c = text_[pos_];
  std::string_view rest = text_.substr(pos_);
  if (size_t n = NameLength(rest); n > 0) {
    t->kind = TokenKind::kName;
    t->text = rest.substr(0, n);
  } else if (IsDigit(c) || (c == '.' && IsDigit(At(pos_ + 1)))) {
    size_t i = 0;
    while (i < rest.size() && IsDigit(rest[i])) ++i;
    bool real = false;
    if (i + 1 < rest.size() && rest[i] == '.' && IsDigit(rest[i + 1])) {
      real = true;
      ++i;
      while (i < rest.size() && IsDigit(rest[i])) ++i;
      if (i < rest.size() && (rest[i] == 'e' || rest[i] == 'E')) {
        size_t j = i + 1;
        if (j < rest.size() && (rest[j] == '+' || rest[j] == '-')) ++j;
        if (j < rest.size() && IsDigit(rest[j])) {
          while (j < rest.size() && IsDigit(rest[j])) ++j;
          i = j;
        }
      }
    }
    t->number = ParseNumber(rest.substr(0, i));
    // An integer too large for 32 bits is kept as a real.
    t->kind = (real || t->number > std::numeric_limits<int32_t>::max()) ? TokenKind::kReal
                                                                        : TokenKind::kInteger;
    t->text = rest.substr(0, i);
  } else if (c == '\'') {
    t->kind = TokenKind::kString;
    t->value.clear();
    size_t i = 1;
    for (;;) {
      if (i >= rest.size()) return Invalid("unterminated string", pos_);
      if (rest[i] == '\'') {
        if (i + 1 < rest.size() && rest[i + 1] == '\'') {
          t->value += '\'';
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      t->value += rest[i++];
    }
    t->text = rest.substr(0, i);
  } else if (c == '@') {
    size_t i = 1;
    int depth = 0;
    while (i < rest.size()) {
      char p = rest[i];
      if (depth == 0 && (p == ' ' || p == ',' || p == ')')) break;
      if (p == '(') ++depth;
      if (p == ')') --depth;
      ++i;
    }
    t->kind = TokenKind::kPicture;
    t->text = rest.substr(0, i);
  } else if (c != '\0' && std::strchr("+-*/%^&=<>~()[],:", c) != nullptr) {
    t->kind = TokenKind::kOperator;
    t->op = c;
    t->text = rest.substr(0, 1);
  } else {
    return Invalid("unexpected character", pos_);
  }
  pos_ += t->text.size();
  t->end = pos_;
  return Status::OK();
}

}  // namespace kavo::expr
