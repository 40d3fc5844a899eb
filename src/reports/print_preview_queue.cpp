#include "reports/print_preview_queue.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kavo::reports {
namespace {

constexpr char kFolderPattern[] = "kavo-report-XXXXXX";

std::string TemporaryParent() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

}  // namespace

PrintPreviewQueue::PrintPreviewQueue(std::string parent) : parent_(std::move(parent)) {}

PrintPreviewQueue::~PrintPreviewQueue() {
  Clear();
}

Status PrintPreviewQueue::MakeFolder() {
  std::string pattern = (parent_.empty() ? TemporaryParent() : parent_) + "/" + kFolderPattern;
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) return Status::Os(errno);
  folder_ = buf.data();
  return Status::OK();
}

Status PrintPreviewQueue::AddPage(const PageImage& page) {
  if (folder_.empty()) KAVO_RETURN_IF_ERROR(MakeFolder());
  char name[32];
  std::snprintf(name, sizeof name, "/page%05zu.kpi", PrintPreviewImage_.size() + 1);
  std::string path = folder_ + name;
  KAVO_RETURN_IF_ERROR(WritePageImage(page, path));
  PrintPreviewImage_.push_back(std::move(path));
  return Status::OK();
}

Status PrintPreviewQueue::ReadPage(size_t index, PageImage* out) const {
  return ReadPageImage(PrintPreviewImage_[index], out);
}

void PrintPreviewQueue::Clear() {
  for (const std::string& path : PrintPreviewImage_) std::remove(path.c_str());
  PrintPreviewImage_.clear();
  if (!folder_.empty()) ::rmdir(folder_.c_str());
  folder_.clear();
}

}  // namespace kavo::reports
