// Byte-range locks through which processes share one store file.
//
// All locks lie at file offsets from 2^31 upward, which no data ever reaches,
// so they never block reads or writes of the file itself:
//   reader slot      B + s, s = 0 .. 1022   a reading operation
//   writer byte      B + 1023               a writing operation
//   all slots        B .. B + 1022          publishing a commit (no reader inside)
//   hold byte        B + 1024 + n + 1       a held row, n its record number
//   table lock byte  B + 1024 + n + 1       a locked table, n its table number
// Record and table numbers come from one counter, so hold bytes and table
// lock bytes never collide.
//
// Every lock is exclusive and belongs to one open instance of the file (an
// open file description), never to the process: two instances in one process
// exclude each other exactly as two processes do, and the kernel drops every
// lock of a process that dies. Waiting locks are retried until granted; hold
// and table locks are tried once.
#pragma once

#include <cstdint>

#include "store/file.h"

namespace kavo {

inline constexpr uint64_t kLockBase = 0x80000000ull;
inline constexpr int kReaderSlots = 1023;
inline constexpr uint64_t kWriterByte = kLockBase + kReaderSlots;

enum class LockResult { kGranted, kBusy, kFailed };

// The reader slot a newly opened file starts from: the running time in
// hundredths of a second since program start, modulo 1023.
int StartSlot();

// The locks one open store file holds. Not thread-safe: the record store is
// entered by one thread at a time.
class FileLocks {
 public:
  // A file opened read-only can only take shared locks: its reader slots are
  // shared (they still exclude the writer's all-slots lock) and it never
  // takes the writer byte.
  FileLocks(File* file, int start_slot, bool read_only = false)
      : file_(file), slot_(start_slot), read_only_(read_only) {}
  FileLocks(const FileLocks&) = delete;
  FileLocks& operator=(const FileLocks&) = delete;

  // Takes a reader slot, waiting: its own slot first, the next one while
  // another instance holds it; after a whole round without a free slot (a
  // commit holds them all) it waits for its own. Returns false only when the
  // system fails.
  bool LockReader();
  void UnlockReader();
  bool reader_held() const { return reader_held_; }
  int slot() const { return slot_; }
  bool read_only() const { return read_only_; }

  // The writer byte, waiting.
  bool LockWriter();
  void UnlockWriter();
  bool writer_held() const { return writer_held_; }
  // The writer byte without waiting: kBusy when another instance holds it.
  LockResult TryLockWriter();
  // Whether another instance holds the writer byte now (a commit of another
  // instance may be under way). Never waits.
  bool WriterBusyElsewhere();

  // All reader slots, waiting until no reader is inside. A reader slot this
  // instance holds is kept (retaken after the slots are released).
  bool LockAllSlots();
  void UnlockAllSlots();

  // Hold and table lock bytes, tried once. kBusy when another instance holds
  // the byte; taking a byte this instance already holds is granted.
  // A failure of the system itself (kFailed) leaves its status in status().
  LockResult TryNumberByte(uint32_t number);
  void UnlockNumberByte(uint32_t number);

  // The system error behind the last kFailed or false result.
  const Status& status() const { return status_; }

 private:
  LockResult Take(uint64_t offset, uint64_t length, bool wait, bool exclusive = true);
  void Drop(uint64_t offset, uint64_t length);

  File* file_;
  int slot_;
  bool read_only_;
  bool reader_held_ = false;
  bool writer_held_ = false;
  bool all_slots_held_ = false;
  Status status_;
};

// The offset of the hold or table lock byte of a record or table number.
inline uint64_t NumberByte(uint32_t number) {
  return kLockBase + kReaderSlots + 1 + uint64_t{number} + 1;
}

}  // namespace kavo
