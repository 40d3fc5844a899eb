#include "store/table.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "store/format.h"
#include "store/key_codec.h"
#include "store/record_codec.h"
#include "store/store_file.h"
#include "store/transaction.h"

namespace kavo {

std::recursive_mutex& StoreMutex() {
  static std::recursive_mutex m;
  return m;
}

namespace {

constexpr char kSeparator[] = "\\!";

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

bool HasExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string BE(uint32_t v) {
  std::string s;
  fmt::AppendBE32(&s, v);
  return s;
}

// Rows and key entries must stay within the longest record the tree takes.
bool FitsTree(const TableDef& def) {
  if (def.record_length + 9 > fmt::kMaxTreeRecord) return false;
  for (const KeyDef& k : def.keys) {
    if (def.KeyValueLength(k) + 9 > static_cast<size_t>(fmt::kMaxTreeRecord)) return false;
  }
  return true;
}

}  // namespace

std::string TransactionControlFile() {
  return ControlFileName();
}
void SetTransactionControlFile(std::string name) {
  SetControlFileName(name);
}

std::string TableName::Full() const {
  if (table == "UNNAMED") return file;
  return file + kSeparator + table;
}

TableName ParseTableName(std::string_view name, FileSystem* fs) {
  if (fs == nullptr) fs = DefaultFileSystem();
  TableName r;
  std::string s(name);
  size_t from = 0;
  size_t sep = std::string::npos;
  while ((sep = s.find(kSeparator, from)) != std::string::npos) {
    if (!fs->IsDirectory(s.substr(0, sep))) break;
    from = sep + 2;
  }
  if (sep == std::string::npos) {
    r.file = s;
    r.table = "UNNAMED";
  } else {
    r.file = s.substr(0, sep);
    r.table = s.substr(sep + 2);
    if (r.table.empty()) r.table = "UNNAMED";
  }
  if (!HasExtension(r.file)) r.file += ".VTF";
  return r;
}

namespace {

Status Post(const Table& t, Status st) {
  if (st.ok()) {
    ClearError();
  } else if (st.code() == err::kFileSystemError) {
    std::string name = t.Name();
    PostFileSystemError(name.empty() ? "Vantor File Driver Error" : name, st.detail());
  } else {
    PostError(st.code());
  }
  return st;
}

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

// A name for a new file in the directory of path that no file has yet.
std::string TempNameBeside(FileSystem* fs, const std::string& path) {
  static unsigned serial = 0;
  for (;;) {
    std::string name =
        path + ".copy-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    if (!fs->Exists(name)) return name;
  }
}

// Copies the whole of in into a new file named to, flushed.
Status CopyInto(File* in, FileSystem* fs, const std::string& to) {
  std::unique_ptr<File> out;
  KAVO_RETURN_IF_ERROR(fs->Open(to, OpenMode::kReadWrite, true, &out));
  std::string buf(size_t{1} << 16, '\0');
  for (uint64_t pos = 0;;) {
    size_t got = 0;
    KAVO_RETURN_IF_ERROR(in->Read(pos, buf.data(), buf.size(), &got));
    if (got == 0) break;
    KAVO_RETURN_IF_ERROR(out->Write(pos, buf.data(), got));
    pos += got;
  }
  return out->Flush();
}

// How long a holding read waits before it tries a held row again.
constexpr auto kHoldRetry = std::chrono::milliseconds(10);

}  // namespace

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
  std::string ValueKey(size_t k, const uint8_t* row) const {
    std::string key = KeyPrefix(k);
    t_.codec_->AppendKeyValue(t_.def_, t_.def_.keys[k], row, &key);
    return key;
  }
  // Whether the row has an entry in key k, and its key part and data part.
  bool Entry(size_t k, const uint8_t* row, uint32_t r, std::string* key, std::string* data) const {
    const KeyDef& kd = t_.def_.keys[k];
    if (kd.opt() && IsKeyEmpty(t_.def_, kd, row)) return false;
    *key = ValueKey(k, row);
    if (kd.dup()) {
      fmt::AppendBE32(key, r);
      data->clear();
    } else {
      *data = BE(r);
    }
    return true;
  }
  static uint32_t EntryRecord(const Record& e) {
    std::string_view b = e.bytes;
    if (b.size() < 4) return 0;
    return fmt::GetBE32(fmt::U8(b.substr(b.size() - 4)));
  }

  // ---- counters ----
  Status Counter(uint8_t kind, uint32_t* count, uint32_t* flags) {
    Record r;
    bool found = false;
    KAVO_RETURN_IF_ERROR(
        sf_.Find(rec::CounterKey(t_.table_number_, kind), SeekMode::kExact, &r, &found));
    if (!found || !rec::ParseCounter(r.data(), count, flags))
      return Status::Error(err::kAccessDenied);
    return Status::OK();
  }
  Status SetCounter(uint8_t kind, uint32_t count, uint32_t flags) {
    bool found = false;
    KAVO_RETURN_IF_ERROR(sf_.Replace(rec::CounterKey(t_.table_number_, kind),
                                     rec::CounterData(count, flags), &found));
    return found ? Status::OK() : Status::Error(err::kAccessDenied);
  }
  Status AdjustCounter(uint8_t kind, int delta) {
    if (delta == 0) return Status::OK();
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(Counter(kind, &count, &flags));
    return SetCounter(kind, static_cast<uint32_t>(static_cast<int64_t>(count) + delta), flags);
  }
  // A deferred key records the lowest record number whose entries are missing.
  Status MarkDeferred(size_t k, uint32_t r) {
    uint32_t count = 0, low = 0;
    KAVO_RETURN_IF_ERROR(Counter(static_cast<uint8_t>(k), &count, &low));
    if (low != 0 && low <= r) return Status::OK();
    return SetCounter(static_cast<uint8_t>(k), count, r);
  }

  // ---- rows ----
  std::string StoredRow(const uint8_t* row) const {
    if (t_.def_.record_length == 0) return {};
    std::string s(reinterpret_cast<const char*>(row), t_.def_.record_length);
    if (t_.oem_) Convert(reinterpret_cast<uint8_t*>(s.data()), AnsiToOem());
    return s;
  }
  void LoadedRow(std::string_view data, uint8_t* row) const {
    size_t n = std::min<size_t>(data.size(), t_.def_.record_length);
    if (n > 0) std::memcpy(row, data.data(), n);
    if (n < t_.def_.record_length) std::memset(row + n, 0, t_.def_.record_length - n);
    if (t_.oem_) Convert(row, OemToAnsi());
  }
  void Convert(uint8_t* row, const std::array<uint8_t, 256>& map) const {
    for (const FieldDef& f : t_.def_.fields) {
      if (f.flags != 0 || !HasStringExtras(f.type)) continue;
      uint8_t* p = row + f.offset;
      size_t n = f.size;
      if (f.type == FieldType::kCString) {
        n = 0;
        while (n < f.size && p[n] != 0) ++n;
      } else if (f.type == FieldType::kPString && f.size > 0) {
        n = std::min<size_t>(p[0], f.size - 1);
        ++p;
      }
      for (size_t i = 0; i < n; ++i) p[i] = map[p[i]];
    }
  }
  Status ReadRow(uint32_t r, std::vector<uint8_t>* row, bool* found) {
    Record& rc = t_.scratch_.row_record;
    KAVO_RETURN_IF_ERROR(sf_.Find(rec::RowKey(t_.table_number_, r), SeekMode::kExact, &rc, found));
    if (!*found) return Status::OK();
    row->assign(t_.def_.record_length, 0);
    LoadedRow(rc.data(), row->data());
    return Status::OK();
  }

