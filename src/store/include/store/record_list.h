// Records of the page tree: the key head that orders them cheaply, one
// record owned on its own (Record), one read in place (RecordView), and the
// records of one page in key order (RecordList).
//
// A RecordList keeps the bytes of all its records in one arena and a slot per
// record with its place, its lengths and its key head. Decoding a page fills
// both in one pass with two allocations, however many records the page
// holds, and a search reads the heads from the slots, which lie side by side,
// rather than one heap block per record.
//
// Invariants: every slot lies within the used part of the arena; bytes() is
// the sum of the slots' lengths. A change writes new bytes at the arena's
// end; the bytes of replaced and removed records stay behind until the
// arena next has to grow, when it is rewritten with the live records only.
// A RecordView read from a list is valid until the next change of that list.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"
#include "store/page_memory.h"

namespace kavo {

// The first 16 bytes of a key, padded with zeros, as two big-endian numbers.
// Keys whose heads differ are ordered as their heads are (a key that is a
// proper prefix of another has the smaller or the same head), so a search
// compares most keys without reading their bytes.
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

// Record order: key parts byte by byte as unsigned, a proper prefix first.
inline int CompareKeys(std::string_view a, std::string_view b) {
  return a.compare(b);
}

// A record read in place: key part followed by data part, and the key's head.
struct RecordView {
  std::string_view bytes;
  uint16_t key_length = 0;
  KeyHead head;

  std::string_view key() const { return bytes.substr(0, key_length); }
  std::string_view data() const { return bytes.substr(key_length); }
};

// One record of its own. Invariant: head is the head of key(); the key part
// is set only by construction and assignment, which keep it (a data part
// may be rewritten in place).
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
  // A copy of a record read in place.
  Record(const RecordView& v) : bytes(v.bytes), key_length(v.key_length), head(v.head) {}
  // Takes a copy of v, reusing this record's buffer.
  Record& operator=(const RecordView& v) {
    bytes.assign(v.bytes);
    key_length = v.key_length;
    head = v.head;
    return *this;
  }
  // Takes a record given as two pieces of its bytes, reusing the buffer.
  Record& Assign(std::string_view front, std::string_view rest, uint16_t key_size) {
    bytes.assign(front).append(rest);
    key_length = key_size;
    head = KeyHead::Of(key());
    return *this;
  }
  RecordView view() const { return {bytes, key_length, head}; }
  std::string_view key() const { return std::string_view(bytes).substr(0, key_length); }
  std::string_view data() const { return std::string_view(bytes).substr(key_length); }
};

// The header of one record in a page body: a flag byte with the length of
// the prefix shared with the record before (at most 63 bytes), then the
// total and key lengths, each only when it differs from the record
// before's. Reads the header at *pos into h, which holds the lengths of the
// record before, and checks them (the first record shares nothing and
// gives both lengths); false when the body does not hold a sound header
// and the record's own bytes.
struct RecordHeader {
  size_t shared = 0;
  size_t total = 0;
  size_t key_length = 0;
  size_t rest() const { return total - shared; }
};
inline bool ReadRecordHeader(const uint8_t* p, size_t size, size_t* pos, bool first,
                             RecordHeader* h) {
  const size_t prev_total = first ? 0 : h->total;
  if (*pos >= size) return false;
  const uint8_t flag = p[(*pos)++];
  h->shared = flag & 0x3F;
  if (flag & 0x80) {
    if (size - *pos < 2) return false;
    h->total = fmt::Get16(p + *pos);
    *pos += 2;
  } else if (first) {
    return false;
  }
  if (flag & 0x40) {
    if (size - *pos < 2) return false;
    h->key_length = fmt::Get16(p + *pos);
    *pos += 2;
  } else if (first) {
    return false;
  }
  if (h->key_length > h->total || h->shared > h->total || h->shared > prev_total) return false;
  return size - *pos >= h->rest();
}

class RecordList {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = RecordView;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = RecordView;

    Iterator() = default;
    Iterator(const RecordList* list, size_t i) : list_(list), i_(i) {}
    RecordView operator*() const { return (*list_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator was = *this;
      ++i_;
      return was;
    }
    bool operator==(const Iterator& o) const { return i_ == o.i_; }
    bool operator!=(const Iterator& o) const { return i_ != o.i_; }

   private:
    const RecordList* list_ = nullptr;
    size_t i_ = 0;
  };

  RecordList() = default;
  RecordList(const RecordList& other);
  RecordList& operator=(const RecordList& other);
  RecordList(RecordList&& other) noexcept { swap(other); }
  RecordList& operator=(RecordList&& other) noexcept {
    RecordList taken(std::move(other));
    swap(taken);
    return *this;
  }
  void swap(RecordList& other) noexcept;

  size_t size() const { return slots_.size(); }
  bool empty() const { return slots_.empty(); }
  // The sum of the records' lengths.
  size_t bytes() const { return live_; }
  RecordView operator[](size_t i) const {
    const Slot& s = slots_[i];
    return {std::string_view(arena_.get() + s.offset, s.length), s.key_length, s.head};
  }
  RecordView front() const { return (*this)[0]; }
  RecordView back() const { return (*this)[slots_.size() - 1]; }
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, slots_.size()); }

  // The index of the first record whose key is >= key (LowerBound) or > key
  // (UpperBound).
  size_t LowerBound(std::string_view key) const;
  size_t UpperBound(std::string_view key) const;
  // True when the keys strictly increase.
  bool Ascending() const;

  void Insert(size_t i, std::string_view key, std::string_view data);
  void Insert(size_t i, const RecordView& r) { Insert(i, r.key(), r.data()); }
  void push_back(const RecordView& r) { Insert(size(), r); }
  void push_back(const Record& r) { Insert(size(), r.view()); }
  // Replaces record i.
  void Set(size_t i, std::string_view key, std::string_view data);
  void Set(size_t i, const RecordView& r) { Set(i, r.key(), r.data()); }
  // Rewrites the data part of record i in place; data has its length.
  void SetData(size_t i, std::string_view data);
  void Erase(size_t i);
  void clear();
  // Moves the records from index from on to the end of *to.
  void MoveTail(size_t from, RecordList* to);

  // Replaces the records with count records decoded from a prefix-shared
  // body (the page format); false (and empty) when the body does not hold
  // exactly them.
  bool Decode(std::string_view body, size_t count);

 private:
  struct Slot {
    uint32_t offset;
    uint16_t length;
    uint16_t key_length;
    KeyHead head;
  };

  bool InArena(const char* p) const { return p >= arena_.get() && p < arena_.get() + used_; }
  // Writes key and data at the arena's end and returns their slot.
  Slot Write(std::string_view key, std::string_view data);
  // Makes room for n more bytes, dropping the bytes of gone records.
  void Grow(size_t n);
  std::string_view KeyAt(const Slot& s) const {
    return std::string_view(arena_.get() + s.offset, s.key_length);
  }

  // The record bytes of decoded pages are most of the reserve: they come
  // from page_memory.
  using Arena = std::unique_ptr<char[], page_memory::Deleter>;
  // Replaces the arena by one of at least n bytes (the old one is gone).
  void NewArena(size_t n);

  Arena arena_;
  size_t used_ = 0;
  size_t capacity_ = 0;
  size_t live_ = 0;
  std::vector<Slot, page_memory::Allocator<Slot>> slots_;
};

}  // namespace kavo
