// Share modes between processes. An open store file says what it does
// (reads, and writes unless opened read-only) and what it denies others
// (reading, writing, both or nothing); an open that would deny what another
// process's open does, or do what another open denies, is refused with
// error 5, as a sharing violation is.
//
// Each open instance holds shared locks on one byte per thing it does and
// one per thing it denies, far beyond the data and the other lock bytes
// (locks.h). A new open tests the bytes it conflicts with and then takes its
// own, inside a gate byte that keeps two opens from testing at once. The
// kernel drops the bytes with the instance, so a process that dies leaves no
// share behind.
//
// Within one process every open of a file shares one instance (store_file.h),
// whose share is that of the open that made it.
#pragma once

#include "store/file.h"

namespace kavo {

struct ShareRequest {
  bool write = false;  // opened for reading and writing, not read-only
  bool deny_read = false;
  bool deny_write = false;
};

// Takes the share bytes of a newly opened instance. REQUIRES: file holds no
// lock yet.
Status TakeShare(File* file, const ShareRequest& request);

}  // namespace kavo
