// kavo-tool: the command-line companion for people who keep a log. The
// dispatcher only picks the command; each command lives in its own file.
// Commands contributed by other parts of the program (eval, init) are wired
// in when their headers are part of the build.

#include <cstdio>
#include <cstring>

#include "tools/tool_commands.h"
#if __has_include("tools/eval_command.h")
#include "tools/eval_command.h"
#define KAVO_TOOL_HAS_EVAL 1
#endif
#if __has_include("tools/init_command.h")
#include "tools/init_command.h"
#define KAVO_TOOL_HAS_INIT 1
#endif

namespace {

// Contributed commands may declare their entry point in kavo, kavo::tool or
// the global namespace.
using namespace kavo;
using namespace kavo::tool;

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* usage;
};

const Command kCommands[] = {
    {"create", kavo::tool::RunCreateCommand,
     "create DIR              create the tables that may be created, empty, in DIR"},
    {"tables", kavo::tool::RunTablesCommand,
     "tables FILE             list the tables of a store file: name, number, rows, record length"},
    {"dump", kavo::tool::RunDumpCommand,
     "dump NAME [--key KEY]   print the rows as TSV, in record order or in a key's order"},
    {"load", kavo::tool::RunLoadCommand,
     "load NAME < rows.tsv    add the rows of a TSV text with a header line"},
    {"check", kavo::tool::RunCheckCommand,
     "check NAME              verify page tree, record order, counters and keys"},
    {"rebuild", kavo::tool::RunRebuildCommand, "rebuild NAME            rebuild the keys"},
#ifdef KAVO_TOOL_HAS_EVAL
    {"eval", RunEvalCommand,
     "eval ...                evaluate a filter expression (see eval --help)"},
#endif
#ifdef KAVO_TOOL_HAS_INIT
    {"init", RunInitCommand,
     "init DIR --callsign CALL [...]  create the tables and the station record"},
#endif
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
