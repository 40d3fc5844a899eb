#include "store/posix_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "store/mapped_start.h"

namespace kavo {
namespace {

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override {
    size_t done = 0;
    while (done < n) {
      ssize_t r =
          ::pread(fd_, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return Status::Os(errno);
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    *got = done;
    return Status::OK();
  }

  Status Write(uint64_t offset, const void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::pwrite(fd_, static_cast<const char*>(buf) + done, n - done,
                           static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return Status::Os(errno, OsAccess::kWrite);
      }
      if (r == 0) return Status::Error(err::kAccessDenied);
      done += static_cast<size_t>(r);
    }
    if (offset + n > known_size_) size_changed_ = true;
    return Status::OK();
  }

  Status Flush() override {
    // fdatasync leaves out metadata the data does not need; a grown or shrunk
    // file needs its size made durable too.
    int r = size_changed_ ? ::fsync(fd_) : ::fdatasync(fd_);
    if (r != 0) return Status::Os(errno, OsAccess::kWrite);
    uint64_t size = 0;
    KAVO_RETURN_IF_ERROR(Size(&size));
    known_size_ = size;
    size_changed_ = false;
    return Status::OK();
  }

  Status Size(uint64_t* size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Status::Os(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::OK();
  }

  Status Truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return Status::Os(errno, OsAccess::kWrite);
    size_changed_ = true;
    return Status::OK();
  }

  Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) override {
    struct flock fl = {};
    fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    for (;;) {
      if (::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return Status::OK();
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EACCES) return Status::Error(err::kFileLocked);
      if (errno == EDEADLK && wait) {
        std::this_thread::yield();
        continue;
      }
      return Status::Os(errno);
    }
  }

  Status Unlock(uint64_t offset, uint64_t length) override {
    struct flock fl = {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    if (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) return Status::Os(errno);
    return Status::OK();
  }

  Status Held(uint64_t offset, uint64_t length, bool* held) override {
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return Status::Os(errno);
    *held = fl.l_type != F_UNLCK;
    return Status::OK();
  }

  Status StartsWith(const void* expected, size_t n, bool* same) override {
    if (n <= MappedStart::kBytes && !map_refused_) {
      // Mapped once the file holds what is compared; a file that cannot be
      // mapped is compared by reading.
      if (start_.mapped() || start_.Map(fd_, n)) {
        *same = start_.Equals(expected, n);
        return Status::OK();
      }
      uint64_t size = 0;
      if (Size(&size).ok() && size >= n) map_refused_ = true;
    }
    return File::StartsWith(expected, n, same);
  }

  void SetKnownSize(uint64_t size) { known_size_ = size; }

 private:
  int fd_;
  MappedStart start_;
  bool map_refused_ = false;
  uint64_t known_size_ = 0;
  bool size_changed_ = false;
};

}  // namespace

Status PosixFileSystem::Open(const std::string& path, OpenMode mode, bool create,
                             std::unique_ptr<File>* file) {
  int flags = (mode == OpenMode::kReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  if (create) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    if (errno == ENOENT) return Status::Error(err::kFileNotFound);
    if (errno == EACCES || errno == EPERM) return Status::Error(err::kAccessDenied);
    return Status::Os(errno);
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Status::Error(err::kAccessDenied);
  }
  auto f = std::make_unique<PosixFile>(fd);
  f->SetKnownSize(static_cast<uint64_t>(st.st_size));
  *file = std::move(f);
  return Status::OK();
}

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Status PosixFileSystem::Remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) {
    if (errno == ENOENT) return Status::Error(err::kFileNotFound);
    return Status::Os(errno);
  }
  return Status::OK();
}

Status PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    if (errno == ENOENT) return Status::Error(err::kFileNotFound);
    return Status::Os(errno);
  }
  return Status::OK();
}

std::string PosixFileSystem::Canonical(const std::string& path) {
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf) != nullptr) return buf;
  return path;
}

bool PosixFileSystem::SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return Canonical(a) == Canonical(b);
}

FileSystem* DefaultFileSystem() {
  static PosixFileSystem fs;
  return &fs;
}

}  // namespace kavo
