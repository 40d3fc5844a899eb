// kavo-tool import DIR FILE [--dry-run] [--truncate] [--replace] and
// kavo-tool export DIR FILE [--from YYYY-MM-DD --to YYYY-MM-DD]: the log of
// the working directory DIR to and from an ADIF file, .adi or .adx by the
// file's extension. Import creates the log and the country table in DIR when
// they are missing, so that a log can be brought into an empty directory.
#pragma once

namespace kavo::tool {

// argv[0] is the command's own name. Return 0 done, 1 failed or records
// refused (the reason on standard error), 2 wrong arguments.
int RunImportCommand(int argc, char** argv);
int RunExportCommand(int argc, char** argv);

}  // namespace kavo::tool
