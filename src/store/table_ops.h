// The work of Table's operations, with access to its state: the operation
// bracket, the row and key-entry maintenance, positioning steps and dynamic
// indexes. Private to the store: table.cpp, table_position.cpp and
// table_ops.cpp use it.
//
// Threading: every TableOps member runs inside the operation bracket
// (Run/Read), which holds StoreMutex() and the store file's operation
// bracket (StoreFile::Begin/End) for its whole run.
// REQUIRES: StoreMutex() held, for every member but Run and Read, which take it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/errors.h"
#include "store/format.h"
#include "store/record_codec.h"
#include "store/store_file.h"
#include "store/table.h"

namespace kavo {

// The 4-byte big-endian form of v.
std::string BE(uint32_t v);

// Rows and key entries must stay within the longest record the tree takes.
bool FitsTree(const TableDef& def);

// Posts st as the program's last error (cleared when it is OK) and returns it.
Status Post(const Table& t, Status st);

// Visits every record whose key part begins with prefix, in record order;
// a visit that fails ends the walk with its status. The walk goes on from
// the key last visited, so a visit may change the tree.
template <typename F>
Status ForEachWithPrefix(StoreFile& sf, std::string_view prefix, F&& visit) {
  std::string from(prefix);
  bool inclusive = true;
  Record r;
  for (;;) {
    bool found = false;
    KAVO_RETURN_IF_ERROR(
        sf.Find(from, inclusive ? SeekMode::kAtOrAfter : SeekMode::kAfter, &r, &found));
    if (!found || r.key().substr(0, prefix.size()) != prefix) return Status::OK();
    from.assign(r.key());
    inclusive = false;
    KAVO_RETURN_IF_ERROR(visit(r));
  }
}

// How long a holding read waits before it tries a held row again.
inline constexpr auto kHoldRetry = std::chrono::milliseconds(10);

// The work of the operations, with access to the Table's state. Each member
// runs inside the operation bracket.
class TableOps {
 public:
  explicit TableOps(Table& t) : t_(t), sf_(*t.store_) {}

  // The operation bracket around body: open and failure checks, header read,
  // commit or drop, the failed mark, and posting the result.
  template <typename F>
  static Status Run(Table& t, bool write, F&& body) {
    return Bracket(t, write, false, body);
  }

  // The bracket of a positioning read (it changes nothing in the file and,
  // in the instance, only what ReadState holds). It may begin without the
  // file's lock; when a commit overtook it, it is run again under the lock.
  // A holding read takes hold bytes, which a second run could not give back,
  // so it always runs locked.
  //
  // A holding read whose row another holds tries again from the state it
  // began in until the seconds given to HOLD have passed since the HOLD. It
  // waits between tries outside the bracket: inside, it would keep its
  // reader slot and the store's lock, and the holder's commit, which waits
  // for every reader slot, could never end the hold.
  template <typename F>
  static Status Read(Table& t, F&& body) {
    if (t.hold_seconds_ < 0) return Bracket(t, false, true, body);
    const auto limit = t.hold_since_ + std::chrono::seconds(t.hold_seconds_);
    for (;;) {
      t.SaveReadState();
      Status st = Bracket(t, false, false, body);
      if (st.code() != err::kRecordHeld ||
          (t.hold_seconds_ > 0 && std::chrono::steady_clock::now() >= limit))
        return st;
      t.RestoreReadState();
      std::this_thread::sleep_for(kHoldRetry);
    }
  }

  template <typename F>
  static Status Bracket(Table& t, bool write, bool may_restart, F& body) {
    std::lock_guard<std::recursive_mutex> guard(StoreMutex());
    if (!t.is_open()) return Post(t, Status::Error(err::kFileNotOpen));
    if (t.failed_check_ != 0) return Post(t, Status::Check(t.failed_check_));
    Status st = t.store_->Begin(write, may_restart);
    if (st.ok()) {
      TableOps ops(t);
      const bool unlocked = t.store_->reading_unlocked();
      if (unlocked) t.SaveReadState();
      st = body(ops);
      if (unlocked && st.is_restart()) {
        t.RestoreReadState();
        st = t.store_->Restart();
        if (st.ok()) st = body(ops);
      }
    }
    st = t.store_->End(st);
    if (st.is_check()) t.failed_check_ = st.check();
    return Post(t, st);
  }

  // Whether rows and key entries of the table fit the tree. A table written
  // elsewhere may declare longer rows; they are read, but writing one is
  // refused before anything changes (error 47).
  Status RowsFitTree() const {
    return FitsTree(t_.def_) ? Status::OK() : Status::Error(err::kInvalidRecordDeclaration);
  }

  // ---- keys and entries ----
  bool Indexed(const KeyDef& k) const { return !k.dynamic_index(); }
  bool Maintained(size_t k) const {
    const KeyDef& key = t_.def_.keys[k];
    return Indexed(key) && !key.deferred;
  }
  std::string KeyPrefix(size_t k) const {
    return rec::KindKey(t_.table_number_, static_cast<uint8_t>(k));
  }
  std::string ValueKey(size_t k, const uint8_t* row) const;
  // Whether the row has an entry in key k, and its key part and data part.
  bool Entry(size_t k, const uint8_t* row, uint32_t r, std::string* key, std::string* data) const;
  static uint32_t EntryRecord(const Record& e);