  // ---- memos ----
  Status ReadMemos(uint32_t r, std::vector<std::string>* out) {
    out->assign(t_.def_.memos.size(), std::string());
    for (size_t m = 0; m < t_.def_.memos.size(); ++m) {
      const MemoDef& md = t_.def_.memos[m];
      std::string raw;
      std::string prefix = rec::MemoKey(t_.table_number_, r, static_cast<uint8_t>(m), 0);
      prefix.resize(prefix.size() - 2);
      KAVO_RETURN_IF_ERROR(ForEachWithPrefix(sf_, prefix, [&raw](const Record& seg) {
        raw.append(seg.data());
        return Status::OK();
      }));
      std::string& v = (*out)[m];
      if (md.is_blob()) {
        if (raw.size() >= 4) {
          uint32_t len = fmt::Get32(fmt::U8(raw));
          v = raw.substr(4, len);
        }
      } else {
        v = raw.substr(0, md.size);
        if (t_.oem_ && !md.is_binary())
          for (char& c : v) c = static_cast<char>(OemToAnsi()[static_cast<uint8_t>(c)]);
        v.resize(md.size, ' ');
      }
    }
    return Status::OK();
  }
  std::vector<std::string> MemoSegments(size_t m, const std::string& value) const {
    const MemoDef& md = t_.def_.memos[m];
    std::string raw;
    if (md.is_blob()) {
      raw.resize(4);
      fmt::Put32(reinterpret_cast<uint8_t*>(raw.data()), static_cast<uint32_t>(value.size()));
      raw += value;
    } else {
      raw = value.substr(0, md.size);
      size_t end = raw.find_last_not_of(' ');
      raw.resize(end == std::string::npos ? 0 : end + 1);
      if (t_.oem_ && !md.is_binary())
        for (char& c : raw) c = static_cast<char>(AnsiToOem()[static_cast<uint8_t>(c)]);
    }
    std::vector<std::string> segs;
    if (raw.empty()) return segs;
    if (md.is_blob()) {
      segs.push_back(raw.substr(0, 260));
      for (size_t pos = 260; pos < raw.size(); pos += 256) segs.push_back(raw.substr(pos, 256));
    } else {
      for (size_t pos = 0; pos < raw.size(); pos += 256) segs.push_back(raw.substr(pos, 256));
    }
    return segs;
  }
  // Writes the memos of row r, replacing changed segments and removing those
  // beyond the new last one. old: the memos as stored (nullptr: none stored).
  Status WriteMemos(uint32_t r, const std::vector<std::string>& memos,
                    const std::vector<std::string>* old) {
    for (size_t m = 0; m < t_.def_.memos.size(); ++m) {
      std::vector<std::string> segs = MemoSegments(m, memos[m]);
      std::vector<std::string> old_segs;
      if (old != nullptr) old_segs = MemoSegments(m, (*old)[m]);
      for (size_t s = 0; s < std::max(segs.size(), old_segs.size()); ++s) {
        std::string key =
            rec::MemoKey(t_.table_number_, r, static_cast<uint8_t>(m), static_cast<uint16_t>(s));
        bool flag = false;
        if (s >= segs.size()) {
          KAVO_RETURN_IF_ERROR(sf_.Erase(key, &flag));
        } else if (s >= old_segs.size()) {
          KAVO_RETURN_IF_ERROR(sf_.Insert(key, segs[s], &flag));
          if (flag) KAVO_RETURN_IF_ERROR(sf_.Replace(key, segs[s], &flag));
        } else if (segs[s] != old_segs[s]) {
          KAVO_RETURN_IF_ERROR(sf_.Replace(key, segs[s], &flag));
        }
      }
    }
    return Status::OK();
  }

