// The result of a record-store operation: an error code (errors.h) and, for
// internal consistency failures (code 90), the check number that names the
// failed test. Success carries nothing and is cheap to copy and return.
#pragma once

#include <string>
#include <utility>

#include "runtime/errors.h"

namespace kavo {

class [[nodiscard]] Status {
 public:
  Status() = default;

  static Status OK() { return Status(); }
  static Status Error(int code, std::string detail = {}) {
    return Status(code, 0, std::move(detail));
  }
  // An internal consistency failure: error 90 whose detail is the check number.
  static Status Check(int check) { return Status(err::kFileSystemError, check, {}); }
  // Internal to the record store: a read begun without the file's lock found
  // that a commit replaced the state it was reading, and must be run again
  // from its start. Never returned by a public operation.
  static Status Restart() { return Status(kRestartCode, 0, {}); }
  bool is_restart() const { return code_ == kRestartCode; }
  // An operating-system failure with its errno value.
  static Status Os(int errno_value, OsAccess access = OsAccess::kRead) {
    return Status(OsErrorCode(errno_value, access), 0, {});
  }

  bool ok() const { return code_ == 0; }
  int code() const { return code_; }
  int check() const { return check_; }
  bool is_check() const { return check_ != 0; }
  // The detail text: the check number in decimal for consistency failures.
  std::string detail() const { return check_ != 0 ? std::to_string(check_) : detail_; }

 private:
  Status(int code, int check, std::string detail)
      : code_(code), check_(check), detail_(std::move(detail)) {}

  static constexpr int kRestartCode = -1;

  int code_ = 0;
  int check_ = 0;
  std::string detail_;
};

#define KAVO_RETURN_IF_ERROR(expr) \
  do {                             \
    ::kavo::Status _st = (expr);   \
    if (!_st.ok()) return _st;     \
  } while (0)

}  // namespace kavo
