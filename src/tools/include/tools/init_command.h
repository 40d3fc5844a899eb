// kavo-tool init DIR --callsign CALL [--name N] [--surname S] [--qth Q]
// [--locator L] [--gmt H] [--cty FILE]: prepares a working directory for a
// new station. It creates, empty, every table the program may create (as
// `kavo-tool create` does) and the SETUP file with one station record, which
// the program itself never creates, and fills an empty country table from
// the country file (dxcc_seed.h; default Debian's hamradio-files copy; when
// the file is missing the table stays empty and init says so). Existing
// files are left as they are: a directory that already has a SETUP file
// keeps its station record, a country table with rows keeps them.
//
// Text arguments are UTF-8 and are stored in code page 1251; a value longer
// than its field is refused rather than cut.
#pragma once

namespace kavo::tool {

// argv[0] is the command's own name ("init"). Returns 0 done, 1 failed (the
// reason on standard error), 2 wrong arguments.
int RunInitCommand(int argc, char** argv);

}  // namespace kavo::tool
