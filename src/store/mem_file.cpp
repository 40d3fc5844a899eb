#include "store/mem_file.h"

#include <algorithm>
#include <cstring>

namespace kavo {

struct MemFileSystem::Node {
  std::string bytes;
  struct Range {
    const void* owner;
    uint64_t offset;
    uint64_t length;
    bool exclusive;
  };
  std::vector<Range> locks;

  bool Conflicts(const void* owner, uint64_t offset, uint64_t length, bool exclusive) const {
    for (const Range& r : locks) {
      if (r.owner == owner) continue;
      bool overlap = r.offset < offset + length && offset < r.offset + r.length;
      if (overlap && (exclusive || r.exclusive)) return true;
    }
    return false;
  }
  void Drop(const void* owner, uint64_t offset, uint64_t length) {
    std::vector<Range> kept;
    for (const Range& r : locks) {
      if (r.owner != owner || r.offset + r.length <= offset || offset + length <= r.offset) {
        kept.push_back(r);
        continue;
      }
      if (r.offset < offset) kept.push_back({owner, r.offset, offset - r.offset, r.exclusive});
      if (r.offset + r.length > offset + length)
        kept.push_back(
            {owner, offset + length, r.offset + r.length - offset - length, r.exclusive});
    }
    locks.swap(kept);
  }
};

namespace {

class MemFile final : public File {
 public:
  MemFile(std::shared_ptr<MemFileSystem::Node> node, bool read_only)
      : node_(std::move(node)), read_only_(read_only) {}
  ~MemFile() override { node_->Drop(this, 0, UINT64_MAX); }

  Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override {
    const std::string& b = node_->bytes;
    size_t avail = offset >= b.size() ? 0 : std::min<uint64_t>(n, b.size() - offset);
    if (avail > 0) std::memcpy(buf, b.data() + offset, avail);
    *got = avail;
    return Status::OK();
  }
  Status Write(uint64_t offset, const void* buf, size_t n) override {
    if (read_only_) return Status::Error(err::kAccessDenied);
    std::string& b = node_->bytes;
    if (offset + n > b.size()) b.resize(offset + n, '\0');
    if (n > 0) std::memcpy(b.data() + offset, buf, n);
    return Status::OK();
  }
  Status Flush() override { return Status::OK(); }
  Status Size(uint64_t* size) override {
    *size = node_->bytes.size();
    return Status::OK();
  }
  Status Truncate(uint64_t size) override {
    if (read_only_) return Status::Error(err::kAccessDenied);
    node_->bytes.resize(size, '\0');
    return Status::OK();
  }
  Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool) override {
    // One thread enters the store at a time, so a waiting lock that conflicts
    // could never be granted: report it instead of hanging.
    if (node_->Conflicts(this, offset, length, exclusive)) return Status::Error(err::kFileLocked);
    node_->Drop(this, offset, length);
    node_->locks.push_back({this, offset, length, exclusive});
    return Status::OK();
  }
  Status Unlock(uint64_t offset, uint64_t length) override {
    node_->Drop(this, offset, length);
    return Status::OK();
  }

 private:
  std::shared_ptr<MemFileSystem::Node> node_;
  bool read_only_;
};

}  // namespace

MemFileSystem::MemFileSystem() = default;
MemFileSystem::~MemFileSystem() = default;

Status MemFileSystem::Open(const std::string& path, OpenMode mode, bool create,
                           std::unique_ptr<File>* file) {
  auto it = files_.find(path);
  if (it == files_.end()) {
    if (!create) return Status::Error(err::kFileNotFound);
    it = files_.emplace(path, std::make_shared<Node>()).first;
  }
  *file = std::make_unique<MemFile>(it->second, mode == OpenMode::kReadOnly);
  return Status::OK();
}

bool MemFileSystem::Exists(const std::string& path) {
  return files_.count(path) != 0 || IsDirectory(path);
}

bool MemFileSystem::IsDirectory(const std::string& path) {
  return std::find(dirs_.begin(), dirs_.end(), path) != dirs_.end();
}

Status MemFileSystem::Remove(const std::string& path) {
  if (files_.erase(path) == 0) return Status::Error(err::kFileNotFound);
  return Status::OK();
}

Status MemFileSystem::Rename(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return Status::Error(err::kFileNotFound);
  auto node = it->second;
  files_.erase(it);
  files_[to] = node;
  return Status::OK();
}

std::string& MemFileSystem::Bytes(const std::string& path) {
  auto it = files_.find(path);
  if (it == files_.end()) it = files_.emplace(path, std::make_shared<Node>()).first;
  return it->second->bytes;
}

void MemFileSystem::Mkdir(const std::string& path) {
  dirs_.push_back(path);
}

}  // namespace kavo
