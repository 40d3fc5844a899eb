// `kavo print ...`: the program's entry for printing a report to PDF without
// a window (reports/print_command.h), with the program's PDF writer and
// fonts.
#pragma once

namespace kavo {

// argv[1] is "print". Returns the exit status.
int PrintMain(int argc, char** argv);

}  // namespace kavo
