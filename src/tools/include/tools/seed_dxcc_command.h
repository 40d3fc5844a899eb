// kavo-tool seed-dxcc DIR [--from FILE]: adds to the country table of DIR a
// row for every two-character prefix it lacks, from a country file in the
// cty.csv format (default: Debian's hamradio-files copy). Rows already in
// the table are never changed. See dxcc_seed.h for the rows it makes.
#pragma once

namespace kavo::tool {

// argv[0] is the command's own name. Returns 0 done, 1 failed (the reason
// on standard error), 2 wrong arguments.
int RunSeedDxccCommand(int argc, char** argv);

}  // namespace kavo::tool
