#include "fault_file.h"

#include <cerrno>

namespace kavo::testing {
namespace {

constexpr uint64_t kSector = 512;

class FaultFile final : public File {
 public:
  FaultFile(FaultFileSystem* fs, std::string path, std::unique_ptr<File> base)
      : fs_(fs), path_(std::move(path)), base_(std::move(base)) {}

  Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override {
    return base_->Read(offset, buf, n, got);
  }
  Status Write(uint64_t offset, const void* buf, size_t n) override {
    if (fs_->Full(path_)) return Status::Os(ENOSPC);
    size_t tear = 0;
    if (fs_->Allow(offset < kSector ? 'h' : 'w', &tear)) {
      KAVO_RETURN_IF_ERROR(base_->Write(offset, buf, n));
      fs_->Changed(path_, offset, std::string(static_cast<const char*>(buf), n), false);
      return Status::OK();
    }
    // A device writes whole 512-byte sectors: a torn write ends on a sector
    // boundary of the file.
    uint64_t landed_end = (offset + std::min(tear, n)) / kSector * kSector;
    if (landed_end > offset) (void)base_->Write(offset, buf, landed_end - offset);
    return Status::Os(EIO);
  }
  Status Flush() override {
    size_t tear = 0;
    if (!fs_->Allow('f', &tear)) return Status::Os(EIO);
    KAVO_RETURN_IF_ERROR(base_->Flush());
    fs_->Flushed(path_);
    return Status::OK();
  }
  Status Size(uint64_t* size) override { return base_->Size(size); }
  Status Truncate(uint64_t size) override {
    size_t tear = 0;
    if (!fs_->Allow('w', &tear)) return Status::Os(EIO);
    KAVO_RETURN_IF_ERROR(base_->Truncate(size));
    fs_->Changed(path_, size, std::string(), true);
    return Status::OK();
  }
  Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) override {
    return base_->Lock(offset, length, exclusive, wait);
  }
  Status Unlock(uint64_t offset, uint64_t length) override { return base_->Unlock(offset, length); }

 private:
  FaultFileSystem* fs_;
  std::string path_;
  std::unique_ptr<File> base_;
};

}  // namespace

Status FaultFileSystem::Open(const std::string& path, OpenMode mode, bool create,
                             std::unique_ptr<File>* file) {
  bool existed = base_->Exists(path);
  std::unique_ptr<File> base;
  KAVO_RETURN_IF_ERROR(base_->Open(path, mode, create, &base));
  if (!existed || durable_.find(path) == durable_.end()) {
    durable_[path] = base_->Bytes(path);
    unflushed_.erase(path);
  }
  *file = std::make_unique<FaultFile>(this, path, std::move(base));
  return Status::OK();
}

Status FaultFileSystem::Remove(const std::string& path) {
  size_t tear = 0;
  if (!Allow('w', &tear)) return Status::Os(EIO);
  durable_.erase(path);
  unflushed_.erase(path);
  return base_->Remove(path);
}

Status FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  size_t tear = 0;
  if (!Allow('w', &tear)) return Status::Os(EIO);
  auto it = durable_.find(from);
  if (it != durable_.end()) {
    durable_[to] = it->second;
    durable_.erase(from);
  }
  unflushed_[to] = std::move(unflushed_[from]);
  unflushed_.erase(from);
  return base_->Rename(from, to);
}

bool FaultFileSystem::Allow(char kind, size_t* tear) {
  *tear = 0;
  if (crashed_) return false;
  int64_t call = calls_++;
  kinds_.push_back(kind);
  bool is_write = kind != 'f';
  if (!is_write) ++flushes_;
  if (call == fail_at_) return false;
  if (call != crash_at_) return true;
  crashed_ = true;
  if (is_write) *tear = tear_bytes_;
  if (crash_ != Crash::kProcess) PowerLoss();
  return false;
}

void FaultFileSystem::Changed(const std::string& path, uint64_t offset, std::string bytes,
                              bool truncate) {
  unflushed_[path].push_back({offset, std::move(bytes), truncate});
}

void FaultFileSystem::PowerLoss() {
  for (const auto& [path, bytes] : durable_) {
    if (!base_->Exists(path)) continue;
    std::string& now = base_->Bytes(path);
    now = bytes;
    if (crash_ == Crash::kPowerLoss) continue;
    // The changes the disk wrote out of order; the size follows the changes
    // that landed.
    for (const Change& c : unflushed_[path]) {
      bool header = !c.truncate && c.offset < kSector;
      if (header != (crash_ == Crash::kPowerLossHeaderOnly)) continue;
      if (c.truncate) {
        now.resize(c.offset);
        continue;
      }
      if (now.size() < c.offset + c.bytes.size()) now.resize(c.offset + c.bytes.size(), '\0');
      now.replace(c.offset, c.bytes.size(), c.bytes);
    }
  }
}

}  // namespace kavo::testing
