// One search step of the text viewer (`ASC1:FindText`): from the highlighted
// line, line by line in the chosen direction, for the first line holding the
// search text. The highlighted line itself is never searched. Passing either
// end of the text asks whether to go on from the other end; each Yes goes
// round once more, No ends the search with nothing found.
//
// Lines and search text are code page 1251. Without MatchCase, Latin and
// Cyrillic letters match in either case whatever the collation settings
// say, since the viewed files are plain text in that code page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavo::reports {

enum class SearchDirection { kDown, kUp };

struct TextSearch {
  std::string SearchString;
  bool MatchCase = false;
  bool WholeWord = false;
  SearchDirection Direction = SearchDirection::kDown;
};

// The 1-based position of the first occurrence of search in line that the
// settings accept, 0 for none. With WholeWord an occurrence counts when a
// blank (or the start of the line) is before it and a blank (or the end of
// the line without its trailing blanks) is after it.
int32_t FindInLine(std::string_view line, const TextSearch& search);

// Asked on passing an end in direction; true (Yes) goes on from the other end.
using WrapQuestion = std::function<bool(SearchDirection direction)>;

// The 1-based line found, or 0. CurrentPointer is the highlighted line (0
// for none). An empty search text or an empty text finds nothing and asks
// nothing.
int32_t FindText(const std::vector<std::string>& lines, int32_t CurrentPointer,
                 const TextSearch& search, const WrapQuestion& ask_wrap);

// The question of FindText through standard warning 29.
bool AskWrapWithWarning(SearchDirection direction);

}  // namespace kavo::reports
