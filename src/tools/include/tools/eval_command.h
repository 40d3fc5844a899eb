// kavo-tool eval EXPR [--bind NAME=VALUE]...: evaluates a filter expression
// as EVALUATE does and prints its value. A bound VALUE in single quotes is a
// string ('' inside standing for one quote), one without a point an integer,
// any other a real. Text is UTF-8 on the command line and code page 1251
// inside. On failure it prints the error code and message and exits 1.
//
// Also the row filter of `kavo-tool dump NAME --filter EXPR`: the table's
// fields bound under their names, the expression compiled once over the
// record buffer and tested for every row read into it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "expr/expr_view.h"
#include "runtime/table_def.h"

namespace kavo::tool {

// argv[0] is the command's own name ("eval"), as the dispatcher passes it.
// Returns 0 done, 1 the expression failed, 2 wrong arguments.
int RunEvalCommand(int argc, char** argv);

// Compiles a UTF-8 filter text over `record` (the buffer the table reads
// rows into). nullptr on failure, with "error N: message (detail)" in *error.
std::unique_ptr<expr::RecordFilter> CompileRowFilter(const TableDef& def, const uint8_t* record,
                                                     std::string_view utf8_text,
                                                     std::string* error);

}  // namespace kavo::tool
