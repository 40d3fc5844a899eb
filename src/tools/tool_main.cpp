// kavo-tool: the command-line companion for people who keep a log. The
// dispatcher only picks the command; each command lives in its own file.
// Commands contributed by other parts of the program live in their own
// libraries, linked in by src/tools/CMakeLists.txt.

#include <cstdio>
#include <cstring>

#include "tool_commands.h"
#include "tools/adif_command.h"
#include "tools/eval_command.h"
#include "tools/init_command.h"
#include "tools/seed_dxcc_command.h"

namespace {

using namespace kavo::tool;

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* usage;
};

const Command kCommands[] = {
    {"create", RunCreateCommand,
     "create DIR              create the tables that may be created, empty, in DIR"},
    {"tables", RunTablesCommand,
     "tables FILE             list the tables of a store file: name, number, rows, record length"},
    {"dump", RunDumpCommand,
     "dump NAME [--key KEY] [--filter EXPR] [--raw]\n"
     "                          print the rows as TSV, in record order or in a key's order,\n"
     "                          only those that pass the filter expression; dates as\n"
     "                          YYYY-MM-DD, times as HH:MM:SS.cc (--raw: their numbers)"},
    {"load", RunLoadCommand,
     "load [--transaction] [--truncate] NAME < rows.tsv\n"
     "                          add the rows of a TSV text with a header line\n"
     "                          (--transaction: all rows in one transaction, or none;\n"
     "                          --truncate: cut texts too long for their fields)"},
    {"check", RunCheckCommand,
     "check NAME              verify page tree, record order, counters and keys"},
    {"rebuild", RunRebuildCommand, "rebuild NAME            rebuild the keys"},
    {"eval", RunEvalCommand, "eval EXPR [--bind NAME=VALUE]...  evaluate a filter expression"},
    {"init", RunInitCommand,
     "init DIR --callsign CALL [--name N] [--surname S] [--qth Q] [--locator L] [--gmt H]\n"
     "         [--cty FILE]\n"
     "                          create the tables and the station record in DIR, and fill\n"
     "                          an empty country table from FILE (default: hamradio-files)"},
    {"seed-dxcc", RunSeedDxccCommand,
     "seed-dxcc DIR [--from FILE]\n"
     "                          add the countries of a cty.csv file whose prefix the\n"
     "                          country table lacks; rows already there are kept"},
    {"import", RunImportCommand,
     "import DIR FILE [--dry-run] [--truncate] [--replace]\n"
     "                          add the contacts of an ADIF file (.adi or .adx) to the log in\n"
     "                          DIR, all or none; a report names what was refused"},
    {"export", RunExportCommand,
     "export DIR FILE [--from YYYY-MM-DD --to YYYY-MM-DD]\n"
     "                          write the log in DIR, or one period of it, as an ADIF file"},
};

void PrintUsage(std::FILE* out) {
  std::fputs("usage: kavo-tool COMMAND ARGS\n", out);
  for (const Command& c : kCommands) std::fprintf(out, "  kavo-tool %s\n", c.usage);
  std::fputs(
      "NAME is a table name as the store takes it: DIR/AAAA opens DIR/AAAA.VTF.\n"
      "Text is UTF-8; TSV cells escape \\\\, tab, line feed and carriage return as \\\\, \\t, "
      "\\n, \\r.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "kavo-tool: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
