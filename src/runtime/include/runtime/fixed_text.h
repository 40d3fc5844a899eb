// A fixed-width text variable: exactly N bytes of code page 1251, blank padded.
//
// Program-wide text variables keep the width their users compare and store
// against, so a value is cut to N bytes on assignment and the unused tail is
// always blanks. An all-blank value means "empty".
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kavo {

template <std::size_t N>
class FixedText {
 public:
  FixedText() { Clear(); }

  void Clear() { bytes_.fill(' '); }

  void Set(std::string_view text) {
    Clear();
    text.copy(bytes_.data(), N);
  }

  // All N bytes, padding included.
  std::string_view View() const { return {bytes_.data(), N}; }

  // The value without its trailing blanks.
  std::string Trimmed() const {
    std::string_view v = View();
    std::size_t end = v.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(v.substr(0, end + 1));
  }

  bool IsBlank() const { return View().find_first_not_of(' ') == std::string_view::npos; }

  static constexpr std::size_t kWidth = N;

 private:
  std::array<char, N> bytes_;
};

}  // namespace kavo
