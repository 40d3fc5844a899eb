// Input: the bytes of a store file whose header names a pending journal.
// Opening it resolves the journal (replay, or discard through the link
// record's control file, which the second half of the input supplies) and
// walks the records; any damage must end in an error code, never a crash,
// an endless loop or a read out of bounds.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "store/mem_file.h"
#include "store/store_file.h"

namespace {

void Walk(kavo::MemFileSystem* fs, const std::string& path) {
  std::shared_ptr<kavo::StoreFile> file;
  kavo::OpenOptions options;
  options.fs = fs;
  if (!kavo::StoreFile::Acquire(fs, path, options, false, &file).ok()) return;
  if (!file->Begin(false).ok()) return;
  kavo::Record record;
  std::string key;
  kavo::Status st;
  for (int i = 0; i < 10000 && st.ok(); ++i) {
    bool found = false;
    st = file->Find(key, i == 0 ? kavo::SeekMode::kAtOrAfter : kavo::SeekMode::kAfter, &record,
                    &found);
    if (!found) break;
    key = std::string(record.key());
  }
  (void)file->End(st);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first two bytes split the input into the store file and the control
  // file the link record may name ("vantor.tcf").
  if (size < 2) return 0;
  size_t split = 2 + (static_cast<size_t>(data[0]) << 8 | data[1]) % (size - 1);
  std::string store(reinterpret_cast<const char*>(data) + 2, split - 2);
  std::string control(reinterpret_cast<const char*>(data) + split, size - split);
  if (store.size() < 512) store.resize(512, '\0');
  std::memcpy(store.data() + 14, "qUaL", 4);

  kavo::MemFileSystem fs;
  std::unique_ptr<kavo::File> f;
  if (!fs.Open("F.VTF", kavo::OpenMode::kReadWrite, true, &f).ok()) return 0;
  fs.Bytes("F.VTF") = store;
  if (!control.empty()) {
    if (!fs.Open("vantor.tcf", kavo::OpenMode::kReadWrite, true, &f).ok()) return 0;
    fs.Bytes("vantor.tcf") = control;
  }
  f.reset();
  Walk(&fs, "F.VTF");
  return 0;
}
