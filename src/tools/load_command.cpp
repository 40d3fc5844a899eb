// kavo-tool load [--transaction] [--truncate] NAME < rows.tsv: adds the rows
// of a TSV text whose header line names the columns (stored field names;
// columns left out stay blank or zero). A row that fails (a bad cell, a text
// longer than its field, a duplicate on a unique key) is reported with its
// line number and skipped; the other rows are added, and the exit code is 1
// when any row failed. With --truncate a text longer than its field is cut
// to it instead, and the cells cut are counted. A failure of the store
// itself ends the load. With --transaction the rows are added in one
// transaction (LOGOUT/COMMIT): a row that fails rolls the whole load back.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/errors.h"
#include "store/store_transaction.h"
#include "tool_commands.h"
#include "tool_common.h"
#include "tools/tool_columns.h"
#include "tools/tool_tsv.h"

namespace kavo::tool {
namespace {

// A transaction begins without waiting for another process's writer; the
// tool waits a while, as a stream does, before it gives up.
Status LogoutWaiting(Table& table) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    Status st = Logout(table);
    if (st.code() != err::kFileLocked || std::chrono::steady_clock::now() >= deadline) return st;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool ReadAll(std::FILE* in, std::string* text) {
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text->append(buf, n);
  return std::ferror(in) == 0;
}

// The next line of text from *pos, without its line end (LF or CR LF).
bool NextLine(std::string_view text, std::size_t* pos, std::string_view* line) {
  if (*pos >= text.size()) return false;
  std::size_t end = text.find('\n', *pos);
  if (end == std::string_view::npos) end = text.size();
  *line = text.substr(*pos, end - *pos);
  if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
  *pos = end + 1;
  return true;
}

void RowError(long line, std::string_view message) {
  std::string text = "line " + std::to_string(line) + ": " + std::string(message) + "\n";
  std::fputs(text.c_str(), stderr);
}

}  // namespace

int RunLoadCommand(int argc, char** argv) {
  bool transaction = false;
  CellOptions options;
  std::string name;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--transaction") {
      transaction = true;
    } else if (arg == "--truncate") {
      options.truncate = true;
    } else if (name.empty() && arg.rfind("--", 0) != 0) {
      name = arg;
    } else {
      name.clear();
      break;
    }
  }
  if (name.empty()) {
    return ReportError("usage: kavo-tool load [--transaction] [--truncate] NAME < rows.tsv", 2);
  }
  std::string text;
  if (!ReadAll(stdin, &text)) return ReportError("cannot read the rows from standard input");

  Table table;
  Status st = OpenStored(name, true, &table);
  if (!st.ok()) return ReportFailure(name, st);
  const TableDef& def = table.def();

  std::size_t pos = 0;
  std::string_view header;
  if (!NextLine(text, &pos, &header) || header.empty()) {
    return ReportError("line 1: the header line of field names is missing");
  }
  std::vector<Column> all = TableColumns(def);
  std::vector<Column> columns;
  for (std::string_view cell : SplitCells(header)) {
    const Column* match = nullptr;
    for (const Column& c : all) {
      if (NameEquals(c.name, cell)) match = &c;
    }
    if (match == nullptr)
      return ReportError("line 1: " + def.label + " has no field " + std::string(cell));
    for (const Column& c : columns) {
      if (c.name == match->name) return ReportError("line 1: field " + c.name + " named twice");
    }
    columns.push_back(*match);
  }

  st = transaction ? LogoutWaiting(table) : table.Stream();
  if (!st.ok()) return ReportFailure(name, st);
  long line_number = 1;
  long added = 0;
  long failed = 0;
  long cut_cells = 0;
  std::string_view line;
  std::vector<std::string> memos(def.memos.size());
  while (NextLine(text, &pos, &line)) {
    ++line_number;
    if (line.empty()) continue;
    std::vector<std::string_view> cells = SplitCells(line);
    if (cells.size() != columns.size()) {
      RowError(line_number, std::to_string(cells.size()) + " cells where the header names " +
                                std::to_string(columns.size()));
      ++failed;
      continue;
    }
    table.ClearRecord();
    for (std::size_t m = 0; m < memos.size(); ++m) memos[m].clear();
    std::string problem;
    long cut_in_row = 0;
    for (std::size_t i = 0; i < cells.size() && problem.empty(); ++i) {
      bool cut = false;
      problem = StoreCell(def, columns[i], cells[i], options, table.record(), &memos, &cut);
      if (!problem.empty()) problem = columns[i].name + ": " + problem;
      cut_in_row += cut;
    }
    if (!problem.empty()) {
      RowError(line_number, problem);
      ++failed;
      continue;
    }
    for (std::size_t m = 0; m < memos.size(); ++m) table.memo(static_cast<int>(m)) = memos[m];
    st = table.Add();
    if (st.code() == err::kDuplicateKey) {
      RowError(line_number, StatusText(st));
      ++failed;
      continue;
    }
    if (!st.ok()) {
      RowError(line_number, StatusText(st));
      return ReportError("load stopped; rows before line " + std::to_string(line_number) +
                         " may not have been saved");
    }
    ++added;
    cut_cells += cut_in_row;
  }
  if (transaction && failed > 0) {
    (void)RollbackTransaction();
    std::fputs("rolled back: no rows added\n", stderr);
    return 1;
  }
  st = transaction ? CommitTransaction() : table.Flush();
  if (!st.ok()) return ReportFailure(name, st);
  std::string summary =
      "added " + std::to_string(added) + " rows, " + std::to_string(failed) + " failed";
  if (options.truncate) summary += ", " + std::to_string(cut_cells) + " cells cut to their fields";
  summary += "\n";
  std::fputs(summary.c_str(), stderr);
  return failed == 0 ? 0 : 1;
}

}  // namespace kavo::tool
