#include "reports/text_search.h"

#include <array>

#include "runtime/message_box.h"
#include "data/standard_warning.h"

namespace kavo::reports {

namespace {

// Folds a code page 1251 byte to its capital: a-z, а-я, ё and the other
// Cyrillic letters of the upper half.
constexpr std::array<unsigned char, 256> MakeCapitals() {
  std::array<unsigned char, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
  for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 32);
  for (int c = 0xE0; c <= 0xFF; ++c) table[c] = static_cast<unsigned char>(c - 32);
  // Small and capital letters of the upper half outside а-я.
  constexpr std::array<std::pair<int, int>, 15> kPairs = {{{0xB8, 0xA8},
                                                           {0x90, 0x80},
                                                           {0x83, 0x81},
                                                           {0x9A, 0x8A},
                                                           {0x9C, 0x8C},
                                                           {0x9D, 0x8D},
                                                           {0x9E, 0x8E},
                                                           {0x9F, 0x8F},
                                                           {0xA2, 0xA1},
                                                           {0xBC, 0xA3},
                                                           {0xB4, 0xA5},
                                                           {0xBA, 0xAA},
                                                           {0xBF, 0xAF},
                                                           {0xB3, 0xB2},
                                                           {0xBE, 0xBD}}};
  for (const auto& [small, capital] : kPairs) table[small] = static_cast<unsigned char>(capital);
  return table;
}

constexpr std::array<unsigned char, 256> kCapitals = MakeCapitals();

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool SameChar(char a, char b, bool match_case) {
  if (match_case) return a == b;
  return kCapitals[static_cast<unsigned char>(a)] == kCapitals[static_cast<unsigned char>(b)];
}

size_t Find(std::string_view line, std::string_view text, size_t from, bool match_case) {
  if (text.size() > line.size()) return std::string_view::npos;
  for (size_t i = from; i + text.size() <= line.size(); ++i) {
    size_t j = 0;
    while (j < text.size() && SameChar(line[i + j], text[j], match_case)) ++j;
    if (j == text.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace

int32_t FindInLine(std::string_view line, const TextSearch& search) {
  const std::string_view text = search.SearchString;
  if (text.empty()) return 0;
  size_t trimmed = line.find_last_not_of(' ');
  trimmed = trimmed == std::string_view::npos ? 0 : trimmed + 1;
  // Each occurrence is tried in turn: a whole word may follow a part of a
  // longer word on the same line.
  for (size_t at = Find(line, text, 0, search.MatchCase); at != std::string_view::npos;
       at = Find(line, text, at + 1, search.MatchCase)) {
    if (!search.WholeWord) return static_cast<int32_t>(at + 1);
    const size_t after = at + text.size();
    const bool starts_word = at == 0 || IsBlank(line[at - 1]);
    const bool ends_word = after >= trimmed || IsBlank(line[after]);
    if (starts_word && ends_word) return static_cast<int32_t>(at + 1);
  }
  return 0;
}

int32_t FindText(const std::vector<std::string>& lines, int32_t CurrentPointer,
                 const TextSearch& search, const WrapQuestion& ask_wrap) {
  const int32_t count = static_cast<int32_t>(lines.size());
  if (search.SearchString.empty() || count == 0) return 0;
  const bool down = search.Direction == SearchDirection::kDown;
  for (;;) {
    CurrentPointer += down ? 1 : -1;
    if (CurrentPointer > count || CurrentPointer < 1) {
      if (!ask_wrap(search.Direction)) return 0;
      CurrentPointer = down ? 1 : count;
    }
    if (FindInLine(lines[CurrentPointer - 1], search) != 0) return CurrentPointer;
  }
}

bool AskWrapWithWarning(SearchDirection direction) {
  return StandardWarning(29, direction == SearchDirection::kDown ? "Down" : "Up") == button::kYes;
}

}  // namespace kavo::reports
