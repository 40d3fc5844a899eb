// Byte-level constants and helpers of the store file format. All multi-byte
// integers of the container are little-endian except record and table
// numbers, which are big-endian so that byte order is numeric order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/locks.h"

namespace kavo::fmt {

inline constexpr int kHeaderSize = 512;
inline constexpr int kBlockSize = 256;
inline constexpr int kMaxBlocks = 59;
inline constexpr int kMaxPageBytes = kMaxBlocks * kBlockSize;  // 15104
inline constexpr int kPageHeaderSize = 13;
inline constexpr int kRegionCount = 60;
// Data ends where the lock bytes begin (locks.h): the block after the last
// one a page may occupy.
inline constexpr int32_t kDataEndBlock =
    static_cast<int32_t>((kLockBase - kHeaderSize) / kBlockSize);
// A record's total length stays below this; a page splits above it.
inline constexpr int kMaxRecord = 0x3AF6;  // 15094
// The longest record the tree takes: two of them must fit one index page as
// separators (13 + 2 x (length + 5) + 2 x 4 <= 15094), or index pages could
// hold a single child each and the tree would grow into a chain.
inline constexpr int kMaxTreeRecord = 7531;
inline constexpr int kSplitSmall = 4096;
inline constexpr int kSplitSmallRecords = 20;
inline constexpr uint8_t kFill = 0xB0;
inline constexpr char kMagic[4] = {'q', 'U', 'a', 'L'};

// Record kind bytes following the table number; the two open every key of
// a table's records.
inline constexpr size_t kKindKeyLength = 5;
inline constexpr uint8_t kKindRow = 0xF3;
inline constexpr uint8_t kKindCounter = 0xF6;
inline constexpr uint8_t kKindDefinition = 0xFA;
inline constexpr uint8_t kKindCharTables = 0xFB;
inline constexpr uint8_t kKindMemo = 0xFC;
inline constexpr uint8_t kKindName = 0xFE;
inline constexpr uint8_t kKindLink = 0xFF;

inline uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t GetBE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutBE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void AppendBE32(std::string* s, uint32_t v) {
  uint8_t b[4];
  PutBE32(b, v);
  s->append(reinterpret_cast<const char*>(b), 4);
}
inline void Append16(std::string* s, uint16_t v) {
  uint8_t b[2];
  Put16(b, v);
  s->append(reinterpret_cast<const char*>(b), 2);
}
inline const uint8_t* U8(std::string_view s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

// File offset of page reference r.
inline int64_t RefOffset(int32_t ref) {
  return int64_t{ref} * kBlockSize + kHeaderSize;
}
inline int32_t OffsetRef(int64_t off) {
  return static_cast<int32_t>((off - kHeaderSize) / kBlockSize);
}

}  // namespace kavo::fmt
