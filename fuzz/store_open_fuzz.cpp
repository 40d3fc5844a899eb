// Opens arbitrary bytes as a store file and walks it: every table named in
// the file opened with its stored definition, read through record order and
// every key, checked, and written to. Damage must end in an error code.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/format.h"
#include "store/mem_file.h"
#include "store/store_file.h"
#include "store/table.h"
#include "store/verify.h"

namespace {

using namespace kavo;

std::vector<std::string> TableNames(FileSystem* fs) {
  std::vector<std::string> names;
  OpenOptions opt;
  opt.fs = fs;
  std::shared_ptr<StoreFile> sf;
  if (!StoreFile::Acquire(fs, "f.VTF", opt, false, &sf).ok()) return names;
  if (!sf->Begin(false).ok()) return names;
  std::string from(1, static_cast<char>(fmt::kKindName));
  Status st;
  while (names.size() < 4) {
    Record r;
    bool found = false;
    st = sf->Find(from, SeekMode::kAfter, &r, &found);
    if (!st.ok() || !found || r.key().empty() || static_cast<uint8_t>(r.key()[0]) != fmt::kKindName)
      break;
    names.emplace_back(r.key().substr(1));
    from = std::string(r.key());
  }
  (void)sf->End(st);
  return names;
}

void Walk(Table& t) {
  for (int k = -1; k < static_cast<int>(t.def().keys.size()) && k < 16; ++k) {
    if (!(k < 0 ? t.Set() : t.SetKey(k)).ok()) return;
    for (int i = 0; i < 2000 && t.Next().ok(); ++i) {
    }
    if (k >= 0 && t.SetKey(k).ok()) (void)t.Previous();
  }
  std::vector<std::string> problems;
  (void)t.Verify(&problems);
  if (t.store() != nullptr) {
    TreeReport report;
    (void)VerifyTree(*t.store(), &report);
  }
  t.ClearRecord();
  if (t.Add().ok()) {
    if (t.record_length() > 0) t.record()[0] ^= 1;
    (void)t.Put();
    (void)t.Delete();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemFileSystem fs;
  fs.Bytes("f.VTF").assign(reinterpret_cast<const char*>(data), size);
  OpenOptions opt;
  opt.fs = &fs;
  std::vector<std::string> names = TableNames(&fs);
  names.push_back("UNNAMED");
  for (const std::string& name : names) {
    Table t;
    if (t.Open("f\\!" + name, nullptr, opt).ok()) Walk(t);
  }
  return 0;
}