  // ---- entry maintenance ----
  // Changes the entries of every maintained key from old_row to new_row
  // (either may be null). Error 40 restores the keys already changed.
  Status MaintainKeys(uint32_t r, const uint8_t* old_row, const uint8_t* new_row,
                      std::vector<int>* deltas) {
    struct Done {
      size_t k;
      bool had_old, had_new;
      std::string old_key, old_data, new_key, new_data;
    };
    std::vector<Done> done;
    deltas->assign(t_.def_.keys.size(), 0);
    for (size_t k = 0; k < t_.def_.keys.size(); ++k) {
      if (!Indexed(t_.def_.keys[k])) continue;
      if (!Maintained(k)) {
        KAVO_RETURN_IF_ERROR(MarkDeferred(k, r));
        continue;
      }
      Done d{k, false, false, {}, {}, {}, {}};
      if (old_row) d.had_old = Entry(k, old_row, r, &d.old_key, &d.old_data);
      if (new_row) d.had_new = Entry(k, new_row, r, &d.new_key, &d.new_data);
      if (d.had_old == d.had_new && d.old_key == d.new_key) {
        if (d.had_new && d.old_data != d.new_data) {
          bool f = false;
          KAVO_RETURN_IF_ERROR(sf_.Replace(d.new_key, d.new_data, &f));
        }
        continue;
      }
      if (d.had_new) {
        bool existed = false;
        Status st = sf_.Insert(d.new_key, d.new_data, &existed);
        if (st.ok() && existed) st = Status::Error(err::kDuplicateKey);
        if (!st.ok()) {
          KAVO_RETURN_IF_ERROR(Undo(done, r));
          return st;
        }
      }
      if (d.had_old) {
        Record e;
        bool found = false;
        KAVO_RETURN_IF_ERROR(sf_.Find(d.old_key, SeekMode::kExact, &e, &found));
        if (found && EntryRecord(e) == r) KAVO_RETURN_IF_ERROR(sf_.Erase(d.old_key, &found));
      }
      (*deltas)[k] = (d.had_new ? 1 : 0) - (d.had_old ? 1 : 0);
      done.push_back(std::move(d));
    }
    return Status::OK();
  }
  template <typename D>
  Status Undo(const std::vector<D>& done, uint32_t) {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      bool f = false;
      if (it->had_new) KAVO_RETURN_IF_ERROR(sf_.Erase(it->new_key, &f));
      if (it->had_old) KAVO_RETURN_IF_ERROR(sf_.Insert(it->old_key, it->old_data, &f));
    }
    return Status::OK();
  }
  Status ApplyDeltas(const std::vector<int>& deltas) {
    for (size_t k = 0; k < deltas.size(); ++k)
      KAVO_RETURN_IF_ERROR(AdjustCounter(static_cast<uint8_t>(k), deltas[k]));
    return Status::OK();
  }

  // ---- positioning ----
  std::string OrderPrefix() const {
    return t_.order_ < 0 ? rec::KindKey(t_.table_number_, fmt::kKindRow)
                         : KeyPrefix(static_cast<size_t>(t_.order_));
  }
  std::string OrderEnd() const {
    std::string p = OrderPrefix();
    p.back() = static_cast<char>(static_cast<uint8_t>(p.back()) + 1);
    return p;
  }
  void SetFrom(std::string next, bool next_inc, std::string prev, bool prev_inc) {
    t_.next_from_ = std::move(next);
    t_.next_inclusive_ = next_inc;
    t_.prev_from_ = std::move(prev);
    t_.prev_inclusive_ = prev_inc;
    t_.at_bof_ = t_.at_eof_ = false;
  }
  void SetAt(std::string_view key) {
    t_.next_from_.assign(key);
    t_.prev_from_.assign(key);
    t_.next_inclusive_ = t_.prev_inclusive_ = false;
    t_.at_bof_ = t_.at_eof_ = false;
  }
  // The row's position in the current order.
  std::string CursorFor(const uint8_t* row, uint32_t r) const {
    if (t_.order_ < 0) return rec::RowKey(t_.table_number_, r);
    std::string key = ValueKey(static_cast<size_t>(t_.order_), row);
    if (t_.def_.keys[static_cast<size_t>(t_.order_)].dup()) fmt::AppendBE32(&key, r);
    return key;
  }

  // Takes a row into the buffer as the current row.
  Status Take(uint32_t r, const std::vector<uint8_t>& row) {
    KAVO_RETURN_IF_ERROR(TakeHold(r));
    if (!row.empty()) std::memcpy(t_.record_.data(), row.data(), row.size());
    t_.read_image_ = row;
    t_.current_record_ = r;
    t_.bytes_ = t_.def_.record_length;
    std::vector<std::string> memos;
    KAVO_RETURN_IF_ERROR(ReadMemos(r, &memos));
    t_.read_memos_ = memos;
    if (!t_.no_memo_) t_.memos_ = std::move(memos);
    t_.no_memo_ = false;
    return Status::OK();
  }

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
  Status KeepRowByte(uint32_t r, RowByte* byte) {
    if (t_.held_record_ == r) return Status::OK();
    if (!sf_.TakeNumberByte(r, &t_).ok()) return Status::Error(err::kAccessDenied);
    byte->sf_ = &sf_;
    byte->r_ = r;
    byte->owner_ = &t_;
    return Status::OK();
  }

  // Holds row r for a holding read, without waiting: error 43 while another
  // context or process holds it (Read tries again).
  Status TakeHold(uint32_t r) {
    if (t_.hold_seconds_ < 0) return Status::OK();
    Status st = sf_.TakeNumberByte(r, &t_);
    if (st.code() == err::kFileLocked) return Status::Error(err::kRecordHeld);
    KAVO_RETURN_IF_ERROR(st);
    if (t_.held_record_ != 0 && t_.held_record_ != r) sf_.DropNumberByte(t_.held_record_, &t_);
    t_.held_record_ = r;
    return Status::OK();
  }

  // Reads the record after/before the position, within the current order,
  // skipping entries whose rows are missing. load=false moves without taking
  // the row into the buffer.
  Status Step(bool forward, bool load) {
    const std::string prefix = OrderPrefix();
    // The instance's scratch buffers keep their capacity from row to row,
    // so a walk allocates nothing once warm.
    std::string& from = t_.scratch_.from;
    from.assign(forward ? t_.next_from_ : t_.prev_from_);
    bool inclusive = forward ? t_.next_inclusive_ : t_.prev_inclusive_;
    Record& r = t_.scratch_.entry;
    std::vector<uint8_t>& row = t_.scratch_.row;
    for (;;) {
      bool found = false;
      if (forward) {
        KAVO_RETURN_IF_ERROR(
            FindInOrder(from, inclusive ? SeekMode::kAtOrAfter : SeekMode::kAfter, &r, &found));
      } else {
        if (inclusive) KAVO_RETURN_IF_ERROR(FindInOrder(from, SeekMode::kExact, &r, &found));
        if (!found) KAVO_RETURN_IF_ERROR(FindInOrder(from, SeekMode::kBefore, &r, &found));
      }
      if (!found || r.key().substr(0, prefix.size()) != prefix) {
        // The position stays beyond the end it ran off.
        if (forward) {
          t_.prev_from_ = OrderEnd();
          t_.prev_inclusive_ = false;
          t_.at_eof_ = true;
        } else {
          t_.next_from_ = prefix;
          t_.next_inclusive_ = true;
          t_.at_bof_ = true;
        }
        return Status::Error(err::kRecordNotAvailable);
      }
      std::string_view key = r.key();
      uint32_t number = 0;
      bool have = true;
      if (t_.order_ < 0) {
        if (key.size() < prefix.size() + 4) return Status::Check(store_check::kTreeShape);
        number = fmt::GetBE32(fmt::U8(key) + prefix.size());
        row.assign(t_.def_.record_length, 0);
        LoadedRow(r.data(), row.data());
      } else {
        number = EntryRecord(r);
        KAVO_RETURN_IF_ERROR(ReadRow(number, &row, &have));
      }
      from.assign(key);
      inclusive = false;
      if (!have) continue;
      SetAt(from);
      if (load) return Take(number, row);
      t_.current_record_ = number;
      return Status::OK();
    }
  }

  Status Locate(uint32_t r, bool* found) {
    std::vector<uint8_t> row;
    KAVO_RETURN_IF_ERROR(ReadRow(r, &row, found));
    if (!*found) return Status::OK();
    KAVO_RETURN_IF_ERROR(Take(r, row));
    SetAt(CursorFor(t_.record_.data(), r));
    return Status::OK();
  }

  Status DeleteAllOf(std::string_view prefix) {
    std::vector<std::string> keys;
    KAVO_RETURN_IF_ERROR(ForEachWithPrefix(sf_, prefix, [&keys](const Record& r) {
      keys.emplace_back(r.key());
      return Status::OK();
    }));
    for (const std::string& k : keys) {
      bool f = false;
      KAVO_RETURN_IF_ERROR(sf_.Erase(k, &f));
    }
    return Status::OK();
  }

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
  Status BuildDynamic(size_t k, const Table::RowFilter& keep) {
    Table::DynamicIndex& index = t_.dynamic_[k];
    index.entries.clear();
    index.built = false;
    std::vector<uint8_t> buffer;
    if (keep) buffer = t_.record_;
    Status st = ForEachRow([&](uint32_t r, const std::vector<uint8_t>& row) -> Status {
      if (keep) {
        std::memcpy(t_.record_.data(), row.data(), row.size());
        if (!keep()) return Status::OK();
      }
      std::string key, data;
      if (!Entry(k, row.data(), r, &key, &data)) return Status::OK();
      if (!index.entries.emplace(std::move(key), std::move(data)).second)
        return Status::Error(err::kDuplicateKey);
      return Status::OK();
    });
    if (keep) t_.record_ = std::move(buffer);
    if (!st.ok()) {
      index.entries.clear();
      return st;
    }
    index.built = true;
    return Status::OK();
  }
  // Finds an entry of key k: in the file, or for a dynamic index in its
  // entries in memory (built first when it never was).
  Status FindEntry(size_t k, std::string_view key, SeekMode mode, Record* out, bool* found) {
    if (!Dynamic(k)) return sf_.Find(key, mode, out, found);
    if (!t_.dynamic_[k].built) KAVO_RETURN_IF_ERROR(BuildDynamic(k, nullptr));
    const auto& entries = t_.dynamic_[k].entries;
    auto it = entries.end();
    switch (mode) {
      case SeekMode::kExact:
        it = entries.find(key);
        break;
      case SeekMode::kAtOrAfter:
        it = entries.lower_bound(key);
        break;
      case SeekMode::kAfter:
        it = entries.upper_bound(key);
        break;
      case SeekMode::kBefore:
        it = entries.lower_bound(key);
        it = it == entries.begin() ? entries.end() : std::prev(it);
        break;
    }
    *found = it != entries.end();
    if (*found) *out = Record(it->first, it->second);
    return Status::OK();
  }
  // A find in the current order: rows, a key, or a dynamic index.
  Status FindInOrder(std::string_view key, SeekMode mode, Record* out, bool* found) {
    if (t_.order_ < 0) return sf_.Find(key, mode, out, found);
    return FindEntry(static_cast<size_t>(t_.order_), key, mode, out, found);
  }

  // Rebuilds key k from the rows numbered from `from` on.
  Status RebuildKey(size_t k, uint32_t from) {
    KAVO_RETURN_IF_ERROR(RowsFitTree());
    std::string prefix = KeyPrefix(k);
    if (from <= 1) {
      KAVO_RETURN_IF_ERROR(DeleteAllOf(prefix));
    } else {
      std::vector<std::string> stale;
      KAVO_RETURN_IF_ERROR(ForEachWithPrefix(sf_, prefix, [&](const Record& r) {
        if (EntryRecord(r) >= from) stale.emplace_back(r.key());
        return Status::OK();
      }));
      for (const std::string& key : stale) {
        bool f = false;
        KAVO_RETURN_IF_ERROR(sf_.Erase(key, &f));
      }
    }
    uint32_t entries = 0;
    KAVO_RETURN_IF_ERROR(ForEachRow([&](uint32_t r, const std::vector<uint8_t>& row) -> Status {
      std::string key, data;
      if (!Entry(k, row.data(), r, &key, &data)) return Status::OK();
      if (r < from) {
        ++entries;
        return Status::OK();
      }
      bool existed = false;
      KAVO_RETURN_IF_ERROR(sf_.Insert(key, data, &existed));
      if (existed) return Status::Error(err::kDuplicateKey);
      ++entries;
      return Status::OK();
    }));
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(Counter(static_cast<uint8_t>(k), &count, &flags));
    return SetCounter(static_cast<uint8_t>(k), entries, 0);
  }

 private:
  Table& t_;
  StoreFile& sf_;
};

