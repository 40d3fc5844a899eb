// Opens arbitrary bytes as a store file and walks it: every table named in
// the file opened with its stored definition, read through record order and
// every key, checked, and written to. Damage must end in an error code.
//
// Random bytes rarely get past the header, so an input whose first byte is
// zero is read as edits to a sound log file of a few hundred rows instead:
// pairs of a 16-bit offset and a byte to XOR there. That reaches the page,
// record and key decoders with damage of every kind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/dict_tables.h"
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

const std::string& SoundLogFile() {
  static const std::string bytes = [] {
    MemFileSystem fs;
    OpenOptions opt;
    opt.fs = &fs;
    Table t;
    if (!Table::Create("f\\!AAAA", dict::AAAA(), opt).ok()) return std::string();
    if (!t.Open("f\\!AAAA", &dict::AAAA(), opt).ok()) return std::string();
    for (int i = 0; i < 300; ++i) {
      t.ClearRecord();
      for (size_t b = 0; b < t.record_length(); ++b)
        t.record()[b] = static_cast<uint8_t>('A' + (i * 7 + b * 13) % 26);
      (void)t.Add();
    }
    (void)t.Close();
    return fs.Bytes("f.VTF");
  }();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemFileSystem fs;
  if (size > 0 && data[0] == 0 && !SoundLogFile().empty()) {
    std::string bytes = SoundLogFile();
    for (size_t i = 1; i + 2 < size; i += 3) {
      size_t at = (static_cast<size_t>(data[i]) << 8 | data[i + 1]) * 7 % bytes.size();
      bytes[at] = static_cast<char>(bytes[at] ^ data[i + 2]);
    }
    fs.Bytes("f.VTF") = std::move(bytes);
  } else {
    fs.Bytes("f.VTF").assign(reinterpret_cast<const char*>(data), size);
  }
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
