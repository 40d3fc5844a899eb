#include "table_ops.h"

#include "store/key_codec.h"
#include "store/record_codec.h"

namespace kavo {

std::string BE(uint32_t v) {
  std::string s;
  fmt::AppendBE32(&s, v);
  return s;
}

bool FitsTree(const TableDef& def) {
  if (def.record_length + 9 > fmt::kMaxTreeRecord) return false;
  for (const KeyDef& k : def.keys) {
    if (def.KeyValueLength(k) + 9 > static_cast<size_t>(fmt::kMaxTreeRecord)) return false;
  }
  return true;
}

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

// ---- keys and entries ----

std::string TableOps::ValueKey(size_t k, const uint8_t* row) const {
  std::string key = KeyPrefix(k);
  t_.codec_->AppendKeyValue(t_.def_, t_.def_.keys[k], row, &key);
  return key;
}

bool TableOps::Entry(size_t k, const uint8_t* row, uint32_t r, std::string* key,
                     std::string* data) const {
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

uint32_t TableOps::EntryRecord(const Record& e) {
  std::string_view b = e.bytes;
  if (b.size() < 4) return 0;
  return fmt::GetBE32(fmt::U8(b.substr(b.size() - 4)));
}

// ---- counters ----

Status TableOps::Counter(uint8_t kind, uint32_t* count, uint32_t* flags) {
  Record r;
  bool found = false;
  KAVO_RETURN_IF_ERROR(
      sf_.Find(rec::CounterKey(t_.table_number_, kind), SeekMode::kExact, &r, &found));
  if (!found || !rec::ParseCounter(r.data(), count, flags))
    return Status::Error(err::kAccessDenied);
  return Status::OK();
}

Status TableOps::SetCounter(uint8_t kind, uint32_t count, uint32_t flags) {
  bool found = false;
  KAVO_RETURN_IF_ERROR(
      sf_.Replace(rec::CounterKey(t_.table_number_, kind), rec::CounterData(count, flags), &found));
  return found ? Status::OK() : Status::Error(err::kAccessDenied);
}

Status TableOps::MarkDeferred(size_t k, uint32_t r) {
  uint32_t count = 0, low = 0;
  KAVO_RETURN_IF_ERROR(Counter(static_cast<uint8_t>(k), &count, &low));
  if (low != 0 && low <= r) return Status::OK();
  return SetCounter(static_cast<uint8_t>(k), count, r);
}

// ---- rows ----

std::string TableOps::StoredRow(const uint8_t* row) const {
  if (t_.def_.record_length == 0) return {};
  std::string s(reinterpret_cast<const char*>(row), t_.def_.record_length);
  if (t_.oem_) Convert(reinterpret_cast<uint8_t*>(s.data()), AnsiToOem());
  return s;
}

void TableOps::LoadedRow(std::string_view data, uint8_t* row) const {
  size_t n = std::min<size_t>(data.size(), t_.def_.record_length);
  if (n > 0) std::memcpy(row, data.data(), n);
  if (n < t_.def_.record_length) std::memset(row + n, 0, t_.def_.record_length - n);
  if (t_.oem_) Convert(row, OemToAnsi());
}

void TableOps::Convert(uint8_t* row, const std::array<uint8_t, 256>& map) const {
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

Status TableOps::ReadRow(uint32_t r, std::vector<uint8_t>* row, bool* found) {
  Record& rc = t_.scratch_.row_record;
  KAVO_RETURN_IF_ERROR(sf_.Find(rec::RowKey(t_.table_number_, r), SeekMode::kExact, &rc, found));
  if (!*found) return Status::OK();
  row->assign(t_.def_.record_length, 0);
  LoadedRow(rc.data(), row->data());
  return Status::OK();
}

// ---- memos ----

Status TableOps::ReadMemos(uint32_t r, std::vector<std::string>* out) {
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

std::vector<std::string> TableOps::MemoSegments(size_t m, const std::string& value) const {
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

Status TableOps::WriteMemos(uint32_t r, const std::vector<std::string>& memos,
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

Status TableOps::MaintainKeys(uint32_t r, const uint8_t* old_row, const uint8_t* new_row,
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

Status TableOps::ApplyDeltas(const std::vector<int>& deltas, int rows) {
  // A counter's key is the counter kind's start and one byte: the key's
  // number or the row kind.
  const std::string first = rec::CounterKey(t_.table_number_, 0);
  const std::string end =
      rec::KindKey(t_.table_number_, static_cast<uint8_t>(fmt::kKindCounter + 1));
  const auto delta_of = [&](uint8_t kind) {
    if (kind == fmt::kKindRow) return rows;
    return kind < deltas.size() ? deltas[kind] : 0;
  };
  size_t pending = rows != 0 ? 1 : 0;
  for (int d : deltas) pending += d != 0 ? 1 : 0;
  if (pending == 0) return Status::OK();
  KAVO_RETURN_IF_ERROR(sf_.UpdateRange(first, end, [&](std::string_view key, std::string* data) {
    if (key.size() != first.size()) return Status::OK();
    const int delta = delta_of(static_cast<uint8_t>(key.back()));
    if (delta == 0) return Status::OK();
    uint32_t count = 0, flags = 0;
    if (!rec::ParseCounter(*data, &count, &flags)) return Status::Error(err::kAccessDenied);
    *data = rec::CounterData(static_cast<uint32_t>(static_cast<int64_t>(count) + delta), flags);
    --pending;
    return Status::OK();
  }));
  return pending == 0 ? Status::OK() : Status::Error(err::kAccessDenied);
}

Status TableOps::InsertNewRow(bool maintain_keys) {
  KAVO_RETURN_IF_ERROR(RowsFitTree());
  // A table without its row counter is refused before anything changes.
  uint32_t count = 0, flags = 0;
  KAVO_RETURN_IF_ERROR(Counter(fmt::kKindRow, &count, &flags));
  uint32_t r = 0;
  KAVO_RETURN_IF_ERROR(sf_.NextNumber(&r));
  std::vector<int> deltas;
  if (maintain_keys) {
    KAVO_RETURN_IF_ERROR(MaintainKeys(r, nullptr, t_.state_.record.data(), &deltas));
  } else {
    for (size_t k = 0; k < t_.def_.keys.size(); ++k) {
      if (Indexed(t_.def_.keys[k])) KAVO_RETURN_IF_ERROR(MarkDeferred(k, r));
    }
  }
  bool existed = false;
  KAVO_RETURN_IF_ERROR(
      sf_.Insert(rec::RowKey(t_.table_number_, r), StoredRow(t_.state_.record.data()), &existed));
  if (existed) return Status::Check(store_check::kTreeShape);
  KAVO_RETURN_IF_ERROR(ApplyDeltas(deltas, 1));
  KAVO_RETURN_IF_ERROR(WriteMemos(r, t_.state_.memos, nullptr));
  t_.state_.current_record = r;
  t_.state_.read_by_entry = false;
  t_.state_.bytes = t_.def_.record_length;
  t_.state_.read_image = t_.state_.record;
  t_.state_.read_memos = t_.state_.memos;
  return Status::OK();
}

// ---- positioning ----

std::string TableOps::OrderEnd() const {
  std::string p = OrderPrefix();
  p.back() = static_cast<char>(static_cast<uint8_t>(p.back()) + 1);
  return p;
}

void TableOps::SetFrom(std::string next, bool next_inc, std::string prev, bool prev_inc) {
  t_.state_.next_from = std::move(next);
  t_.state_.next_inclusive = next_inc;
  t_.state_.prev_from = std::move(prev);
  t_.state_.prev_inclusive = prev_inc;
  t_.state_.at_bof = t_.state_.at_eof = false;
  t_.state_.read_by_entry = false;
}

void TableOps::SetAt(std::string_view key) {
  t_.state_.next_from.assign(key);
  t_.state_.prev_from.assign(key);
  t_.state_.next_inclusive = t_.state_.prev_inclusive = false;
  t_.state_.at_bof = t_.state_.at_eof = false;
  t_.state_.read_by_entry = false;
}

std::string TableOps::CursorFor(const uint8_t* row, uint32_t r) const {
  if (t_.state_.order < 0) return rec::RowKey(t_.table_number_, r);
  std::string key = ValueKey(static_cast<size_t>(t_.state_.order), row);
  if (t_.def_.keys[static_cast<size_t>(t_.state_.order)].dup()) fmt::AppendBE32(&key, r);
  return key;
}

Status TableOps::Take(uint32_t r, const std::vector<uint8_t>& row) {
  KAVO_RETURN_IF_ERROR(TakeHold(r));
  if (!row.empty()) std::memcpy(t_.state_.record.data(), row.data(), row.size());
  t_.state_.read_image = row;
  t_.state_.current_record = r;
  t_.state_.bytes = t_.def_.record_length;
  std::vector<std::string> memos;
  KAVO_RETURN_IF_ERROR(ReadMemos(r, &memos));
  t_.state_.read_memos = memos;
  if (!t_.state_.no_memo) t_.state_.memos = std::move(memos);
  t_.state_.no_memo = false;
  return Status::OK();
}

Status TableOps::KeepRowByte(uint32_t r, RowByte* byte) {
  if (t_.held_record_ == r) return Status::OK();
  if (!sf_.TakeNumberByte(r, &t_).ok()) return Status::Error(err::kAccessDenied);
  byte->sf_ = &sf_;
  byte->r_ = r;
  byte->owner_ = &t_;
  return Status::OK();
}

Status TableOps::TakeHold(uint32_t r) {
  if (t_.hold_seconds_ < 0) return Status::OK();
  Status st = sf_.TakeNumberByte(r, &t_);
  if (st.code() == err::kFileLocked) return Status::Error(err::kRecordHeld);
  KAVO_RETURN_IF_ERROR(st);
  if (t_.held_record_ != 0 && t_.held_record_ != r) sf_.DropNumberByte(t_.held_record_, &t_);
  t_.held_record_ = r;
  return Status::OK();
}

Status TableOps::Step(bool forward, bool load) {
  const std::string prefix = OrderPrefix();
  // The instance's scratch buffers keep their capacity from row to row,
  // so a walk allocates nothing once warm.
  std::string& from = t_.scratch_.from;
  from.assign(forward ? t_.state_.next_from : t_.state_.prev_from);
  bool inclusive = forward ? t_.state_.next_inclusive : t_.state_.prev_inclusive;
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
        t_.state_.prev_from = OrderEnd();
        t_.state_.prev_inclusive = false;
        t_.state_.at_eof = true;
      } else {
        t_.state_.next_from = prefix;
        t_.state_.next_inclusive = true;
        t_.state_.at_bof = true;
      }
      return Status::Error(err::kRecordNotAvailable);
    }
    std::string_view key = r.key();
    uint32_t number = 0;
    bool have = true;
    if (t_.state_.order < 0) {
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
    if (!load) {
      t_.state_.current_record = number;
      return Status::OK();
    }
    KAVO_RETURN_IF_ERROR(Take(number, row));
    t_.state_.read_by_entry = true;
    return Status::OK();
  }
}

Status TableOps::Locate(uint32_t r, bool* found) {
  std::vector<uint8_t> row;
  KAVO_RETURN_IF_ERROR(ReadRow(r, &row, found));
  if (!*found) return Status::OK();
  KAVO_RETURN_IF_ERROR(Take(r, row));
  SetAt(CursorFor(t_.state_.record.data(), r));
  return Status::OK();
}

Status TableOps::DeleteAllOf(std::string_view prefix) {
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

// ---- dynamic indexes ----

Status TableOps::BuildDynamic(size_t k, const Table::RowFilter& keep) {
  Table::DynamicIndex& index = t_.dynamic_[k];
  index.entries.clear();
  index.built = false;
  std::vector<uint8_t> buffer;
  if (keep) buffer = t_.state_.record;
  Status st = ForEachRow([&](uint32_t r, const std::vector<uint8_t>& row) -> Status {
    if (keep) {
      std::memcpy(t_.state_.record.data(), row.data(), row.size());
      if (!keep()) return Status::OK();
    }
    std::string key, data;
    if (!Entry(k, row.data(), r, &key, &data)) return Status::OK();
    if (!index.entries.emplace(std::move(key), std::move(data)).second)
      return Status::Error(err::kDuplicateKey);
    return Status::OK();
  });
  if (keep) t_.state_.record = std::move(buffer);
  if (!st.ok()) {
    index.entries.clear();
    return st;
  }
  index.built = true;
  return Status::OK();
}

Status TableOps::FindEntry(size_t k, std::string_view key, SeekMode mode, Record* out,
                           bool* found) {
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

Status TableOps::RebuildKey(size_t k, uint32_t from) {
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

}  // namespace kavo