// ---- Table ----

Table::Table() = default;

Table::~Table() {
  if (is_open()) (void)Close();
}

Status Table::Create(std::string_view name, const TableDef& def, const OpenOptions& opt) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  FileSystem* fs = opt.fs ? opt.fs : DefaultFileSystem();
  Table t;
  t.name_ = ParseTableName(name, fs);
  if (opt.mode == OpenMode::kReadOnly) return Post(t, Status::Error(err::kAccessDenied));
  if (!def.Validate().empty() || !FitsTree(def))
    return Post(t, Status::Error(err::kInvalidRecordDeclaration));
  std::shared_ptr<StoreFile> sf;
  OpenOptions file_opt = opt;
  file_opt.encrypt = opt.encrypt || def.has(kTableEncrypt);
  Status st = StoreFile::Acquire(fs, t.name_.file, file_opt, true, &sf);
  if (!st.ok()) return Post(t, st);
  st = sf->Begin(true);
  if (st.ok()) {
    st = [&]() -> Status {
      std::string name_key = rec::NameKey(t.name_.table);
      Record old;
      bool found = false;
      KAVO_RETURN_IF_ERROR(sf->Find(name_key, SeekMode::kExact, &old, &found));
      t.store_ = sf;
      TableOps ops(t);
      if (found && old.data().size() == 4) {
        KAVO_RETURN_IF_ERROR(ops.DeleteAllOf(old.data()));
        KAVO_RETURN_IF_ERROR(sf->Erase(name_key, &found));
      }
      uint32_t tn = 0;
      KAVO_RETURN_IF_ERROR(sf->NextNumber(&tn));
      bool existed = false;
      KAVO_RETURN_IF_ERROR(sf->Insert(name_key, BE(tn), &existed));
      std::string stream = rec::EncodeDefinition(def);
      for (size_t pos = 0, b = 0; pos < stream.size() || b == 0; pos += 512, ++b) {
        KAVO_RETURN_IF_ERROR(sf->Insert(rec::DefinitionKey(tn, static_cast<uint16_t>(b)),
                                        stream.substr(pos, 512), &existed));
      }
      KAVO_RETURN_IF_ERROR(
          sf->Insert(rec::CounterKey(tn, fmt::kKindRow), rec::CounterData(0, 0), &existed));
      for (size_t k = 0; k < def.keys.size(); ++k)
        KAVO_RETURN_IF_ERROR(sf->Insert(rec::CounterKey(tn, static_cast<uint8_t>(k)),
                                        rec::CounterData(0, 0), &existed));
      KeyCharTables tables = KeyCharTables::FromProcess(ProcessCharTables(), def.has(kTableOem));
      std::string ct(KeyCharTables::kRecordSize, '\0');
      tables.Serialize(reinterpret_cast<uint8_t*>(ct.data()));
      return sf->Insert(rec::CharTablesKey(tn), ct, &existed);
    }();
  }
  st = sf->End(st);
  t.store_.reset();
  return Post(t, st);
}

Status Table::Open(std::string_view name, const TableDef* declared, const OpenOptions& opt) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (is_open()) return Post(*this, Status::Error(err::kFileAlreadyOpen));
  FileSystem* fs = opt.fs ? opt.fs : DefaultFileSystem();
  name_ = ParseTableName(name, fs);
  failed_check_ = 0;
  std::shared_ptr<StoreFile> sf;
  OpenOptions file_opt = opt;
  file_opt.encrypt = opt.encrypt || (declared != nullptr && declared->has(kTableEncrypt));
  Status st = StoreFile::Acquire(fs, name_.file, file_opt, false, &sf);
  if (!st.ok()) return Post(*this, st);
  st = sf->Begin(false);
  if (st.ok()) {
    st = [&]() -> Status {
      Record r;
      bool found = false;
      KAVO_RETURN_IF_ERROR(sf->Find(rec::NameKey(name_.table), SeekMode::kExact, &r, &found));
      if (!found || r.data().size() != 4) return Status::Error(err::kFileNotFound);
      uint32_t tn = fmt::GetBE32(fmt::U8(r.data()));
      std::string stream;
      std::string prefix = rec::KindKey(tn, fmt::kKindDefinition);
      std::string from = prefix;
      bool inclusive = true;
      uint16_t expect = 0;
      for (;;) {
        Record b;
        KAVO_RETURN_IF_ERROR(
            sf->Find(from, inclusive ? SeekMode::kAtOrAfter : SeekMode::kAfter, &b, &found));
        if (!found || b.key().substr(0, prefix.size()) != prefix || b.key().size() != 7) break;
        uint16_t block = fmt::Get16(fmt::U8(b.key()) + 5);
        if (block < expect) return Status::Error(err::kInvalidRecordDeclaration);
        for (; expect < block; ++expect) stream.append(512, '\0');
        stream.append(b.data());
        ++expect;
        from = std::string(b.key());
        inclusive = false;
      }
      TableDef stored;
      KAVO_RETURN_IF_ERROR(rec::DecodeDefinition(stream, &stored));
      if (declared != nullptr && !rec::DefinitionsMatch(stored, *declared))
        return Status::Error(err::kInvalidRecordDeclaration);
      KeyCharTables tables;
      Record ct;
      KAVO_RETURN_IF_ERROR(sf->Find(rec::CharTablesKey(tn), SeekMode::kExact, &ct, &found));
      if (!found || !KeyCharTables::Parse(fmt::U8(ct.data()), ct.data().size(), &tables))
        tables = KeyCharTables::FromProcess(ProcessCharTables(), false);
      def_ = declared != nullptr ? *declared : stored;
      if (declared == nullptr) {
        def_.label = name_.table;
      }
      table_number_ = tn;
      oem_ = tables.oem;
      codec_ = std::make_shared<KeyCodec>(tables);
      return Status::OK();
    }();
  }
  st = sf->End(st);
  if (!st.ok()) return Post(*this, st);
  store_ = std::move(sf);
  record_.assign(def_.record_length, 0);
  memos_.assign(def_.memos.size(), std::string());
  dynamic_.assign(def_.keys.size(), DynamicIndex());
  ClearRecord();
  order_ = -1;
  TableOps(*this).SetFrom(rec::KindKey(table_number_, fmt::kKindRow), true,
                          rec::KindKey(table_number_, fmt::kKindRow + 1), false);
  current_record_ = 0;
  bytes_ = 0;
  return Post(*this, Status::OK());
}

