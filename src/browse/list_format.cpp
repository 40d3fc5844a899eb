#include "browse/list_format.h"

#include <string>

namespace kavo {
namespace {

// Widths, indents and scroll widths beyond this are not dialog units any
// list could show; they are refused rather than overflowing.
constexpr int kMaxUnits = 32767;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  ListFormatResult Run() {
    ListFormatResult result;
    while (pos_ < text_.size()) {
      ListColumn column;
      if (!Column(&column)) {
        result.ok = false;
        result.message = error_ + " at offset " + std::to_string(error_pos_);
        result.columns.clear();
        return result;
      }
      result.columns.push_back(std::move(column));
    }
    if (result.columns.empty()) {
      result.ok = false;
      result.message = "no column in the list format";
    }
    return result;
  }

 private:
  bool Fail(std::string message) {
    error_ = std::move(message);
    error_pos_ = pos_;
    return false;
  }

  bool Number(int* out) {
    if (pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '9') {
      return Fail("a number is expected");
    }
    int value = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_] - '0');
      if (value > kMaxUnits) return Fail("the number is too large");
      ++pos_;
    }
    *out = value;
    return true;
  }

  // "(n)" when the next character opens it; *out is left alone otherwise.
  bool OptionalParenNumber(int* out) {
    if (pos_ >= text_.size() || text_[pos_] != '(') return true;
    ++pos_;
    if (!Number(out)) return false;
    if (pos_ >= text_.size() || text_[pos_] != ')') return Fail("\")\" is expected");
    ++pos_;
    return true;
  }

  static bool IsAlign(char c) { return c == 'L' || c == 'R' || c == 'C' || c == 'D'; }

  // Text up to the closing delimiter, which is consumed.
  bool Delimited(char delimiter, std::string* out) {
    size_t end = text_.find(delimiter, pos_);
    if (end == std::string_view::npos) return Fail(std::string("unterminated ") + delimiter);
    out->assign(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }

  bool Column(ListColumn* c) {
    if (!Number(&c->width)) return false;
    if (pos_ >= text_.size() || !IsAlign(text_[pos_])) return Fail("L, R, C or D is expected");
    c->align = static_cast<ColumnAlign>(text_[pos_++]);
    if (!OptionalParenNumber(&c->indent)) return false;
    c->header_align = c->align;
    c->header_indent = c->indent;
    while (pos_ < text_.size()) {
      const char m = text_[pos_++];
      switch (m) {
        case '|':
          c->right_border = true;
          break;
        case 'M':
          c->resizable = true;
          break;
        case '_':
        case '/':
        case 'F':
        case 'R':
          break;
        case 'I':
          c->icon = true;
          break;
        case 'S':
          if (pos_ >= text_.size() || text_[pos_] != '(') return Fail("\"(\" is expected");
          if (!OptionalParenNumber(&c->scroll)) return false;
          break;
        case '~':
          if (!Delimited('~', &c->header)) return false;
          if (pos_ < text_.size() && IsAlign(text_[pos_])) {
            c->header_align = static_cast<ColumnAlign>(text_[pos_++]);
            c->header_indent = 0;
            if (!OptionalParenNumber(&c->header_indent)) return false;
          }
          break;
        case '@':
          if (!Delimited('@', &c->picture)) return false;
          if (c->picture.empty()) return Fail("the picture is empty");
          return true;
        default:
          --pos_;
          return Fail(std::string("unexpected character '") + m + "'");
      }
    }
    return Fail("the column has no picture");
  }

  std::string_view text_;
  size_t pos_ = 0;
  std::string error_;
  size_t error_pos_ = 0;
};

}  // namespace

ListFormatResult ParseListFormat(std::string_view text) {
  return Parser(text).Run();
}

}  // namespace kavo
