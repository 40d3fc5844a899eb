// A page of the page tree in memory, and its encoding in whole 256-byte
// blocks: the 13-byte page header, the child array of index pages, then the
// body of records with prefix sharing, run-length packed when packing saves
// at least one block.
//
// Invariants: records are in strictly increasing key order; an index page has
// exactly one child reference per record, and each record is a copy of its
// child's first record; only the root may be empty.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"

namespace kavo {

// The first 16 bytes of a key, padded with zeros, as two big-endian numbers.
// Keys whose heads differ are ordered as their heads are (a key that is a
// proper prefix of another has the smaller or the same head), so a search
// compares most keys without reading their bytes from the heap.
struct KeyHead {
  uint64_t hi = 0;
  uint64_t lo = 0;

  static uint64_t BigEndian64(const uint8_t* b) {
    uint64_t v = 0;
    std::memcpy(&v, b, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
  }

  static KeyHead Of(std::string_view key) {
    uint8_t b[16] = {};
    if (!key.empty()) std::memcpy(b, key.data(), key.size() < 16 ? key.size() : 16);
    KeyHead h;
    h.hi = BigEndian64(b);
    h.lo = BigEndian64(b + 8);
    return h;
  }
  bool operator==(const KeyHead& o) const { return hi == o.hi && lo == o.lo; }
  bool operator<(const KeyHead& o) const { return hi != o.hi ? hi < o.hi : lo < o.lo; }
};

// One record: key part followed by data part. Invariant: head is the head
// of key(); the key part is set only by the constructor and by decoding,
// which keep it (a data part may be rewritten in place).
struct Record {
  std::string bytes;
  uint16_t key_length = 0;
  KeyHead head;

  Record() = default;
  Record(std::string_view key, std::string_view data)
      : key_length(static_cast<uint16_t>(key.size())), head(KeyHead::Of(key)) {
    bytes.reserve(key.size() + data.size());
    bytes.append(key).append(data);
  }
  std::string_view key() const { return std::string_view(bytes).substr(0, key_length); }
  std::string_view data() const { return std::string_view(bytes).substr(key_length); }
};

// Record order: key parts byte by byte as unsigned, a proper prefix first.
inline int CompareKeys(std::string_view a, std::string_view b) {
  return a.compare(b);
}

struct Page {
  int32_t ref = 0;  // page reference; negative while not yet placed
  uint8_t level = 0;
  std::vector<Record> records;
  std::vector<int32_t> children;  // index pages only
  // Sum of the records' lengths, kept up to date by every change of records
  // so that the size estimate costs nothing.
  size_t record_bytes = 0;
  // Cache bookkeeping.
  bool changed = false;
  uint64_t entered = 0;
  uint64_t used = 0;
  Page* list_prev = nullptr;  // PageList links (page_map.h)
  Page* list_next = nullptr;

  bool leaf() const { return level == 0; }
  void Recount();
  // 13 + sum of (record length + 5) + 4 per record on index pages.
  size_t SizeEstimate() const;
  bool TooBig() const;
  // Index of the first record whose key is >= key.
  size_t LowerBound(std::string_view key) const;
  // For index pages: the child whose range holds key.
  size_t ChildFor(std::string_view key) const;
};

// The encoded page: whole blocks, and its block count.
struct EncodedPage {
  std::string bytes;
  int blocks = 0;
};

// Encodes p for home address home (file offset). Fails with a check number
// when the page cannot fit in 59 blocks.
Status EncodePage(const Page& p, int64_t home, EncodedPage* out);
// Rewrites the home address and child array of an encoded page in place.
void PatchPage(const Page& p, int64_t home, EncodedPage* out);
// Decodes blocks read for a page of class k at home address home.
Status DecodePage(const uint8_t* data, size_t size, int k, int64_t home, Page* p);

// Run-length packing of a page body. Pack returns false when no run of four
// or more equal bytes exists (the body is then stored unpacked).
bool PackBody(std::string_view body, std::string* out);
// Unpacks exactly n bytes; false when the input does not produce them.
bool UnpackBody(const uint8_t* in, size_t in_size, size_t n, std::string* out);

// Prefix-shared record encoding of a body.
void EncodeRecords(const std::vector<Record>& records, std::string* out);
bool DecodeRecords(std::string_view body, size_t count, std::vector<Record>* records);

}  // namespace kavo