  // ---- counters ----
  Status Counter(uint8_t kind, uint32_t* count, uint32_t* flags);
  Status SetCounter(uint8_t kind, uint32_t count, uint32_t flags);
  // A deferred key records the lowest record number whose entries are missing.
  Status MarkDeferred(size_t k, uint32_t r);

  // ---- rows ----
  std::string StoredRow(const uint8_t* row) const;
  void LoadedRow(std::string_view data, uint8_t* row) const;
  void Convert(uint8_t* row, const std::array<uint8_t, 256>& map) const;
  Status ReadRow(uint32_t r, std::vector<uint8_t>* row, bool* found);

  // ---- memos ----
  Status ReadMemos(uint32_t r, std::vector<std::string>* out);
  std::vector<std::string> MemoSegments(size_t m, const std::string& value) const;
  // Writes the memos of row r, replacing changed segments and removing those
  // beyond the new last one. old: the memos as stored (nullptr: none stored).
  Status WriteMemos(uint32_t r, const std::vector<std::string>& memos,
                    const std::vector<std::string>* old);

  // ---- entry maintenance ----
  // Changes the entries of every maintained key from old_row to new_row
  // (either may be null). Error 40 restores the keys already changed.
  Status MaintainKeys(uint32_t r, const uint8_t* old_row, const uint8_t* new_row,
                      std::vector<int>* deltas);
  template <typename D>
  Status Undo(const std::vector<D>& done, uint32_t) {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      bool f = false;
      if (it->had_new) KAVO_RETURN_IF_ERROR(sf_.Erase(it->new_key, &f));
      if (it->had_old) KAVO_RETURN_IF_ERROR(sf_.Insert(it->old_key, it->old_data, &f));
    }
    return Status::OK();
  }
  // Adds deltas[k] to the entry count of key k and rows to the row count,
  // in one walk over the table's counters.
  Status ApplyDeltas(const std::vector<int>& deltas, int rows = 0);
  // The insertion step of ADD and APPEND: the buffer becomes a new row with
  // the next record number and the current row, its keys maintained or, with
  // maintain_keys false, deferred from this row on. A row of that number
  // already in the tree is a consistency failure.
  Status InsertNewRow(bool maintain_keys);

  // ---- positioning ----
  std::string OrderPrefix() const {
    return t_.state_.order < 0 ? rec::KindKey(t_.table_number_, fmt::kKindRow)
                               : KeyPrefix(static_cast<size_t>(t_.state_.order));
  }
  std::string OrderEnd() const;
  void SetFrom(std::string next, bool next_inc, std::string prev, bool prev_inc);
  void SetAt(std::string_view key);
  // The row's position in the current order.
  std::string CursorFor(const uint8_t* row, uint32_t r) const;

  // Takes a row into the buffer as the current row.
  Status Take(uint32_t r, const std::vector<uint8_t>& row);

  // Every change of a row keeps the row's hold byte while it runs: the byte
  // this context holds already, or one taken for the change and given back
  // when the RowByte goes. A row that another context or process holds
  // cannot be changed (error 5).
  class RowByte {
   public:
    RowByte() = default;
    RowByte(const RowByte&) = delete;
    RowByte& operator=(const RowByte&) = delete;
    ~RowByte() {
      if (sf_ != nullptr) sf_->DropNumberByte(r_, owner_);
    }

   private:
    friend class TableOps;
    StoreFile* sf_ = nullptr;
    uint32_t r_ = 0;
    const void* owner_ = nullptr;
  };
  Status KeepRowByte(uint32_t r, RowByte* byte);

  // Holds row r for a holding read, without waiting: error 43 while another
  // context or process holds it (Read tries again).
  Status TakeHold(uint32_t r);

  // Reads the record after/before the position, within the current order,
  // skipping entries whose rows are missing. load=false moves without taking
  // the row into the buffer.
  Status Step(bool forward, bool load);

  Status Locate(uint32_t r, bool* found);

  Status DeleteAllOf(std::string_view prefix);

  // Visits every row in record-number order.
  template <typename F>
  Status ForEachRow(F&& f) {
    const std::string prefix = rec::KindKey(t_.table_number_, fmt::kKindRow);
    std::vector<uint8_t> row;
    return ForEachWithPrefix(sf_, prefix, [&](const Record& r) {
      if (r.key().size() < prefix.size() + 4) return Status::Check(store_check::kTreeShape);
      row.assign(t_.def_.record_length, 0);
      LoadedRow(r.data(), row.data());
      return f(fmt::GetBE32(fmt::U8(r.key()) + prefix.size()), row);
    });
  }

  // ---- dynamic indexes ----
  bool Dynamic(size_t k) const { return t_.def_.keys[k].dynamic_index(); }
  Status BuildDynamic(size_t k, const Table::RowFilter& keep);
  // Finds an entry of key k: in the file, or for a dynamic index in its
  // entries in memory (built first when it never was).
  Status FindEntry(size_t k, std::string_view key, SeekMode mode, Record* out, bool* found);
  // A find in the current order: rows, a key, or a dynamic index.
  Status FindInOrder(std::string_view key, SeekMode mode, Record* out, bool* found) {
    if (t_.state_.order < 0) return sf_.Find(key, mode, out, found);
    return FindEntry(static_cast<size_t>(t_.state_.order), key, mode, out, found);
  }

  // Rebuilds key k from the rows numbered from `from` on.
  Status RebuildKey(size_t k, uint32_t from);

 private:
  Table& t_;
  StoreFile& sf_;
};

}  // namespace kavo
