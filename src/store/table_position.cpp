// Table's positioning and reading: SET, NEXT, PREVIOUS, SKIP, GET, REGET,
// POSITION, RESET, RECORDS and DUPLICATE.
#include "store/table.h"

#include "store/key_codec.h"
#include "table_ops.h"

namespace kavo {

Status Table::Set() {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    state_.order = -1;
    ops.SetFrom(ops.OrderPrefix(), true, ops.OrderEnd(), false);
    return Status::OK();
  });
}

Status Table::SetRecord(uint32_t record_number) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    state_.order = -1;
    std::string k = rec::RowKey(table_number_, record_number);
    ops.SetFrom(k, true, k, true);
    return Status::OK();
  });
}

Status Table::SetKey(int key) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    state_.order = key;
    ops.SetFrom(ops.OrderPrefix(), true, ops.OrderEnd(), false);
    return Status::OK();
  });
}

Status Table::SetKeyValue(int key) {
  return TableOps::Read(*this, [&](TableOps& ops) -> Status {
    if (!HasKey(key)) return Status::Error(err::kInvalidKeyFile);
    state_.order = key;
    std::string v = ops.ValueKey(static_cast<size_t>(key), state_.record.data());
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
    state_.order = key;
    std::string v = ops.ValueKey(static_cast<size_t>(key), state_.record.data());
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
    state_.order = key;
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
    std::string v = ops.ValueKey(k, state_.record.data());
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
    state_.order = key;
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
    state_.order = key;
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

std::string Table::Position() const {
  if (state_.current_record == 0) return {};
  return BE(state_.current_record);
}

std::string Table::Position(int key) const {
  if (state_.current_record == 0 || !is_open() || !HasKey(key)) return {};
  std::string p = BE(state_.current_record);
  codec_->AppendKeyValue(def_, def_.keys[static_cast<size_t>(key)], state_.record.data(), &p);
  return p;
}

void Table::ReadPosition(int key, std::string* out) const {
  if (!state_.read_by_entry || state_.order != key || state_.current_record == 0) {
    *out = Position(key);
    return;
  }
  // The entry is the key's prefix, the key value and, for a key that
  // allows duplicates, the record number.
  const KeyDef& kd = def_.keys[static_cast<size_t>(key)];
  const size_t value = def_.KeyValueLength(kd);
  const std::string& entry = state_.next_from;
  if (entry.size() != fmt::kKindKeyLength + value + (kd.dup() ? 4 : 0)) {
    *out = Position(key);
    return;
  }
  out->clear();
  fmt::AppendBE32(out, state_.current_record);
  out->append(entry, fmt::kKindKeyLength, value);
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
    state_.order = key;
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
    if (kd.opt() && IsKeyEmpty(def_, kd, state_.record.data())) return Status::OK();
    std::string v = ops.ValueKey(k, state_.record.data());
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
      if (TableOps::EntryRecord(e) != state_.current_record) {
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

}  // namespace kavo
