// kavo-tool rebuild NAME: rebuilds every key of the table from its rows, with
// the process's current character tables (a full build).

#include <cstdio>
#include <string>

#include "tool_commands.h"
#include "tool_common.h"

namespace kavo::tool {

int RunRebuildCommand(int argc, char** argv) {
  if (argc != 2) return ReportError("usage: kavo-tool rebuild NAME", 2);
  std::string name = argv[1];
  Table table;
  Status st = OpenStored(name, true, &table);
  if (!st.ok()) return ReportFailure(name, st);
  table.Send("FULLBUILD=ON");
  st = table.Build();
  if (!st.ok()) return ReportFailure(name, st);
  uint32_t rows = 0;
  st = table.Records(&rows);
  if (!st.ok()) return ReportFailure(name, st);
  std::printf("rebuilt %zu keys over %u rows\n", table.def().keys.size(), rows);
  return 0;
}

}  // namespace kavo::tool
