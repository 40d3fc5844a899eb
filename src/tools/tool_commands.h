// The commands of kavo-tool. Each takes the arguments after the program name
// (argv[0] is the command's own name) and returns the process exit code:
// 0 done, 1 failed (the reason on standard error), 2 wrong arguments.
#pragma once

namespace kavo::tool {

int RunCreateCommand(int argc, char** argv);
int RunTablesCommand(int argc, char** argv);
int RunDumpCommand(int argc, char** argv);
int RunLoadCommand(int argc, char** argv);
int RunCheckCommand(int argc, char** argv);
int RunRebuildCommand(int argc, char** argv);

}  // namespace kavo::tool
