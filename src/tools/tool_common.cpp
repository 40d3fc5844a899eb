#include "tool_common.h"

#include <cstdio>

#include "runtime/errors.h"

namespace kavo::tool {

std::string StatusText(const Status& st) {
  std::string text = ErrorText(st.code()) + " (" + std::to_string(st.code()) + ")";
  if (st.is_check()) {
    text += ", check " + std::to_string(st.check());
  } else if (!st.detail().empty()) {
    text += ": " + st.detail();
  }
  return text;
}

int ReportFailure(std::string_view subject, const Status& st) {
  std::string line = "kavo-tool: " + std::string(subject) + ": " + StatusText(st) + "\n";
  std::fputs(line.c_str(), stderr);
  return 1;
}

int ReportError(std::string_view message, int code) {
  std::string line = "kavo-tool: " + std::string(message) + "\n";
  std::fputs(line.c_str(), stderr);
  return code;
}

Status OpenStored(std::string_view name, bool write, Table* table) {
  OpenOptions opt;
  opt.mode = write ? OpenMode::kReadWrite : OpenMode::kReadOnly;
  // Shared like the program's own opens, so that the tool takes the locks
  // and may run while the logbook has the file open.
  opt.share = ShareMode::kDenyNone;
  return table->Open(name, nullptr, opt);
}

}  // namespace kavo::tool
