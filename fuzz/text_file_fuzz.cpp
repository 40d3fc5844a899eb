// Input: the bytes of a text file for the viewer. Loading must take every
// byte and end at 100 percent; searching the lines for a piece of the input,
// in either direction and with every option, must end.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "reports/text_file_load.h"
#include "reports/text_search.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = "/tmp/kavo_text_fuzz_" + std::to_string(::getpid()) + ".txt";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kavo::reports;
  std::FILE* file = std::fopen(ScratchFile().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  TextFileLoad load;
  const TextFileLoad::OpenResult opened = load.Open(ScratchFile());
  if (opened != TextFileLoad::OpenResult::kOk) {
    if ((opened == TextFileLoad::OpenResult::kEmpty) != (size == 0)) std::abort();
    return 0;
  }
  std::vector<std::string> lines;
  while (!load.ReadSlice(&lines).finished) {
  }
  if (load.ASCIIBytesRead() != static_cast<int64_t>(size)) std::abort();
  if (load.ASCIIPercentProgress() != 100) std::abort();

  TextSearch search;
  search.SearchString.assign(reinterpret_cast<const char*>(data), size < 3 ? size : 3);
  for (int options = 0; options < 8; ++options) {
    search.MatchCase = options & 1;
    search.WholeWord = options & 2;
    search.Direction = options & 4 ? SearchDirection::kUp : SearchDirection::kDown;
    const int32_t found = FindText(lines, 1, search, [](SearchDirection) { return false; });
    if (found < 0 || found > static_cast<int32_t>(lines.size())) std::abort();
  }
  return 0;
}
