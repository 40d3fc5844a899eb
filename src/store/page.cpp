#include "store/page.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

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

// A number read from a packed body and the position after it; end is 0
// when the input ends or the number runs over four bytes. Returned by value
// so that the reader's position stays in a register.
struct VarRead {
  size_t value;
  size_t end;
};

VarRead GetVarLong(const uint8_t* in, size_t size, size_t pos) {
  size_t r = 0;
  for (int shift = 0; shift < 28; shift += 7) {
    if (pos >= size) return {0, 0};
    const uint8_t b = in[pos++];
    r |= static_cast<size_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) return {r, pos};
  }
  return {0, 0};
}

// The lengths in a packed body are nearly all below 128: one byte is read
// inline.
inline VarRead GetVar(const uint8_t* in, size_t size, size_t pos) {
  if (pos < size && in[pos] < 0x80) return {in[pos], pos + 1};
  return GetVarLong(in, size, pos);
}

size_t Blocks(size_t bytes) {
  return (bytes + fmt::kBlockSize - 1) / fmt::kBlockSize;
}
}  // namespace

std::shared_ptr<Page> Page::WithBuffersOf(Page* old) {
  auto page = Page::Make();
  page->records = std::move(old->records);
  page->records.clear();
  page->children = std::move(old->children);
  page->children.clear();
  return page;
}

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

bool UnpackBody(const uint8_t* in, size_t in_size, size_t n, std::string* out) {
  out->resize(n + kUnpackSlack);
  const bool ok = UnpackBodyInto(in, in_size, n, out->data());
  out->resize(n);
  return ok;
}

bool UnpackBodyInto(const uint8_t* in, size_t in_size, size_t n, char* dst) {
  return BodyUnpacker(in, in_size, n, dst).Until(n);
}