Status Table::Share(std::string_view name, const TableDef* declared) {
  OpenOptions opt;
  opt.share = ShareMode::kDenyNone;
  return Open(name, declared, opt);
}

Status Table::Close() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  Status st;
  if (streaming_) {
    store_->EndStream();
    streaming_ = false;
    if (failed_check_ == 0 && store_->Begin(true).ok()) st = store_->End(Status::OK());
  }
  if (held_record_ != 0) store_->DropNumberByte(held_record_, this);
  if (locked_) store_->DropNumberByte(table_number_, this);
  held_record_ = 0;
  hold_seconds_ = -1;
  locked_ = false;
  failed_check_ = 0;
  store_.reset();
  codec_.reset();
  dynamic_.clear();
  return Post(*this, st);
}

void Table::ClearRecord() {
  std::fill(record_.begin(), record_.end(), 0);
  for (const FieldDef& f : def_.fields) {
    if (f.type == FieldType::kString && f.size > 0)
      std::memset(record_.data() + f.offset, ' ', f.size);
  }
  for (size_t m = 0; m < memos_.size(); ++m) {
    memos_[m] = def_.memos[m].is_blob() ? std::string() : std::string(def_.memos[m].size, ' ');
  }
}

Status Table::Add() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    KAVO_RETURN_IF_ERROR(ops.RowsFitTree());
    uint32_t r = 0;
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(ops.Counter(fmt::kKindRow, &count, &flags));
    KAVO_RETURN_IF_ERROR(store_->NextNumber(&r));
    std::vector<int> deltas;
    KAVO_RETURN_IF_ERROR(ops.MaintainKeys(r, nullptr, record_.data(), &deltas));
    bool existed = false;
    KAVO_RETURN_IF_ERROR(
        store_->Insert(rec::RowKey(table_number_, r), ops.StoredRow(record_.data()), &existed));
    if (existed) return Status::Check(store_check::kTreeShape);
    KAVO_RETURN_IF_ERROR(ops.SetCounter(fmt::kKindRow, count + 1, flags));
    KAVO_RETURN_IF_ERROR(ops.ApplyDeltas(deltas));
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(r, memos_, nullptr));
    current_record_ = r;
    bytes_ = def_.record_length;
    read_image_ = record_;
    read_memos_ = memos_;
    ops.SetAt(ops.CursorFor(record_.data(), r));
    return Status::OK();
  });
}

Status Table::Append() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    KAVO_RETURN_IF_ERROR(ops.RowsFitTree());
    uint32_t r = 0;
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(ops.Counter(fmt::kKindRow, &count, &flags));
    KAVO_RETURN_IF_ERROR(store_->NextNumber(&r));
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (ops.Indexed(def_.keys[k])) KAVO_RETURN_IF_ERROR(ops.MarkDeferred(k, r));
    }
    bool existed = false;
    KAVO_RETURN_IF_ERROR(
        store_->Insert(rec::RowKey(table_number_, r), ops.StoredRow(record_.data()), &existed));
    KAVO_RETURN_IF_ERROR(ops.SetCounter(fmt::kKindRow, count + 1, flags));
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(r, memos_, nullptr));
    current_record_ = r;
    bytes_ = def_.record_length;
    read_image_ = record_;
    read_memos_ = memos_;
    return Status::OK();
  });
}

Status Table::Put() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    if (current_record_ == 0 || read_image_.size() != record_.size())
      return Status::Error(err::kRecordNotAvailable);
    KAVO_RETURN_IF_ERROR(ops.RowsFitTree());
    uint32_t r = current_record_;
    TableOps::RowByte byte;
    KAVO_RETURN_IF_ERROR(ops.KeepRowByte(r, &byte));
    std::vector<uint8_t> now;
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.ReadRow(r, &now, &found));
    if (!found || now != read_image_) return Status::Error(err::kRecordChanged);
    std::vector<std::string> memos_now;
    KAVO_RETURN_IF_ERROR(ops.ReadMemos(r, &memos_now));
    if (memos_now != read_memos_) return Status::Error(err::kRecordChanged);
    std::vector<int> deltas;
    KAVO_RETURN_IF_ERROR(ops.MaintainKeys(r, now.data(), record_.data(), &deltas));
    KAVO_RETURN_IF_ERROR(
        store_->Replace(rec::RowKey(table_number_, r), ops.StoredRow(record_.data()), &found));
    KAVO_RETURN_IF_ERROR(ops.ApplyDeltas(deltas));
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(r, memos_, &memos_now));
    read_image_ = record_;
    read_memos_ = memos_;
    bytes_ = def_.record_length;
    ops.SetAt(ops.CursorFor(record_.data(), r));
    return Status::OK();
  });
}

Status Table::PutRecord(uint32_t record_number) {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    KAVO_RETURN_IF_ERROR(ops.RowsFitTree());
    TableOps::RowByte byte;
    KAVO_RETURN_IF_ERROR(ops.KeepRowByte(record_number, &byte));
    std::vector<uint8_t> now;
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.ReadRow(record_number, &now, &found));
    if (!found) return Status::Error(err::kRecordNotFound);
    std::vector<std::string> memos_now;
    KAVO_RETURN_IF_ERROR(ops.ReadMemos(record_number, &memos_now));
    std::vector<int> deltas;
    KAVO_RETURN_IF_ERROR(ops.MaintainKeys(record_number, now.data(), record_.data(), &deltas));
    KAVO_RETURN_IF_ERROR(store_->Replace(rec::RowKey(table_number_, record_number),
                                         ops.StoredRow(record_.data()), &found));
    KAVO_RETURN_IF_ERROR(ops.ApplyDeltas(deltas));
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(record_number, memos_, &memos_now));
    current_record_ = record_number;
    read_image_ = record_;
    read_memos_ = memos_;
    bytes_ = def_.record_length;
    return Status::OK();
  });
}

Status Table::Delete() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    if (current_record_ == 0) return Status::Error(err::kRecordNotAvailable);
    uint32_t r = current_record_;
    TableOps::RowByte byte;
    KAVO_RETURN_IF_ERROR(ops.KeepRowByte(r, &byte));
    std::vector<uint8_t> now;
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.ReadRow(r, &now, &found));
    if (!found) return Status::Error(err::kRecordNotAvailable);
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(ops.Counter(fmt::kKindRow, &count, &flags));
    std::vector<std::string> memos_now;
    KAVO_RETURN_IF_ERROR(ops.ReadMemos(r, &memos_now));
    std::vector<int> deltas;
    KAVO_RETURN_IF_ERROR(ops.MaintainKeys(r, now.data(), nullptr, &deltas));
    KAVO_RETURN_IF_ERROR(store_->Erase(rec::RowKey(table_number_, r), &found));
    KAVO_RETURN_IF_ERROR(ops.SetCounter(fmt::kKindRow, count > 0 ? count - 1 : 0, flags));
    KAVO_RETURN_IF_ERROR(ops.ApplyDeltas(deltas));
    std::vector<std::string> none(def_.memos.size());
    for (size_t m = 0; m < none.size(); ++m)
      if (!def_.memos[m].is_blob()) none[m] = std::string(def_.memos[m].size, ' ');
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(r, none, &memos_now));
    // The position stays where the row was, so NEXT reads the row after it.
    std::string at = order_ < 0 ? rec::RowKey(table_number_, r) : ops.CursorFor(now.data(), r);
    ops.SetAt(at);
    current_record_ = 0;
    read_image_.clear();
    return Status::OK();
  });
}

