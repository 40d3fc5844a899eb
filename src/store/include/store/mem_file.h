// An in-memory file system for tests. Files live as long as the MemFileSystem;
// several File objects of one name share its bytes, as on disk. Locks are
// kept per File object and conflict between objects as OFD locks do.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/file.h"

namespace kavo {

class MemFileSystem final : public FileSystem {
 public:
  struct Node;

  MemFileSystem();
  ~MemFileSystem() override;

  Status Open(const std::string& path, OpenMode mode, bool create,
              std::unique_ptr<File>* file) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  Status Remove(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  std::string Canonical(const std::string& path) override { return path; }

  // Direct access for tests that build or damage files.
  std::string& Bytes(const std::string& path);
  void Mkdir(const std::string& path);

 private:
  std::map<std::string, std::shared_ptr<Node>> files_;
  std::vector<std::string> dirs_;
};

}  // namespace kavo
