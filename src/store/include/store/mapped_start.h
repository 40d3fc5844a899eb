// A read-only shared mapping of the first page of a file, through which the
// record store compares a store file's header at the start of every read
// without a system call.
//
// A shared mapping shows every write to the file at once (the mapping and
// pread both read the one page cache), so comparing through it is the same
// as reading the bytes. The hazard is a file cut short to nothing by
// someone else: touching a page that lies wholly beyond the end of the file
// raises SIGBUS. The comparison therefore runs under a guard: a SIGBUS
// handler, installed once, returns a fault inside the guard to the guard's
// caller as "not equal" (and passes any other SIGBUS on to the handler that
// was there before, or to the default action). A file shorter than the page
// but not empty reads as zeros beyond its end, which no header equals.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavo {

class MappedStart {
 public:
  static constexpr size_t kBytes = 4096;

  MappedStart() = default;
  ~MappedStart();
  MappedStart(const MappedStart&) = delete;
  MappedStart& operator=(const MappedStart&) = delete;

  // Maps the first kBytes of fd. False (and nothing mapped) when the file is
  // shorter than min_size, or the system cannot map it or guard the mapping.
  bool Map(int fd, size_t min_size);
  bool mapped() const { return start_ != nullptr; }
  // Whether the first n bytes (n <= kBytes) equal expected. False when they
  // differ or the mapped page is gone because the file was cut short.
  bool Equals(const void* expected, size_t n) const;

 private:
  void* start_ = nullptr;
};

}  // namespace kavo
