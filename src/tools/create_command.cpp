// kavo-tool create DIR: creates, empty, every table of the dictionary that
// carries CREATE, under its disk name in DIR. A file that already exists is
// left alone, since creating a table over it would empty it.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "data/dict_tables.h"
#include "store/file.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace kavo::tool {

int RunCreateCommand(int argc, char** argv) {
  if (argc != 2) return ReportError("usage: kavo-tool create DIR", 2);
  std::string dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    return ReportError(dir + ": not a directory that can be written");
  }
  int status = 0;
  for (const TableDef* def : dict::AllTables()) {
    if (!def->has(kTableCreate)) continue;
    std::string name = dir + "/" + def->disk_name;
    TableName parsed = ParseTableName(name);
    if (DefaultFileSystem()->Exists(parsed.file)) {
      std::printf("exists\t%s\t%s\n", def->label.c_str(), parsed.file.c_str());
      continue;
    }
    Status st = Table::Create(name, *def);
    if (!st.ok()) {
      status = ReportFailure(parsed.file, st);
      continue;
    }
    std::printf("created\t%s\t%s\n", def->label.c_str(), parsed.file.c_str());
  }
  return status;
}

}  // namespace kavo::tool