bool BodyUnpacker::Until(size_t want) {
  // A page body is hundreds of literals and runs of a few bytes each: the
  // short ones are copied and filled sixteen bytes at a time, past their
  // end into bytes a later piece or the slack overwrites, so that no piece
  // costs a call. The checks are those of the exact reading.
  constexpr size_t kChunk = kUnpackSlack;
  static_assert(kChunk == 16);
  // Longer pieces are rare; the library's copy is as quick for them.
  constexpr size_t kLongPiece = 64;
  static_assert(kLongPiece == 4 * kChunk);
  // Kept in locals, so that they stay in registers.
  const uint8_t* const in = in_;
  const size_t in_size = in_size_;
  const size_t n = n_;
  char* const dst = dst_;
  size_t done = done_, pos = pos_;
  want = std::min(want, n);
  auto stop = [&](bool ok) {
    done_ = done;
    pos_ = pos;
    return ok;
  };
  // Between pieces done < n, except at the end; the first literal is read
  // even when nothing is wanted, as an empty body is no body.
  while (done < want || pos == 0) {
    const VarRead l = GetVar(in, in_size, pos);
    if (l.end == 0) return stop(false);
    const size_t lit = l.value;
    pos = l.end;
    if (lit > in_size - pos || lit > n - done) return stop(false);
    if (lit <= kLongPiece && in_size - pos >= lit + kChunk) {
      for (size_t k = 0; k < lit; k += kChunk) std::memcpy(dst + done + k, in + pos + k, kChunk);
    } else if (lit > 0) {
      std::memcpy(dst + done, in + pos, lit);
    }
    done += lit;
    pos += lit;
    if (done == n) break;
    const VarRead r = GetVar(in, in_size, pos);
    if (r.end == 0) return stop(false);
    const size_t c = r.value;
    pos = r.end;
    if (done == 0 || c > n - done) return stop(false);
    const uint8_t fill = static_cast<uint8_t>(dst[done - 1]);
    if (c <= kChunk) {
      const uint64_t eight = fill * 0x0101010101010101ULL;
      std::memcpy(dst + done, &eight, 8);
      std::memcpy(dst + done + 8, &eight, 8);
    } else {
      std::memset(dst + done, fill, c);
    }
    done += c;
    if (done == n) break;
    // Far from both ends, a literal of up to kLongPiece bytes followed by a
    // run of up to kChunk, each with a one-byte length, passes every check
    // above without ending the body: such pairs are copied whole with no
    // checks. (The first pair is read above, as a run may not open a body.)
    if (done >= want || n - done <= kLongPiece + kChunk || in_size - pos < kLongPiece + 2) continue;
    const uint8_t* ip = in + pos;
    const uint8_t* const ip_end = in + in_size - (kLongPiece + 2);
    char* op = dst + done;
    char* const op_end = dst + std::min(n - (kLongPiece + kChunk), want);
    do {
      const size_t lit = ip[0];
      if (lit > kLongPiece) break;
      const size_t c = ip[1 + lit];
      if (c > kChunk) break;
      std::memcpy(op, ip + 1, kChunk);
      std::memcpy(op + 16, ip + 17, kChunk);
      std::memcpy(op + 32, ip + 33, kChunk);
      std::memcpy(op + 48, ip + 49, kChunk);
      op += lit;
      const uint64_t eight = static_cast<uint8_t>(op[-1]) * 0x0101010101010101ULL;
      std::memcpy(op, &eight, 8);
      std::memcpy(op + 8, &eight, 8);
      op += c;
      ip += lit + 2;
    } while (ip <= ip_end && op < op_end);
    pos = static_cast<size_t>(ip - in);
    done = static_cast<size_t>(op - dst);
  }
  return stop(true);
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

namespace {

// The page header's fields and where the body lies.
struct PageLayout {
  size_t stored = 0;    // bytes stored, header included
  size_t unpacked = 0;  // bytes once unpacked
  size_t count = 0;     // records
  size_t head = 0;      // header and child array
  uint8_t level = 0;
  bool packed() const { return stored < unpacked; }
};

Status ReadLayout(const uint8_t* b, size_t size, int k, int64_t home, PageLayout* l) {
  if (size != static_cast<size_t>(k) * fmt::kBlockSize) return Status::Check(kCheckSizes);
  if (fmt::Get32(b) != static_cast<uint32_t>(home)) return Status::Check(kCheckHome);
  l->stored = fmt::Get16(b + 4);
  l->unpacked = fmt::Get16(b + 6);
  l->count = fmt::Get16(b + 10);
  l->level = b[12];
  if (l->stored < fmt::kPageHeaderSize || Blocks(l->stored) != static_cast<size_t>(k))
    return Status::Check(kCheckStoredSize);
  if (l->unpacked < l->stored) return Status::Check(kCheckStoredSize);
  if (l->level > 40) return Status::Check(kCheckLevel);
  l->head = fmt::kPageHeaderSize + (l->level == 0 ? 0 : 4 * l->count);
  if (l->head > l->stored) return Status::Check(kCheckSizes);
  return Status::OK();
}

// The buffer bodies are unpacked into. Kept from page to page: a walk
// decodes many, and the body is copied out into the page's arena anyway.
// It only grows, and is not cut to each body's size: a string zero-fills
// whatever it grows by.
char* UnpackBuffer(size_t n) {
  thread_local std::string unpacked_body;
  if (unpacked_body.size() < n + kUnpackSlack) unpacked_body.resize(n + kUnpackSlack);
  return unpacked_body.data();
}

// Record i's key part, given as the bytes it shares with the record before
// (front, at most 63) and the bytes that follow in the body, against key.
int CompareSplitKey(std::string_view front, const char* rest, size_t key_length,
                    std::string_view key) {
  const size_t a = std::min(front.size(), key_length);
  const int c = front.substr(0, a).compare(key.substr(0, a));
  if (c != 0 || key.size() < a) return c != 0 ? c : 1;
  return std::string_view(rest, key_length - a).compare(key.substr(a));
}

}  // namespace

Status DecodePage(const uint8_t* b, size_t size, int k, int64_t home, Page* p) {
  PageLayout l;
  KAVO_RETURN_IF_ERROR(ReadLayout(b, size, k, home, &l));
  p->level = l.level;
  p->children.clear();
  if (l.level > 0) {
    p->children.reserve(l.count);
    for (size_t i = 0; i < l.count; ++i)
      p->children.push_back(static_cast<int32_t>(fmt::Get32(b + fmt::kPageHeaderSize + 4 * i)));
  }
  std::string_view body;
  if (l.packed()) {
    const size_t n = l.unpacked - l.head;
    char* unpacked = UnpackBuffer(n);
    if (!UnpackBodyInto(b + l.head, l.stored - l.head, n, unpacked))
      return Status::Check(kCheckUnpack);
    body = std::string_view(unpacked, n);
  } else {
    body = std::string_view(reinterpret_cast<const char*>(b + l.head), l.stored - l.head);
  }
  if (!DecodeRecords(body, l.count, &p->records)) return Status::Check(kCheckDecode);
  if (!p->records.Ascending()) return Status::Check(kCheckOrder);
  return Status::OK();
}

Status ProbeLeaf(const uint8_t* b, size_t size, int k, int64_t home, std::string_view key,
                 Record* out, LeafProbe* probe) {
  *probe = LeafProbe();
  PageLayout l;
  KAVO_RETURN_IF_ERROR(ReadLayout(b, size, k, home, &l));
  probe->level = l.level;
  if (l.level != 0) return Status::OK();
  // The body, unpacked as far as the walk has come.
  const char* body = reinterpret_cast<const char*>(b + l.head);
  size_t n = l.stored - l.head;
  std::optional<BodyUnpacker> unpacker;
  if (l.packed()) {
    n = l.unpacked - l.head;
    char* unpacked = UnpackBuffer(n);
    unpacker.emplace(b + l.head, l.stored - l.head, n, unpacked);
    body = unpacked;
  }
  // Each call of the unpacker costs its setting up: it is asked for a few
  // records more than the walk needs at a time.
  constexpr size_t kReadAhead = 512;
  auto have = [&](size_t bytes) {
    return !unpacker || unpacker->done() >= bytes || unpacker->Until(bytes + kReadAhead);
  };
  const uint8_t* p = reinterpret_cast<const uint8_t*>(body);
  // The leading bytes of the record before, as many as a record may share.
  constexpr size_t kMaxShared = 63;
  char front[kMaxShared];
  // A record header takes five bytes at most.
  constexpr size_t kMaxRecordHeader = 5;
  size_t pos = 0;
  RecordHeader h;
  for (size_t i = 0; i < l.count; ++i) {
    if (!have(pos + kMaxRecordHeader)) return Status::Check(kCheckUnpack);
    if (!ReadRecordHeader(p, n, &pos, i == 0, &h)) return Status::Check(kCheckDecode);
    const size_t shared = h.shared, total = h.total, klen = h.key_length, rest = h.rest();
    if (!have(pos + rest)) return Status::Check(kCheckUnpack);
    const std::string_view shared_front(front, shared);
    const int c = CompareSplitKey(shared_front, body + pos, klen, key);
    if (c >= 0) {
      // Records ascend: the first one not before key is the only one that
      // may be it.
      if (c == 0) {
        out->Assign(shared_front, std::string_view(body + pos, rest), static_cast<uint16_t>(klen));
        probe->found = true;
      }
      probe->spans = c == 0 || i > 0;
      return Status::OK();
    }
    const size_t keep = std::min(total, kMaxShared);
    if (keep > shared) std::memcpy(front + shared, body + pos, keep - shared);
    pos += rest;
  }
  if (pos != n) return Status::Check(kCheckDecode);
  return Status::OK();
}

}  // namespace kavo
