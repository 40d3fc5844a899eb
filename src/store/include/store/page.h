// A page of the page tree in memory, and its encoding in whole 256-byte
// blocks: the 13-byte page header, the child array of index pages, then the
// body of records with prefix sharing, run-length packed when packing saves
// at least one block.
//
// Invariants: records are in strictly increasing key order; an index page has
// exactly one child reference per record, and each record is a copy of its
// child's first record; only the root may be empty.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "store/page_memory.h"
#include "store/record_list.h"

namespace kavo {

struct Page {
  int32_t ref = 0;  // page reference; negative while not yet placed
  uint8_t level = 0;
  RecordList records;
  std::vector<int32_t, page_memory::Allocator<int32_t>> children;  // index pages only
  // Cache bookkeeping (page_cache.h).
  bool changed = false;
  bool resting = false;  // in the reserve beneath the cache
  size_t weight = 0;     // the size estimate it rests with
  uint64_t entered = 0;
  uint64_t used = 0;
  Page* list_prev = nullptr;  // PageList links (page_map.h)
  Page* list_next = nullptr;

  bool leaf() const { return level == 0; }
  // A new page that takes the buffers of one let go, for their room: a
  // new object, as the paths of earlier descents keep weak references to
  // pages, which must find the page they named gone rather than changed.
  static std::shared_ptr<Page> WithBuffersOf(Page* old);
  // A new, empty page, in the memory of decoded pages.
  static std::shared_ptr<Page> Make() {
    return std::allocate_shared<Page>(page_memory::Allocator<Page>());
  }
  // 13 + sum of (record length + 5) + 4 per record on index pages.
  size_t SizeEstimate() const;
  bool TooBig() const;
  // Index of the first record whose key is >= key.
  size_t LowerBound(std::string_view key) const { return records.LowerBound(key); }
  // For index pages: the child whose range holds key.
  size_t ChildFor(std::string_view key) const {
    const size_t i = records.UpperBound(key);
    return i == 0 ? 0 : i - 1;
  }
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
// The bytes past the n unpacked that UnpackBodyInto may overwrite.
inline constexpr size_t kUnpackSlack = 16;
// UnpackBody into dst, which has room for n + kUnpackSlack bytes; the bytes
// past n are left undefined.
bool UnpackBodyInto(const uint8_t* in, size_t in_size, size_t n, char* dst);

// Unpacks a packed body of n bytes into dst (room for n + kUnpackSlack) a
// part at a time, so that a reader who needs only the first records stops
// there. Unpacking it all in one call is UnpackBodyInto.
class BodyUnpacker {
 public:
  BodyUnpacker(const uint8_t* in, size_t in_size, size_t n, char* dst)
      : in_(in), in_size_(in_size), n_(n), dst_(dst) {}
  // Unpacks on until at least want bytes, or all n, are out; false when the
  // input does not produce them (the unpacker is then done with). It stops
  // at the end of a piece, so more than want may be out.
  bool Until(size_t want);
  size_t done() const { return done_; }

 private:
  const uint8_t* const in_;
  const size_t in_size_;
  const size_t n_;
  char* const dst_;
  size_t pos_ = 0;   // input read
  size_t done_ = 0;  // bytes out
};

// What ProbeLeaf found: the page's level; whether key lies between the
// leaf's first and last keys (so that no other leaf may hold it); whether
// the leaf holds the record.
struct LeafProbe {
  uint8_t level = 0;
  bool spans = false;
  bool found = false;
};
// Looks for the record whose key part is key in the blocks of a page as
// read for a page of class k at home address home, without decoding the
// page: the body is unpacked only as far as that record, and the records
// before it are passed over by their headers. A page that is not a leaf is
// not searched (probe->level says so). The header and the records read get
// DecodePage's checks; those past the record are not read.
Status ProbeLeaf(const uint8_t* data, size_t size, int k, int64_t home, std::string_view key,
                 Record* out, LeafProbe* probe);

// Prefix-shared record encoding of a body.
void EncodeRecords(const RecordList& records, std::string* out);
inline bool DecodeRecords(std::string_view body, size_t count, RecordList* records) {
  return records->Decode(body, count);
}

}  // namespace kavo
