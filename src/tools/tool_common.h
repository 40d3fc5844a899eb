// What every kavo-tool command shares: how a store failure is reported and
// how a table is opened with the definition stored in its file.
#pragma once

#include <string>
#include <string_view>

#include "runtime/status.h"
#include "store/table.h"

namespace kavo::tool {

// "Creates Duplicate Key (40)"; a consistency failure adds its check number:
// "File System Error (90), check 305".
std::string StatusText(const Status& st);

// Prints "kavo-tool: <subject>: <status text>" on standard error; returns 1.
int ReportFailure(std::string_view subject, const Status& st);

// Prints "kavo-tool: <message>" on standard error; returns the code.
int ReportError(std::string_view message, int code = 1);

// Opens NAME with its stored definition, without sharing it with writers when
// write is set (the tool's changes are whole-table batches).
Status OpenStored(std::string_view name, bool write, Table* table);

}  // namespace kavo::tool
