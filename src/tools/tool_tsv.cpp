#include "tools/tool_tsv.h"

namespace kavo::tool {

void AppendEscaped(std::string_view text, std::string* out) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out->append("\\\\");
        break;
      case '\t':
        out->append("\\t");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      default:
        out->push_back(c);
    }
  }
}

std::string Unescape(std::string_view cell) {
  std::string out;
  out.reserve(cell.size());
  for (std::size_t i = 0; i < cell.size(); ++i) {
    char c = cell[i];
    if (c == '\\' && i + 1 < cell.size()) {
      char next = cell[i + 1];
      char replaced = next == '\\'  ? '\\'
                      : next == 't' ? '\t'
                      : next == 'n' ? '\n'
                      : next == 'r' ? '\r'
                                    : 0;
      if (replaced != 0) {
        out.push_back(replaced);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::vector<std::string_view> SplitCells(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      cells.push_back(line.substr(start));
      return cells;
    }
    cells.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

}  // namespace kavo::tool
