// The tab-separated text kavo-tool reads and writes: one line per row, cells
// separated by tabs, a header line of field names first. Text cells escape
// the four bytes that would break the layout: backslash as "\\", tab as
// "\t", line feed as "\n" and carriage return as "\r"; any other backslash
// sequence is kept as it stands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavo::tool {

// Appends text with the escapes above.
void AppendEscaped(std::string_view text, std::string* out);

// Undoes AppendEscaped.
std::string Unescape(std::string_view cell);

// Splits a line (without its line end) at the tabs.
std::vector<std::string_view> SplitCells(std::string_view line);

}  // namespace kavo::tool
