// The one file interface under the record store, and the file system that
// opens such files. All container I/O goes through it, so that tests can put
// an in-memory or fault-injecting file under the store.
//
// Lock calls have open-file-description semantics: locks belong to the File
// object, two File objects of one path exclude each other even inside one
// process, and closing one File never drops the locks of another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "runtime/status.h"

namespace kavo {

class File {
 public:
  virtual ~File() = default;

  // Reads up to n bytes at offset; *got receives the count read (short at the
  // end of the file).
  virtual Status Read(uint64_t offset, void* buf, size_t n, size_t* got) = 0;
  // Writes all n bytes at offset; a short write is error 5.
  virtual Status Write(uint64_t offset, const void* buf, size_t n) = 0;
  // Makes every write so far durable: data only, or data and size when the
  // file's size changed since the last flush.
  virtual Status Flush() = 0;
  virtual Status Size(uint64_t* size) = 0;
  virtual Status Truncate(uint64_t size) = 0;
  // Byte-range locks. exclusive=false takes a shared (read) lock. With
  // wait=false a conflicting lock fails at once with error 32.
  virtual Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) = 0;
  virtual Status Unlock(uint64_t offset, uint64_t length) = 0;
  // Whether another instance holds a lock anywhere in the range, so that an
  // exclusive lock of it would not be granted. Takes no lock and never waits.
  // This one tries the exclusive lock and gives it back, so the range must
  // hold no lock of this instance; a file may answer without locking (and
  // then also when opened read-only).
  virtual Status Held(uint64_t offset, uint64_t length, bool* held) {
    Status st = Lock(offset, length, true, false);
    *held = st.code() == err::kFileLocked;
    if (st.ok()) return Unlock(offset, length);
    return *held ? Status::OK() : st;
  }
  // Whether the file begins with the n bytes at expected (false when it is
  // shorter). Asked without any lock before every read of a shared store
  // file, so a file may answer it faster than Read; this one reads and
  // compares.
  virtual Status StartsWith(const void* expected, size_t n, bool* same) {
    std::string buf(n, '\0');
    size_t got = 0;
    KAVO_RETURN_IF_ERROR(Read(0, buf.data(), n, &got));
    *same = got == n && std::memcmp(buf.data(), expected, n) == 0;
    return Status::OK();
  }
};

enum class OpenMode { kReadOnly, kReadWrite };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file, or creates an empty one when create is set.
  virtual Status Open(const std::string& path, OpenMode mode, bool create,
                      std::unique_ptr<File>* file) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  virtual Status Remove(const std::string& path) = 0;
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // The name the registry of open store files keys on (absolute where the
  // file system has such a notion).
  virtual std::string Canonical(const std::string& path) = 0;
  // Whether two names lead to one file: the same path written otherwise, a
  // link, or another name of the same file. This one compares canonical
  // names.
  virtual bool SameFile(const std::string& a, const std::string& b) {
    return Canonical(a) == Canonical(b);
  }
};

// The process's disk file system (POSIX).
FileSystem* DefaultFileSystem();

}  // namespace kavo
