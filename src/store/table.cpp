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
#include "table_ops.h"

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

}  // namespace

// ---- Table ----

Table::Table() = default;

Table::ReadBatch::ReadBatch(Table& t) {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  store_ = t.store_;
  if (store_) store_->BeginReadBatch();
}

Table::ReadBatch::~ReadBatch() {
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  if (store_) store_->EndReadBatch();
}

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
  state_.record.assign(def_.record_length, 0);
  state_.memos.assign(def_.memos.size(), std::string());
  dynamic_.assign(def_.keys.size(), DynamicIndex());
  ClearRecord();
  state_.order = -1;
  TableOps(*this).SetFrom(rec::KindKey(table_number_, fmt::kKindRow), true,
                          rec::KindKey(table_number_, fmt::kKindRow + 1), false);
  state_.current_record = 0;
  state_.bytes = 0;
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
  std::fill(state_.record.begin(), state_.record.end(), 0);
  for (const FieldDef& f : def_.fields) {
    if (f.type == FieldType::kString && f.size > 0)
      std::memset(state_.record.data() + f.offset, ' ', f.size);
  }
  for (size_t m = 0; m < state_.memos.size(); ++m) {
    state_.memos[m] =
        def_.memos[m].is_blob() ? std::string() : std::string(def_.memos[m].size, ' ');
  }
}

Status Table::Add() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    KAVO_RETURN_IF_ERROR(ops.InsertNewRow(true));
    ops.SetAt(ops.CursorFor(state_.record.data(), state_.current_record));
    return Status::OK();
  });
}

Status Table::Append() {
  return TableOps::Run(*this, true,
                       [&](TableOps& ops) -> Status { return ops.InsertNewRow(false); });
}

Status Table::Put() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    if (state_.current_record == 0 || state_.read_image.size() != state_.record.size())
      return Status::Error(err::kRecordNotAvailable);
    KAVO_RETURN_IF_ERROR(ops.RowsFitTree());
    uint32_t r = state_.current_record;
    TableOps::RowByte byte;
    KAVO_RETURN_IF_ERROR(ops.KeepRowByte(r, &byte));
    std::vector<uint8_t> now;
    bool found = false;
    KAVO_RETURN_IF_ERROR(ops.ReadRow(r, &now, &found));
    if (!found || now != state_.read_image) return Status::Error(err::kRecordChanged);
    std::vector<std::string> memos_now;
    KAVO_RETURN_IF_ERROR(ops.ReadMemos(r, &memos_now));
    if (memos_now != state_.read_memos) return Status::Error(err::kRecordChanged);
    std::vector<int> deltas;
    KAVO_RETURN_IF_ERROR(ops.MaintainKeys(r, now.data(), state_.record.data(), &deltas));
    KAVO_RETURN_IF_ERROR(store_->Replace(rec::RowKey(table_number_, r),
                                         ops.StoredRow(state_.record.data()), &found));
    KAVO_RETURN_IF_ERROR(ops.ApplyDeltas(deltas));
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(r, state_.memos, &memos_now));
    state_.read_image = state_.record;
    state_.read_memos = state_.memos;
    state_.bytes = def_.record_length;
    ops.SetAt(ops.CursorFor(state_.record.data(), r));
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
    KAVO_RETURN_IF_ERROR(
        ops.MaintainKeys(record_number, now.data(), state_.record.data(), &deltas));
    KAVO_RETURN_IF_ERROR(store_->Replace(rec::RowKey(table_number_, record_number),
                                         ops.StoredRow(state_.record.data()), &found));
    KAVO_RETURN_IF_ERROR(ops.ApplyDeltas(deltas));
    KAVO_RETURN_IF_ERROR(ops.WriteMemos(record_number, state_.memos, &memos_now));
    state_.current_record = record_number;
    state_.read_by_entry = false;
    state_.read_image = state_.record;
    state_.read_memos = state_.memos;
    state_.bytes = def_.record_length;
    return Status::OK();
  });
}

Status Table::Delete() {
  return TableOps::Run(*this, true, [&](TableOps& ops) -> Status {
    if (state_.current_record == 0) return Status::Error(err::kRecordNotAvailable);
    uint32_t r = state_.current_record;
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
    std::string at =
        state_.order < 0 ? rec::RowKey(table_number_, r) : ops.CursorFor(now.data(), r);
    ops.SetAt(at);
    state_.current_record = 0;
    state_.read_image.clear();
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
    state_.current_record = 0;
    std::string p = ops.OrderPrefix();
    ops.SetFrom(p, true, ops.OrderEnd(), false);
    return Status::OK();
  });
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
  if (memo < 0 || static_cast<size_t>(memo) >= state_.memos.size()) return 0;
  return static_cast<uint32_t>(state_.memos[static_cast<size_t>(memo)].size());
}

Status Table::BlobTake(int memo, std::string_view bytes) {
  if (memo < 0 || static_cast<size_t>(memo) >= state_.memos.size() ||
      !def_.memos[static_cast<size_t>(memo)].is_blob())
    return Post(*this, Status::Error(err::kInvalidFieldType));
  state_.memos[static_cast<size_t>(memo)] = std::string(bytes);
  return Post(*this, Status::OK());
}

Status Table::BlobYield(int memo, std::string* out) const {
  if (memo < 0 || static_cast<size_t>(memo) >= state_.memos.size())
    return Post(*this, Status::Error(err::kInvalidFieldType));
  *out = state_.memos[static_cast<size_t>(memo)];
  return Post(*this, Status::OK());
}

}  // namespace kavo