Status Table::Empty() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      KAVO_RETURN_IF_ERROR(ops.DeleteAllOf(ops.KeyPrefix(k)));
      uint32_t count = 0, flags = 0;
      KAVO_RETURN_IF_ERROR(ops.Counter(static_cast<uint8_t>(k), &count, &flags));
      KAVO_RETURN_IF_ERROR(ops.SetCounter(static_cast<uint8_t>(k), 0, 0));
    }
    KAVO_RETURN_IF_ERROR(ops.DeleteAllOf(rec::KindKey(table_number_, fmt::kKindRow)));
    KAVO_RETURN_IF_ERROR(ops.DeleteAllOf(rec::KindKey(table_number_, fmt::kKindMemo)));
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(ops.Counter(fmt::kKindRow, &count, &flags));
    KAVO_RETURN_IF_ERROR(ops.SetCounter(fmt::kKindRow, 0, flags));
    current_record_ = 0;
    std::string p = ops.OrderPrefix();
    ops.SetFrom(p, true, ops.OrderEnd(), false);
    return Status::OK();
  });
}

// ---- Positioning ----

Status Table::Set() {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    order_ = -1;
    ops.SetFrom(ops.OrderPrefix(), true, ops.OrderEnd(), false);
    return Status::OK();
  });
}

Status Table::SetRecord(uint32_t record_number) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    order_ = -1;
    std::string k = rec::RowKey(table_number_, record_number);
    ops.SetFrom(k, true, k, true);
    return Status::OK();
  });
}

Status Table::SetKey(int key) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    order_ = key;
    ops.SetFrom(ops.OrderPrefix(), true, ops.OrderEnd(), false);
    return Status::OK();
  });
}

Status Table::SetKeyValue(int key) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    order_ = key;
    std::string v = ops.ValueKey(static_cast<size_t>(key), record_.data());
    if (def_.keys[static_cast<size_t>(key)].dup()) {
      std::string lo = v, hi = v;
      fmt::AppendBE32(&lo, 0);
      fmt::AppendBE32(&hi, 0xFFFFFFFFu);
      ops.SetFrom(lo, true, hi, true);
    } else {
      ops.SetFrom(v, true, v, true);
    }
    return Status::OK();
  });
}

Status Table::SetKeyValueRecord(int key, uint32_t record_number) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    order_ = key;
    std::string v = ops.ValueKey(static_cast<size_t>(key), record_.data());
    if (def_.keys[static_cast<size_t>(key)].dup()) fmt::AppendBE32(&v, record_number);
    ops.SetFrom(v, true, v, true);
    return Status::OK();
  });
}

Status Table::SetKeyRecord(int key, uint32_t record_number) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    std::vector<uint8_t> row;
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.ReadRow(record_number, &row, &found));
    if (!found) return Status::Error(err::kRecordNotFound);
    order_ = key;
    std::string at = ops.CursorFor(row.data(), record_number);
    ops.SetFrom(at, true, at, true);
    return Status::OK();
  });
}

Status Table::Next() {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status { return ops.Step(true, true); });
}

Status Table::Previous() {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status { return ops.Step(false, true); });
}

Status Table::Skip(int n) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    bool forward = n >= 0;
    for (int i = 0; i < (forward ? n : -n); ++i) KAVO_RETURN_IF_ERROR(ops.Step(forward, false));
    return Status::OK();
  });
}

Status Table::Get(int key) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    size_t k = static_cast<size_t>(key);
    std::string v = ops.ValueKey(k, record_.data());
    Record e;
    bool found = false;
    if (def_.keys[k].dup()) {
      KAVO_RETURN_IF_ERROR(ops.FindEntry(k, v, SeekMode::kAtOrAfter, &e, &found));
      found = found && e.key().size() == v.size() + 4 && e.key().substr(0, v.size()) == v;
    } else {
      KAVO_RETURN_IF_ERROR(ops.FindEntry(k, v, SeekMode::kExact, &e, &found));
    }
    if (!found) return Status::Error(err::kRecordNotFound);
    uint32_t r = TableOps::EntryRecord(e);
    std::vector<uint8_t> row;
    KAVO_RETURN_IF_ERROR(ops.ReadRow(r, &row, &found));
    if (!found) return Status::Error(err::kRecordNotFound);
    KAVO_RETURN_IF_ERROR(ops.Take(r, row));
    order_ = key;
    ops.SetAt(std::string(e.key()));
    return Status::OK();
  });
}

Status Table::GetRecord(uint32_t record_number) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.Locate(record_number, &found));
    return found ? Status::OK() : Status::Error(err::kRecordNotFound);
  });
}

Status Table::GetKeyRecord(int key, uint32_t record_number) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    order_ = key;
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.Locate(record_number, &found));
    return found ? Status::OK() : Status::Error(err::kRecordNotFound);
  });
}

Status Table::Reget(std::string_view position) {
  if (position.size() < 4) return Post(*this, Status::Error(err::kRecordNotFound));
  return GetRecord(fmt::GetBE32(fmt::U8(position)));
}

Status Table::Reget(int key, std::string_view position) {
  if (position.size() < 4) return Post(*this, Status::Error(err::kRecordNotFound));
  return GetKeyRecord(key, fmt::GetBE32(fmt::U8(position)));
}

void Table::SaveReadState() {
  saved_.record = record_;
  saved_.memos = memos_;
  saved_.no_memo = no_memo_;
  saved_.order = order_;
  saved_.next_from = next_from_;
  saved_.next_inclusive = next_inclusive_;
  saved_.prev_from = prev_from_;
  saved_.prev_inclusive = prev_inclusive_;
  saved_.current_record = current_record_;
  saved_.bytes = bytes_;
  saved_.read_image = read_image_;
  saved_.read_memos = read_memos_;
  saved_.at_bof = at_bof_;
  saved_.at_eof = at_eof_;
}

void Table::RestoreReadState() {
  record_ = saved_.record;
  memos_ = saved_.memos;
  no_memo_ = saved_.no_memo;
  order_ = saved_.order;
  next_from_ = saved_.next_from;
  next_inclusive_ = saved_.next_inclusive;
  prev_from_ = saved_.prev_from;
  prev_inclusive_ = saved_.prev_inclusive;
  current_record_ = saved_.current_record;
  bytes_ = saved_.bytes;
  read_image_ = saved_.read_image;
  read_memos_ = saved_.read_memos;
  at_bof_ = saved_.at_bof;
  at_eof_ = saved_.at_eof;
}

std::string Table::Position() const {
  if (current_record_ == 0) return {};
  return BE(current_record_);
}

std::string Table::Position(int key) const {
  if (current_record_ == 0 || !is_open() || !HasKey(key)) return {};
  std::string p = BE(current_record_);
  codec_->AppendKeyValue(def_, def_.keys[static_cast<size_t>(key)], record_.data(), &p);
  return p;
}

Status Table::Reset(std::string_view position) {
  if (position.size() < 4) return Post(*this, Status::Error(err::kRecordNotFound));
  return SetRecord(fmt::GetBE32(fmt::U8(position)));
}

