// File and FileSystem on POSIX descriptors. Locks use F_OFD_SETLK and
// F_OFD_SETLKW so that they belong to the open file description.
#pragma once

#include "store/file.h"

namespace kavo {

class PosixFileSystem final : public FileSystem {
 public:
  Status Open(const std::string& path, OpenMode mode, bool create,
              std::unique_ptr<File>* file) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  Status Remove(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  std::string Canonical(const std::string& path) override;
  // Compares device and inode, so hard links count as the same file.
  bool SameFile(const std::string& a, const std::string& b) override;
};

}  // namespace kavo
