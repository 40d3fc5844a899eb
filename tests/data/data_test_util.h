// Helpers for the log-data tests: a scratch working directory that removes
// itself, and rows written straight through the record store.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "store/table.h"

namespace kavo::testing {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavo-data-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

 private:
  std::string path_;
};

}  // namespace kavo::testing