Status Table::Reset(int key, std::string_view position) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    size_t k = static_cast<size_t>(key);
    if (position.size() != 4 + def_.KeyValueLength(def_.keys[k]))
      return Status::Error(err::kRecordNotFound);
    order_ = key;
    std::string at = ops.KeyPrefix(k);
    at.append(position.substr(4));
    if (def_.keys[k].dup()) at.append(position.substr(0, 4));
    ops.SetFrom(at, true, at, true);
    return Status::OK();
  });
}

Status Table::Records(uint32_t* count) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    uint32_t flags = 0;
    return ops.Counter(fmt::kKindRow, count, &flags);
  });
}

Status Table::Records(int key, uint32_t* count) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    size_t k = static_cast<size_t>(key);
    if (ops.Dynamic(k)) {
      if (!dynamic_[k].built) KAVO_RETURN_IF_ERROR(ops.BuildDynamic(k, nullptr));
      *count = static_cast<uint32_t>(dynamic_[k].entries.size());
      return Status::OK();
    }
    uint32_t flags = 0;
    return ops.Counter(static_cast<uint8_t>(key), count, &flags);
  });
}

Status Table::Duplicate(int key, bool* duplicate) {
  *duplicate = false;
  return TableOps::Run(*this, false, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    size_t k = static_cast<size_t>(key);
    const KeyDef& kd = def_.keys[k];
    if (kd.opt() && IsKeyEmpty(def_, kd, record_.data())) return Status::OK();
    std::string v = ops.ValueKey(k, record_.data());
    std::string from = v;
    bool inclusive = true;
    for (;;) {
      Record e;
      bool found = false;
      KAVO_RETURN_IF_ERROR(
          ops.FindEntry(k, from, inclusive ? SeekMode::kAtOrAfter : SeekMode::kAfter, &e, &found));
      if (!found || e.key().substr(0, v.size()) != v ||
          e.key().size() != v.size() + (kd.dup() ? 4 : 0))
        return Status::OK();
      if (TableOps::EntryRecord(e) != current_record_) {
        *duplicate = true;
        return Status::OK();
      }
      from = std::string(e.key());
      inclusive = false;
    }
  });
}

Status Table::Duplicate(bool* duplicate) {
  *duplicate = false;
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    if (def_.keys[k].dup()) continue;
    bool d = false;
    KAVO_RETURN_IF_ERROR(Duplicate(static_cast<int>(k), &d));
    if (d) {
      *duplicate = true;
      break;
    }
  }
  return Post(*this, Status::OK());
}

// ---- Holding, locking, streaming ----

Status Table::Hold(int seconds) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  hold_seconds_ = std::max(0, seconds);
  hold_since_ = std::chrono::steady_clock::now();
  return Post(*this, Status::OK());
}

Status Table::Release() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  if (held_record_ != 0) store_->DropNumberByte(held_record_, this);
  held_record_ = 0;
  hold_seconds_ = -1;
  return Post(*this, Status::OK());
}

Status Table::Watch() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  return Post(*this, is_open() ? Status::OK() : Status::Error(err::kFileNotOpen));
}

Status Table::Lock() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  if (locked_) return Post(*this, Status::OK());
  Status st = store_->TakeNumberByte(table_number_, this);
  if (st.ok()) locked_ = true;
  return Post(*this, st);
}

Status Table::Unlock() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  if (locked_) store_->DropNumberByte(table_number_, this);
  locked_ = false;
  return Post(*this, Status::OK());
}

Status Table::Stream() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  if (!streaming_) {
    Status st = store_->BeginStream();
    if (!st.ok()) return Post(*this, st);
  }
  streaming_ = true;
  return Post(*this, Status::OK());
}

Status Table::Flush() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (!is_open()) return Post(*this, Status::Error(err::kFileNotOpen));
  if (!streaming_) return Post(*this, Status::OK());
  streaming_ = false;
  store_->EndStream();
  return TableOps::Run(*this, true, [&](TableOps&) -> Status { return Status::OK(); });
}

// ---- Building and packing ----

Status Table::Build() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    if (full_build_) {
      KeyCharTables tables = KeyCharTables::FromProcess(ProcessCharTables(), oem_);
      std::string ct(KeyCharTables::kRecordSize, '\0');
      tables.Serialize(reinterpret_cast<uint8_t*>(ct.data()));
      bool found = false;
      KAVO_RETURN_IF_ERROR(store_->Replace(rec::CharTablesKey(table_number_), ct, &found));
      if (!found)
        KAVO_RETURN_IF_ERROR(store_->Insert(rec::CharTablesKey(table_number_), ct, &found));
      codec_ = std::make_shared<KeyCodec>(tables);
    }
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (!ops.Indexed(def_.keys[k])) continue;
      uint32_t count = 0, low = 0;
      KAVO_RETURN_IF_ERROR(ops.Counter(static_cast<uint8_t>(k), &count, &low));
      if (full_build_) {
        KAVO_RETURN_IF_ERROR(ops.RebuildKey(k, 0));
      } else if (low != 0) {
        KAVO_RETURN_IF_ERROR(ops.RebuildKey(k, low));
      }
    }
    return Status::OK();
  });
}

Status Table::BuildKey(int key) {
  if (HasKey(key) && def_.keys[static_cast<size_t>(key)].dynamic_index()) return BuildIndex(key);
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    return ops.RebuildKey(static_cast<size_t>(key), 0);
  });
}

Status Table::BuildIndex(int key, const RowFilter& keep) {
  return TableOps::Run(*this, false, [&](TableOps& ops) -> Status {
    if (!HasKey(key) || !ops.Dynamic(static_cast<size_t>(key)))
      return Status::Error(err::kInvalidKeyFile);
    return ops.BuildDynamic(static_cast<size_t>(key), keep);
  });
}

Status Table::RebuildKeys() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      if (ops.Indexed(def_.keys[k])) KAVO_RETURN_IF_ERROR(ops.RebuildKey(k, 0));
    }
    return Status::OK();
  });
}

Status Table::Verify(std::vector<std::string>* problems) {
  return TableOps::Run(*this, false, [&](TableOps& ops) -> Status {
    uint32_t count = 0, flags = 0;
    KAVO_RETURN_IF_ERROR(ops.Counter(fmt::kKindRow, &count, &flags));
    uint32_t rows = 0;
    KAVO_RETURN_IF_ERROR(ops.ForEachRow([&](uint32_t r, const std::vector<uint8_t>&) -> Status {
      ++rows;
      if (r > store_->header().last_number)
        problems->push_back("row " + std::to_string(r) + " lies beyond the number counter");
      return Status::OK();
    }));
    if (rows != count)
      problems->push_back("the row counter says " + std::to_string(count) + " but there are " +
                          std::to_string(rows) + " rows");
    for (size_t k = 0; k < def_.keys.size(); ++k) {
      const KeyDef& kd = def_.keys[k];
      if (!ops.Indexed(kd)) continue;
      std::vector<std::string> expect;
      KAVO_RETURN_IF_ERROR(
          ops.ForEachRow([&](uint32_t r, const std::vector<uint8_t>& row) -> Status {
            std::string key, data;
            if (ops.Entry(k, row.data(), r, &key, &data)) expect.push_back(key.append(data));
            return Status::OK();
          }));
      std::sort(expect.begin(), expect.end());
      size_t i = 0, missing = 0, extra = 0, seen = 0;
      KAVO_RETURN_IF_ERROR(ForEachWithPrefix(*store_, ops.KeyPrefix(k), [&](const Record& e) {
        ++seen;
        while (i < expect.size() && expect[i] < e.bytes) {
          ++missing;
          ++i;
        }
        if (i < expect.size() && expect[i] == e.bytes) {
          ++i;
        } else {
          ++extra;
        }
        return Status::OK();
      }));
      missing += expect.size() - i;
      uint32_t entries = 0, low = 0;
      KAVO_RETURN_IF_ERROR(ops.Counter(static_cast<uint8_t>(k), &entries, &low));
      if (missing != 0 || extra != 0)
        problems->push_back("key " + kd.name + ": " + std::to_string(missing) +
                            " entries missing, " + std::to_string(extra) + " entries too many");
      if (entries != seen)
        problems->push_back("key " + kd.name + ": the counter says " + std::to_string(entries) +
                            " but there are " + std::to_string(seen) + " entries");
      if (low != 0)
        problems->push_back("key " + kd.name + ": entries from row " + std::to_string(low) +
                            " on await a build");
    }
    return Status::OK();
  });
}

