#include "store/record_list.h"

#include <algorithm>
#include <utility>

#include "store/format.h"

namespace kavo {

RecordList::RecordList(const RecordList& other) {
  *this = other;
}

RecordList& RecordList::operator=(const RecordList& other) {
  if (this == &other) return *this;
  clear();
  Grow(other.live_);
  for (const Slot& s : other.slots_) {
    std::memcpy(arena_.get() + used_, other.arena_.get() + s.offset, s.length);
    Slot copy = s;
    copy.offset = static_cast<uint32_t>(used_);
    used_ += s.length;
    slots_.push_back(copy);
  }
  live_ = other.live_;
  return *this;
}

void RecordList::swap(RecordList& other) noexcept {
  std::swap(arena_, other.arena_);
  std::swap(used_, other.used_);
  std::swap(capacity_, other.capacity_);
  std::swap(live_, other.live_);
  std::swap(slots_, other.slots_);
}

size_t RecordList::LowerBound(std::string_view key) const {
  const KeyHead head = KeyHead::Of(key);
  auto it =
      std::lower_bound(slots_.begin(), slots_.end(), key, [&](const Slot& s, std::string_view k) {
        if (!(s.head == head)) return s.head < head;
        return KeyAt(s) < k;
      });
  return static_cast<size_t>(it - slots_.begin());
}

size_t RecordList::UpperBound(std::string_view key) const {
  const KeyHead head = KeyHead::Of(key);
  auto it =
      std::upper_bound(slots_.begin(), slots_.end(), key, [&](std::string_view k, const Slot& s) {
        if (!(head == s.head)) return head < s.head;
        return k < KeyAt(s);
      });
  return static_cast<size_t>(it - slots_.begin());
}

bool RecordList::Ascending() const {
  for (size_t i = 1; i < slots_.size(); ++i) {
    const Slot& a = slots_[i - 1];
    const Slot& b = slots_[i];
    if (!(a.head == b.head)) {
      if (b.head < a.head) return false;
    } else if (!(KeyAt(a) < KeyAt(b))) {
      return false;
    }
  }
  return true;
}

void RecordList::Grow(size_t n) {
  if (arena_ && used_ + n <= capacity_) return;
  // Rewritten with the live records only, with room to spare so that a run
  // of inserts grows it rarely.
  const Arena old = std::move(arena_);
  NewArena(std::max<size_t>(256, 2 * (live_ + n)));
  size_t used = 0;
  for (Slot& s : slots_) {
    std::memcpy(arena_.get() + used, old.get() + s.offset, s.length);
    s.offset = static_cast<uint32_t>(used);
    used += s.length;
  }
  used_ = used;
}

void RecordList::NewArena(size_t n) {
  const size_t granted = page_memory::Granted(n);
  arena_.reset();
  arena_ = Arena(page_memory::Allocate(granted), page_memory::Deleter{granted});
  capacity_ = granted;
}

RecordList::Slot RecordList::Write(std::string_view key, std::string_view data) {
  if (arena_ && (InArena(key.data()) || InArena(data.data()))) {
    // Bytes of this list's own records would move when the arena grows.
    std::string copy;
    copy.reserve(key.size() + data.size());
    copy.append(key).append(data);
    const std::string_view c(copy);
    return Write(c.substr(0, key.size()), c.substr(key.size()));
  }
  const size_t n = key.size() + data.size();
  Grow(n);
  char* at = arena_.get() + used_;
  if (!key.empty()) std::memcpy(at, key.data(), key.size());
  if (!data.empty()) std::memcpy(at + key.size(), data.data(), data.size());
  Slot s{static_cast<uint32_t>(used_), static_cast<uint16_t>(n), static_cast<uint16_t>(key.size()),
         KeyHead::Of(key)};
  used_ += n;
  return s;
}

void RecordList::Insert(size_t i, std::string_view key, std::string_view data) {
  const Slot s = Write(key, data);
  slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(i), s);
  live_ += s.length;
}

void RecordList::Set(size_t i, std::string_view key, std::string_view data) {
  const Slot s = Write(key, data);
  live_ = live_ - slots_[i].length + s.length;
  slots_[i] = s;
}

void RecordList::SetData(size_t i, std::string_view data) {
  const Slot& s = slots_[i];
  if (!data.empty()) std::memmove(arena_.get() + s.offset + s.key_length, data.data(), data.size());
}

void RecordList::Erase(size_t i) {
  live_ -= slots_[i].length;
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(i));
}

void RecordList::clear() {
  slots_.clear();
  used_ = live_ = 0;
}

void RecordList::MoveTail(size_t from, RecordList* to) {
  size_t bytes = 0;
  for (size_t i = from; i < slots_.size(); ++i) bytes += slots_[i].length;
  to->Grow(bytes);
  for (size_t i = from; i < slots_.size(); ++i) {
    Slot s = slots_[i];
    std::memcpy(to->arena_.get() + to->used_, arena_.get() + s.offset, s.length);
    s.offset = static_cast<uint32_t>(to->used_);
    to->used_ += s.length;
    to->slots_.push_back(s);
  }
  to->live_ += bytes;
  live_ -= bytes;
  slots_.resize(from);
}

bool RecordList::Decode(std::string_view body, size_t count) {
  clear();
  const uint8_t* p = fmt::U8(body);
  const size_t size = body.size();
  // First pass: the record headers are checked and the lengths summed, so
  // that the arena is allocated once.
  size_t pos = 0, sum = 0;
  RecordHeader h;
  for (size_t i = 0; i < count; ++i) {
    if (!ReadRecordHeader(p, size, &pos, i == 0, &h)) return false;
    pos += h.rest();
    sum += h.total;
  }
  if (pos != size) return false;
  // Second pass: each record is its shared prefix, copied from the record
  // before it, and its own bytes, in an arena of exactly their size (a
  // decoded page is mostly read, and the reserve holds thousands).
  if (capacity_ < sum || capacity_ > 2 * sum + 256) NewArena(sum);
  slots_.reserve(count);
  char* arena = arena_.get();
  pos = 0;
  size_t at = 0, prev = 0, total = 0, klen = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t flag = p[pos++];
    const size_t shared = flag & 0x3F;
    if (flag & 0x80) {
      total = fmt::Get16(p + pos);
      pos += 2;
    }
    if (flag & 0x40) {
      klen = fmt::Get16(p + pos);
      pos += 2;
    }
    if (shared > 0) std::memcpy(arena + at, arena + prev, shared);
    const size_t rest = total - shared;
    if (rest > 0) std::memcpy(arena + at + shared, body.data() + pos, rest);
    pos += rest;
    slots_.push_back({static_cast<uint32_t>(at), static_cast<uint16_t>(total),
                      static_cast<uint16_t>(klen),
                      KeyHead::Of(std::string_view(arena + at, klen))});
    prev = at;
    at += total;
  }
  used_ = live_ = sum;
  return true;
}

}  // namespace kavo
