// Input: a key length byte, a key, then the blocks of a page, whose home
// address is taken from their first bytes (so that pages cut from a store
// file serve as seeds). A probe of the blocks must not fail where decoding
// them succeeds, and must then answer as the decoded leaf does.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/format.h"
#include "store/page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size - 1 < data[0]) return 0;
  const std::string key(reinterpret_cast<const char*>(data + 1), data[0]);
  const uint8_t* blocks = data + 1 + data[0];
  const size_t n = size - 1 - data[0];
  const int k = static_cast<int>(n / kavo::fmt::kBlockSize);
  if (n < 4) return 0;
  const int64_t kHome = kavo::fmt::Get32(blocks);
  kavo::Record out;
  kavo::LeafProbe probe;
  const kavo::Status probed = kavo::ProbeLeaf(blocks, n, k, kHome, key, &out, &probe);
  kavo::Page page;
  if (!kavo::DecodePage(blocks, n, k, kHome, &page).ok()) return 0;
  if (!probed.ok() || probe.level != page.level) std::abort();
  if (!page.leaf()) return 0;
  const size_t i = page.LowerBound(key);
  const bool found = i < page.records.size() && page.records[i].key() == key;
  if (probe.found != found) std::abort();
  if (found && out.bytes != page.records[i].bytes) std::abort();
  return 0;
}
