// kavo-tool dump NAME [--key KEY] [--filter EXPR] [--raw]: the table's rows
// as TSV under a header line of the stored field names, in record order or
// in the order of the named key (rows that an optional key leaves out are
// not listed then), only those that pass the filter expression when one is
// given (the table's fields bound under their stored names). Dates and times
// are written as people read them, or as their stored numbers with --raw.

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "runtime/errors.h"
#include "tool_commands.h"
#include "tool_common.h"
#include "tools/eval_command.h"
#include "tools/tool_columns.h"

namespace kavo::tool {
namespace {

// Where the current row stands in the walk's order: its record number in
// record order; its key value, then its record number, in a key's order.
std::string OrderOf(const Table& table, int key) {
  if (key < 0) return table.Position();
  std::string position = table.Position(key);
  return position.substr(4) + position.substr(0, 4);
}

}  // namespace

int RunDumpCommand(int argc, char** argv) {
  std::string name;
  std::string key_name;
  std::string filter_text;
  bool filtered = false;
  CellOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--raw") {
      options.raw = true;
    } else if (arg == "--key" && i + 1 < argc) {
      key_name = argv[++i];
    } else if (arg == "--filter" && i + 1 < argc) {
      filter_text = argv[++i];
      filtered = true;
    } else if (name.empty() && arg.rfind("--", 0) != 0) {
      name = arg;
    } else {
      name.clear();
      break;
    }
  }
  if (name.empty()) {
    return ReportError("usage: kavo-tool dump NAME [--key KEY] [--filter EXPR] [--raw]", 2);
  }

  Table table;
  Status st = OpenStored(name, false, &table);
  if (!st.ok()) return ReportFailure(name, st);
  const TableDef& def = table.def();
  std::unique_ptr<expr::RecordFilter> filter;
  if (filtered) {
    std::string error;
    filter = CompileRowFilter(def, table.record(), filter_text, &error);
    if (filter == nullptr) return ReportError(name + ": --filter: " + error);
  }
  int key = -1;
  if (key_name.empty()) {
    st = table.Set();
  } else {
    key = def.FindKey(key_name);
    if (key < 0) return ReportError(name + ": no key named " + key_name);
    st = table.SetKey(key);
  }
  if (!st.ok()) return ReportFailure(name, st);

  std::vector<Column> columns = TableColumns(def);
  std::vector<std::string> memos(def.memos.size());
  std::string out;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) out.push_back('\t');
    out.append(columns[i].name);
  }
  out.push_back('\n');
  std::string previous;
  for (;;) {
    st = table.Next();
    if (st.code() == err::kRecordNotAvailable) break;
    if (!st.ok()) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      return ReportFailure(name, st);
    }
    // A damaged page tree could lead a walk back to rows already listed;
    // the walk must only ever move forward.
    std::string at = OrderOf(table, key);
    if (!previous.empty() && !(previous < at)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      return ReportError(name + ": rows out of order, the file is damaged (see kavo-tool check)");
    }
    previous = std::move(at);
    if (filter != nullptr && !filter->Matches()) continue;
    for (std::size_t m = 0; m < memos.size(); ++m) memos[m] = table.memo(static_cast<int>(m));
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) out.push_back('\t');
      AppendCell(def, columns[i], table.record(), memos, options, &out);
    }
    out.push_back('\n');
    if (out.size() > (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : ReportError("cannot write the output");
}

}  // namespace kavo::tool
