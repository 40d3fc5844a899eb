#include "store/page.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "store/format.h"

namespace kavo {

// Check numbers of page coding failures.
namespace {
constexpr int kCheckPageTooLarge = 201;
constexpr int kCheckStoredSize = 202;
constexpr int kCheckUnpack = 203;
constexpr int kCheckDecode = 204;
constexpr int kCheckHome = 205;
constexpr int kCheckSizes = 206;
constexpr int kCheckOrder = 207;
constexpr int kCheckLevel = 208;

void PutVar(std::string* out, size_t v) {
  while (v >= 0x80) {
    out->push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out->push_back(static_cast<char>(v));
}

bool GetVar(const uint8_t* in, size_t size, size_t* pos, size_t* v) {
  size_t r = 0;
  for (int shift = 0; shift < 28; shift += 7) {
    if (*pos >= size) return false;
    uint8_t b = in[(*pos)++];
    r |= static_cast<size_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) {
      *v = r;
      return true;
    }
  }
  return false;
}

size_t Blocks(size_t bytes) {
  return (bytes + fmt::kBlockSize - 1) / fmt::kBlockSize;
}
}  // namespace

size_t Page::SizeEstimate() const {
  return fmt::kPageHeaderSize + records.bytes() + (leaf() ? 5 : 9) * records.size();
}

bool Page::TooBig() const {
  size_t est = SizeEstimate();
  return est > fmt::kMaxRecord ||
         (est > fmt::kSplitSmall && records.size() > fmt::kSplitSmallRecords);
}

namespace {

// The first position from `from` on where four equal bytes begin, or n.
// Eight neighbour pairs are compared at a time: a zero byte of x ^ y marks
// a byte equal to the next one, and three marks in a row a run of four.
// Pages are kilobytes of short fields, so the search is most of packing.
size_t FindRun(const char* s, size_t from, size_t n) {
  size_t j = from;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    while (j + 9 <= n) {
      uint64_t x = 0, y = 0;
      std::memcpy(&x, s + j, 8);
      std::memcpy(&y, s + j + 1, 8);
      const uint64_t d = x ^ y;
      const uint64_t zero = ~(((d & kLow7) + kLow7) | d | kLow7);
      const uint64_t runs = zero & (zero >> 8) & (zero >> 16);
      if (runs != 0) return j + static_cast<size_t>(std::countr_zero(runs)) / 8;
      // Runs starting at j..j+5 lie wholly inside the eight pairs.
      j += 6;
    }
  }
  for (; j + 4 <= n; ++j) {
    if (s[j] == s[j + 1] && s[j] == s[j + 2] && s[j] == s[j + 3]) return j;
  }
  return n;
}

// How many leading bytes, up to limit, a and b share; eight at a time, as
// neighbouring keys share most of their leading bytes.
size_t SharedBytes(const char* a, const char* b, size_t limit) {
  size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= limit; n += 8) {
      uint64_t x = 0, y = 0;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<size_t>(std::countr_zero(x ^ y)) / 8;
    }
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

bool PackBody(std::string_view body, std::string* out) {
  out->clear();
  const size_t n = body.size();
  const char* s = body.data();
  size_t i = FindRun(s, 0, n);
  if (i == n) return false;
  out->reserve(n + 16);
  size_t covered = 0;  // packed output covers [0, covered)
  // Every run found is a whole run: the search starts at 0 or just past a
  // run, so a byte equal to the run's first would have begun it earlier.
  while (i < n) {
    size_t m = 4;
    while (i + m < n && s[i + m] == s[i]) ++m;
    PutVar(out, i + 1 - covered);
    out->append(s + covered, i + 1 - covered);
    PutVar(out, m - 1);
    covered = i + m;
    i = FindRun(s, covered, n);
  }
  PutVar(out, n - covered);
  out->append(s + covered, n - covered);
  return true;
}

namespace {

// A count of the packed body: most are below 128 and take one byte.
inline bool GetCount(const uint8_t* in, size_t size, size_t* pos, size_t* v) {
  if (*pos < size && in[*pos] < 0x80) {
    *v = in[(*pos)++];
    return true;
  }
  return GetVar(in, size, pos, v);
}

// Room past the unpacked length, so that a literal or run of up to this
// many bytes is written with fixed-size stores; what lands past the end is
// cut off.
constexpr size_t kUnpackSlack = 64;
constexpr size_t kShortPiece = 16;

}  // namespace

bool UnpackBody(const uint8_t* in, size_t in_size, size_t n, std::string* out) {
  // Written through a pointer into the sized buffer: a page body is
  // hundreds of short literals and runs, so the cost of each piece, not the
  // copying itself, decides.
  out->resize(n + kUnpackSlack);
  char* dst = out->data();
  size_t done = 0, pos = 0;
  for (;;) {
    size_t lit = 0;
    if (!GetCount(in, in_size, &pos, &lit)) return false;
    if (lit > in_size - pos || lit > n - done) return false;
    if (lit <= kShortPiece && in_size - pos >= kShortPiece) {
      std::memcpy(dst + done, in + pos, kShortPiece);
    } else if (lit <= kUnpackSlack && in_size - pos >= kUnpackSlack) {
      std::memcpy(dst + done, in + pos, kUnpackSlack);
    } else if (lit > 0) {
      std::memcpy(dst + done, in + pos, lit);
    }
    done += lit;
    pos += lit;
    if (done == n) break;
    size_t c = 0;
    if (!GetCount(in, in_size, &pos, &c)) return false;
    if (done == 0 || c > n - done) return false;
    if (c <= kShortPiece) {
      std::memset(dst + done, dst[done - 1], kShortPiece);
    } else if (c <= kUnpackSlack) {
      std::memset(dst + done, dst[done - 1], kUnpackSlack);
    } else {
      std::memset(dst + done, dst[done - 1], c);
    }
    done += c;
    if (done == n) break;
  }
  out->resize(n);
  return true;
}

void EncodeRecords(const RecordList& records, std::string* out) {
  RecordView prev;
  bool first = true;
  for (const RecordView r : records) {
    size_t shared = 0;
    bool put_total = true, put_key = true;
    if (!first) {
      size_t limit = std::min<size_t>({63, r.bytes.size(), prev.bytes.size()});
      shared = SharedBytes(r.bytes.data(), prev.bytes.data(), limit);
      put_total = r.bytes.size() != prev.bytes.size();
      put_key = r.key_length != prev.key_length;
    }
    out->push_back(static_cast<char>((put_total ? 0x80 : 0) | (put_key ? 0x40 : 0) |
                                     static_cast<int>(shared)));
    if (put_total) fmt::Append16(out, static_cast<uint16_t>(r.bytes.size()));
    if (put_key) fmt::Append16(out, r.key_length);
    out->append(r.bytes.substr(shared));
    prev = r;
    first = false;
  }
}

Status EncodePage(const Page& p, int64_t home, EncodedPage* out) {
  // Kept from page to page, like the decoding buffer: a commit encodes
  // every changed page.
  thread_local std::string body;
  thread_local std::string packed;
  body.clear();
  body.reserve(p.records.bytes() + 5 * p.records.size());
  EncodeRecords(p.records, &body);
  const size_t head = fmt::kPageHeaderSize + (p.leaf() ? 0 : 4 * p.records.size());
  const size_t unpacked = head + body.size();
  size_t stored = unpacked;
  bool use_packed = false;
  if (PackBody(body, &packed) && Blocks(head + packed.size()) < Blocks(unpacked)) {
    use_packed = true;
    stored = head + packed.size();
  }
  if (stored > static_cast<size_t>(fmt::kMaxPageBytes) || unpacked > 0xFFFF)
    return Status::Check(kCheckPageTooLarge);
  size_t blocks = std::max<size_t>(1, Blocks(stored));
  out->blocks = static_cast<int>(blocks);
  out->bytes.assign(blocks * fmt::kBlockSize, static_cast<char>(fmt::kFill));
  uint8_t* b = reinterpret_cast<uint8_t*>(out->bytes.data());
  fmt::Put16(b + 4, static_cast<uint16_t>(stored));
  fmt::Put16(b + 6, static_cast<uint16_t>(unpacked));
  fmt::Put16(b + 8, static_cast<uint16_t>(std::max(p.SizeEstimate(), unpacked)));
  fmt::Put16(b + 10, static_cast<uint16_t>(p.records.size()));
  b[12] = p.level;
  const std::string& src = use_packed ? packed : body;
  std::memcpy(b + head, src.data(), src.size());
  PatchPage(p, home, out);
  return Status::OK();
}

void PatchPage(const Page& p, int64_t home, EncodedPage* out) {
  uint8_t* b = reinterpret_cast<uint8_t*>(out->bytes.data());
  fmt::Put32(b, static_cast<uint32_t>(home));
  if (!p.leaf()) {
    for (size_t i = 0; i < p.children.size(); ++i)
      fmt::Put32(b + fmt::kPageHeaderSize + 4 * i, static_cast<uint32_t>(p.children[i]));
  }
}

Status DecodePage(const uint8_t* b, size_t size, int k, int64_t home, Page* p) {
  if (size != static_cast<size_t>(k) * fmt::kBlockSize) return Status::Check(kCheckSizes);
  if (fmt::Get32(b) != static_cast<uint32_t>(home)) return Status::Check(kCheckHome);
  size_t stored = fmt::Get16(b + 4);
  size_t unpacked = fmt::Get16(b + 6);
  size_t count = fmt::Get16(b + 10);
  uint8_t level = b[12];
  if (stored < fmt::kPageHeaderSize || Blocks(stored) != static_cast<size_t>(k))
    return Status::Check(kCheckStoredSize);
  if (unpacked < stored) return Status::Check(kCheckStoredSize);
  if (level > 40) return Status::Check(kCheckLevel);
  size_t head = fmt::kPageHeaderSize + (level == 0 ? 0 : 4 * count);
  if (head > stored) return Status::Check(kCheckSizes);
  p->level = level;
  p->children.clear();
  if (level > 0) {
    p->children.reserve(count);
    for (size_t i = 0; i < count; ++i)
      p->children.push_back(static_cast<int32_t>(fmt::Get32(b + fmt::kPageHeaderSize + 4 * i)));
  }
  // Kept from page to page: a walk decodes many, and the body is copied out
  // into the page's arena anyway.
  thread_local std::string unpacked_body;
  std::string_view body;
  if (stored < unpacked) {
    if (!UnpackBody(b + head, stored - head, unpacked - head, &unpacked_body))
      return Status::Check(kCheckUnpack);
    body = unpacked_body;
  } else {
    body = std::string_view(reinterpret_cast<const char*>(b + head), stored - head);
  }
  if (!DecodeRecords(body, count, &p->records)) return Status::Check(kCheckDecode);
  if (!p->records.Ascending()) return Status::Check(kCheckOrder);
  return Status::OK();
}

}  // namespace kavo
