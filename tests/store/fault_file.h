// A file system for crash tests: it wraps an in-memory file system and counts
// every call that changes a file (write, truncate) or makes it durable
// (flush), across all files. At a chosen call the "process stops": that call
// and every later one changes nothing and fails, optionally after tearing the
// stopped write to a prefix of its bytes (ending on a 512-byte sector
// boundary of the file, as a disk writes whole sectors). With power loss, each file also
// falls back to its bytes at its last flush; or, as a disk that writes its
// cache out in its own order, keeps only some of the changes since: those
// outside its first sector (the header of a store file), or those inside it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/file.h"
#include "store/mem_file.h"

namespace kavo::testing {

class FaultFileSystem final : public FileSystem {
 public:
  enum class Crash { kProcess, kPowerLoss, kPowerLossHeaderLost, kPowerLossHeaderOnly };

  explicit FaultFileSystem(MemFileSystem* base) : base_(base) {}

  // Stops at call number `at` (0-based; negative: never). A torn write keeps
  // its first tear_bytes bytes (0: the write is lost whole).
  void Arm(int64_t at, Crash crash = Crash::kProcess, size_t tear_bytes = 0) {
    crash_at_ = at;
    crash_ = crash;
    tear_bytes_ = tear_bytes;
  }
  // Fails call number `at` alone (a write changes nothing); later calls go
  // ahead, as after a passing disk error.
  void FailOnce(int64_t at) { fail_at_ = at; }
  // From now on every write to path fails as on a full disk (reads and the
  // other files go on).
  void FillUp(const std::string& path) { full_path_ = path; }
  bool Full(const std::string& path) const { return !full_path_.empty() && path == full_path_; }
  int64_t calls() const { return calls_; }
  // The kind of every call so far: 'h' a write to the first sector, 'w'
  // another change, 'f' a flush.
  const std::string& kinds() const { return kinds_; }
  int64_t flushes() const { return flushes_; }
  bool crashed() const { return crashed_; }

  Status Open(const std::string& path, OpenMode mode, bool create,
              std::unique_ptr<File>* file) override;
  bool Exists(const std::string& path) override { return base_->Exists(path); }
  bool IsDirectory(const std::string& path) override { return base_->IsDirectory(path); }
  Status Remove(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  std::string Canonical(const std::string& path) override { return base_->Canonical(path); }

  // Called by the files: whether this call may go ahead. On the crash call
  // *tear receives how many bytes of a write still land.
  bool Allow(char kind, size_t* tear);
  void Flushed(const std::string& path) {
    durable_[path] = base_->Bytes(path);
    unflushed_.erase(path);
  }
  // A change that went ahead, for the power losses that keep some of them.
  void Changed(const std::string& path, uint64_t offset, std::string bytes, bool truncate);

 private:
  struct Change {
    uint64_t offset;  // or the new size of a truncate
    std::string bytes;
    bool truncate;
  };
  void PowerLoss();

  MemFileSystem* base_;
  int64_t crash_at_ = -1;
  int64_t fail_at_ = -1;
  Crash crash_ = Crash::kProcess;
  size_t tear_bytes_ = 0;
  int64_t calls_ = 0;
  int64_t flushes_ = 0;
  bool crashed_ = false;
  std::map<std::string, std::string> durable_;
  std::map<std::string, std::vector<Change>> unflushed_;
  std::string full_path_;
  std::string kinds_;
};

}  // namespace kavo::testing
