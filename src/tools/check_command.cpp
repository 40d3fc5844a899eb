// kavo-tool check NAME: verifies one table of a store file without changing
// it: the whole page tree of the file (levels, separators, record order,
// page sizes against their regions), then the table itself (its row
// counter, and every kept key holding exactly the entries its rows produce,
// with a matching counter and nothing left for a build). Problems are
// listed on standard output; the exit code is 0 when the table is sound, 1
// when it is not.

#include <cstdio>
#include <string>
#include <vector>

#include "store/store_file.h"
#include "store/verify.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace kavo::tool {

int RunCheckCommand(int argc, char** argv) {
  if (argc != 2) return ReportError("usage: kavo-tool check NAME", 2);
  std::string name = argv[1];
  Table table;
  Status st = OpenStored(name, false, &table);
  if (!st.ok()) return ReportFailure(name, st);

  TreeReport tree;
  st = VerifyTree(*table.store(), &tree);
  if (!st.ok()) return ReportFailure(name, st);
  std::vector<std::string> problems;
  for (const std::string& p : tree.problems) problems.push_back("page tree: " + p);
  std::vector<std::string> table_problems;
  st = table.Verify(&table_problems);
  if (!st.ok()) return ReportFailure(name, st);
  problems.insert(problems.end(), table_problems.begin(), table_problems.end());

  for (const std::string& p : problems) std::printf("%s\n", p.c_str());
  if (!problems.empty()) {
    std::printf("%s: NOT SOUND, %zu problems\n", table.Name().c_str(), problems.size());
    return 1;
  }
  uint32_t rows = 0;
  st = table.Records(&rows);
  if (!st.ok()) return ReportFailure(name, st);
  std::printf("%s: sound, %u rows, %zu keys, %zu pages in a tree of %d levels\n",
              table.Name().c_str(), rows, table.def().keys.size(), tree.pages, tree.depth);
  return 0;
}

}  // namespace kavo::tool