Status Table::Pack() {
  return TableOps::Run(*this, true, [&](TableOps&) -> Status { return store_->Repack(); });
}

// ---- Files ----

Status Table::Remove(std::string_view name, FileSystem* fs) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (fs == nullptr) fs = DefaultFileSystem();
  Table t;
  t.name_ = ParseTableName(name, fs);
  if (StoreFile::IsOpen(fs, t.name_.file)) return Post(t, Status::Error(err::kFileAlreadyOpen));
  return Post(t, fs->Remove(t.name_.file));
}

Status Table::Rename(std::string_view from, std::string_view to, FileSystem* fs) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (fs == nullptr) fs = DefaultFileSystem();
  Table t;
  t.name_ = ParseTableName(from, fs);
  TableName dest = ParseTableName(to, fs);
  if (StoreFile::IsOpen(fs, t.name_.file)) return Post(t, Status::Error(err::kFileAlreadyOpen));
  return Post(t, fs->Rename(t.name_.file, dest.file));
}

Status Table::Copy(std::string_view from, std::string_view to, FileSystem* fs) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (fs == nullptr) fs = DefaultFileSystem();
  Table t;
  t.name_ = ParseTableName(from, fs);
  TableName dest = ParseTableName(to, fs);
  Status st = [&]() -> Status {
    if (!fs->Exists(t.name_.file)) return Status::Error(err::kFileNotFound);
    // Onto itself, under any of its names, a copy would have nothing left to
    // read once it began writing.
    if (fs->SameFile(t.name_.file, dest.file)) return Status::Error(err::kAccessDenied);
    std::unique_ptr<File> in;
    KAVO_RETURN_IF_ERROR(fs->Open(t.name_.file, OpenMode::kReadOnly, false, &in));
    // The destination is replaced only by a whole, flushed copy.
    std::string temp = TempNameBeside(fs, dest.file);
    Status copied = CopyInto(in.get(), fs, temp);
    if (copied.ok()) copied = fs->Rename(temp, dest.file);
    if (!copied.ok()) (void)fs->Remove(temp);
    return copied;
  }();
  return Post(t, st);
}

// ---- Options and properties ----

std::string Table::Send(std::string_view option) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  std::string up = AsciiUpper(option);
  auto value_of = [&](std::string_view name) -> std::optional<std::string> {
    size_t at = up.find(name);
    size_t eq = at + name.size();
    if (eq < option.size() && option[eq] == '=') return std::string(option.substr(eq + 1));
    return std::nullopt;
  };
  if (up.rfind("FULLBUILD", 0) == 0) {
    std::string prev = full_build_ ? "ON" : "OFF";
    if (auto v = value_of("FULLBUILD")) full_build_ = AsciiUpper(*v) == "ON";
    return prev;
  }
  if (up.rfind("FLAGS", 0) == 0) {
    if (!is_open()) return {};
    uint32_t count = 0, flags = 0;
    std::string answer;
    auto v = value_of("FLAGS");
    (void)[&]()->Status {
      return TableOps::Run(*this, v.has_value(), [&](TableOps& ops) -> Status {
        KAVO_RETURN_IF_ERROR(ops.Counter(fmt::kKindRow, &count, &flags));
        answer = std::to_string(flags);
        if (v) {
          uint32_t n = static_cast<uint32_t>(std::strtoul(v->c_str(), nullptr, 10));
          KAVO_RETURN_IF_ERROR(ops.SetCounter(fmt::kKindRow, count, n));
        }
        return Status::OK();
      });
    }
    ();
    return answer;
  }
  if (up.find("PNM=") != std::string::npos) {
    if (!is_open()) return {};
    std::string after(option.substr(up.find("PNM=") + 4));
    std::string answer;
    (void)[&]()->Status {
      return TableOps::Run(*this, false, [&](TableOps&) -> Status {
        Record r;
        bool found = false;
        KAVO_RETURN_IF_ERROR(store_->Find(rec::NameKey(after), SeekMode::kAfter, &r, &found));
        if (found && !r.key().empty() && static_cast<uint8_t>(r.key()[0]) == fmt::kKindName)
          answer = std::string(r.key().substr(1));
        return Status::OK();
      });
    }
    ();
    return answer;
  }
  if (up.find("TCF") != std::string::npos) {
    std::string prev = ControlFileName();
    if (auto v = value_of("TCF")) SetControlFileName(*v);
    return prev;
  }
  return {};
}

std::string Table::GetProperty(std::string_view property) const {
  std::string p = AsciiUpper(property);
  if (p == "DRIVER") return "VANTOR";
  if (p == "DRIVERNAME") return "Vantor (VTF) Driver 1.00";
  if (p == "FULLBUILD") return full_build_ ? "ON" : "OFF";
  if (p == "NAME") return Name();
  if (p == "RECORDLENGTH") return std::to_string(def_.record_length);
  if (p == "FLAGS") return const_cast<Table*>(this)->Send("FLAGS");
  return {};
}

Status Table::SetProperty(std::string_view property, std::string_view value) {
  std::string p = AsciiUpper(property);
  if (p == "FULLBUILD") {
    full_build_ = AsciiUpper(value) == "ON";
    return Post(*this, Status::OK());
  }
  if (p == "FLAGS") {
    Send("FLAGS=" + std::string(value));
    return Status(ERRORCODE() == 0 ? Status::OK() : Status::Error(ERRORCODE()));
  }
  return Post(*this, Status::Error(err::kUnsupportedFunction));
}

std::string Table::GetKeyProperty(int key, std::string_view property) const {
  if (!HasKey(key)) return {};
  const KeyDef& k = def_.keys[static_cast<size_t>(key)];
  std::string p = AsciiUpper(property);
  if (p == "NAME") return k.name;
  if (p == "FLAGS") return std::to_string(k.flags);
  return {};
}

// ---- BLOBs ----

uint32_t Table::BlobSize(int memo) const {
  if (memo < 0 || static_cast<size_t>(memo) >= memos_.size()) return 0;
  return static_cast<uint32_t>(memos_[static_cast<size_t>(memo)].size());
}

Status Table::BlobTake(int memo, std::string_view bytes) {
  if (memo < 0 || static_cast<size_t>(memo) >= memos_.size() ||
      !def_.memos[static_cast<size_t>(memo)].is_blob())
    return Post(*this, Status::Error(err::kInvalidFieldType));
  memos_[static_cast<size_t>(memo)] = std::string(bytes);
  return Post(*this, Status::OK());
}

Status Table::BlobYield(int memo, std::string* out) const {
  if (memo < 0 || static_cast<size_t>(memo) >= memos_.size())
    return Post(*this, Status::Error(err::kInvalidFieldType));
  *out = memos_[static_cast<size_t>(memo)];
  return Post(*this, Status::OK());
}

}  // namespace kavo
