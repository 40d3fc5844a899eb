// kavo-tool tables FILE: one line per table of a store file, in the order of
// the tables' name records: name, table number, rows, record length.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "store/format.h"
#include "store/store_file.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace kavo::tool {
namespace {

struct NamedTable {
  std::string name;
  std::uint32_t number;
};

// The table-name records of the file: key part 0xFE and the name, data part
// the table number.
Status ListTables(StoreFile* store, std::vector<NamedTable>* tables) {
  KAVO_RETURN_IF_ERROR(store->Begin(false));
  std::string at(1, static_cast<char>(fmt::kKindName));
  Status st;
  for (;;) {
    Record r;
    bool found = false;
    st = store->Find(at, SeekMode::kAfter, &r, &found);
    if (!st.ok() || !found) break;
    std::string_view key = r.key();
    if (key.empty() || static_cast<std::uint8_t>(key[0]) != fmt::kKindName) break;
    if (r.data().size() >= 4) {
      tables->push_back({std::string(key.substr(1)), fmt::GetBE32(fmt::U8(r.data()))});
    }
    at = std::string(key);
  }
  return store->End(st);
}

}  // namespace

int RunTablesCommand(int argc, char** argv) {
  if (argc != 2) return ReportError("usage: kavo-tool tables FILE", 2);
  TableName parsed = ParseTableName(argv[1]);
  OpenOptions opt;
  opt.mode = OpenMode::kReadOnly;
  std::vector<NamedTable> tables;
  {
    std::shared_ptr<StoreFile> store;
    Status st = StoreFile::Acquire(DefaultFileSystem(), parsed.file, opt, false, &store);
    if (st.ok()) st = ListTables(store.get(), &tables);
    if (!st.ok()) return ReportFailure(parsed.file, st);
  }
  int status = 0;
  for (const NamedTable& t : tables) {
    Table table;
    uint32_t rows = 0;
    std::string name = parsed.file + "\\!" + t.name;
    Status st = table.Open(name, nullptr, opt);
    if (st.ok()) st = table.Records(&rows);
    if (!st.ok()) {
      status = ReportFailure(name, st);
      continue;
    }
    std::printf("%s\t%u\t%u\t%zu\n", t.name.c_str(), t.number, rows, table.record_length());
  }
  return status;
}

}  // namespace kavo::tool
