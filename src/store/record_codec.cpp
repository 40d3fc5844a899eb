#include "store/record_codec.h"

#include "store/format.h"

namespace kavo::rec {

std::string KindKey(uint32_t table, uint8_t kind) {
  std::string k;
  fmt::AppendBE32(&k, table);
  k.push_back(static_cast<char>(kind));
  return k;
}

std::string RowKey(uint32_t table, uint32_t record) {
  std::string k = KindKey(table, fmt::kKindRow);
  fmt::AppendBE32(&k, record);
  return k;
}

std::string MemoKey(uint32_t table, uint32_t record, uint8_t memo, uint16_t segment) {
  std::string k = KindKey(table, fmt::kKindMemo);
  fmt::AppendBE32(&k, record);
  k.push_back(static_cast<char>(memo));
  k.push_back(static_cast<char>(segment >> 8));
  k.push_back(static_cast<char>(segment & 0xFF));
  return k;
}

std::string DefinitionKey(uint32_t table, uint16_t block) {
  std::string k = KindKey(table, fmt::kKindDefinition);
  fmt::Append16(&k, block);
  return k;
}

std::string CounterKey(uint32_t table, uint8_t kind) {
  std::string k = KindKey(table, fmt::kKindCounter);
  k.push_back(static_cast<char>(kind));
  return k;
}

std::string CharTablesKey(uint32_t table) {
  std::string k = KindKey(table, fmt::kKindCharTables);
  k.push_back('\x01');
  return k;
}

std::string NameKey(std::string_view name) {
  std::string k(1, static_cast<char>(fmt::kKindName));
  k.append(name);
  return k;
}

std::string CounterData(uint32_t count, uint32_t flags) {
  std::string d(8, '\0');
  fmt::Put32(reinterpret_cast<uint8_t*>(d.data()), count);
  fmt::Put32(reinterpret_cast<uint8_t*>(d.data()) + 4, flags);
  return d;
}

bool ParseCounter(std::string_view data, uint32_t* count, uint32_t* flags) {
  if (data.size() != 8) return false;
  *count = fmt::Get32(fmt::U8(data));
  *flags = fmt::Get32(fmt::U8(data) + 4);
  return true;
}

namespace {

class Writer {
 public:
  void Byte(uint8_t b) { s_.push_back(static_cast<char>(b)); }
  void Word(uint16_t w) { fmt::Append16(&s_, w); }
  void Text(const std::string& t) {
    if (t.empty()) {
      s_.append("\0\0", 2);
      return;
    }
    s_.append(t);
    s_.push_back('\0');
  }
  void OptText(const std::optional<std::string>& t) {
    if (!t) {
      s_.append("\0\1", 2);
      return;
    }
    Text(*t);
  }
  std::string& str() { return s_; }

 private:
  std::string s_;
};

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}
  bool Byte(uint8_t* b) {
    if (pos_ + 1 > s_.size()) return false;
    *b = static_cast<uint8_t>(s_[pos_++]);
    return true;
  }
  bool Word(uint16_t* w) {
    if (pos_ + 2 > s_.size()) return false;
    *w = fmt::Get16(fmt::U8(s_) + pos_);
    pos_ += 2;
    return true;
  }
  // Texts: characters and a zero; 00 00 empty; 00 01 absent.
  bool OptText(std::optional<std::string>* t) {
    if (pos_ >= s_.size()) return false;
    if (s_[pos_] == '\0') {
      if (pos_ + 2 > s_.size()) return false;
      bool absent = s_[pos_ + 1] == '\1';
      pos_ += 2;
      if (absent) {
        t->reset();
      } else {
        *t = std::string();
      }
      return true;
    }
    size_t end = s_.find('\0', pos_);
    if (end == std::string_view::npos) return false;
    *t = std::string(s_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }
  bool Text(std::string* t) {
    std::optional<std::string> o;
    if (!OptText(&o)) return false;
    *t = o.value_or(std::string());
    return true;
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

std::string EncodeDefinition(const TableDef& def) {
  Writer w;
  bool blob = false;
  for (const MemoDef& m : def.memos) blob = blob || m.is_blob();
  w.Word(blob ? 2 : std::max<uint16_t>(def.version, 1));
  w.Word(def.record_length);
  w.Word(static_cast<uint16_t>(def.fields.size()));
  w.Word(static_cast<uint16_t>(def.memos.size()));
  w.Word(static_cast<uint16_t>(def.keys.size()));
  for (const FieldDef& f : def.fields) {
    w.Byte(static_cast<uint8_t>(f.type));
    w.Word(f.offset);
    w.Text(f.name);
    w.Word(f.elements);
    w.Word(f.size);
    w.Word(f.flags);
    w.Word(f.index);
    if (IsDecimalType(f.type)) {
      w.Byte(f.digits);
      w.Byte(f.places);
    }
    if (HasStringExtras(f.type)) {
      w.Word(f.declared_length);
      w.OptText(f.picture);
    }
  }
  for (const MemoDef& m : def.memos) {
    w.Text(m.name);
    w.OptText(m.external_name);
    w.Word(m.size);
    w.Word(m.flags);
  }
  for (const KeyDef& k : def.keys) {
    w.Text(k.name);
    w.OptText(k.external_name);
    w.Byte(k.flags);
    w.Word(static_cast<uint16_t>(k.components.size()));
    for (const KeyComponent& c : k.components) {
      w.Word(c.field);
      w.Word(c.flags);
    }
  }
  return std::move(w.str());
}

Status DecodeDefinition(std::string_view stream, TableDef* def) {
  const Status bad = Status::Error(err::kInvalidRecordDeclaration);
  Reader r(stream);
  TableDef d;
  uint16_t nfields = 0, nmemos = 0, nkeys = 0;
  if (!r.Word(&d.version) || !r.Word(&d.record_length) || !r.Word(&nfields) || !r.Word(&nmemos) ||
      !r.Word(&nkeys))
    return bad;
  for (uint16_t i = 0; i < nfields; ++i) {
    FieldDef f;
    uint8_t type = 0;
    if (!r.Byte(&type) || !r.Word(&f.offset) || !r.Text(&f.name) || !r.Word(&f.elements) ||
        !r.Word(&f.size) || !r.Word(&f.flags) || !r.Word(&f.index))
      return bad;
    f.type = static_cast<FieldType>(type);
    if (IsDecimalType(f.type) && (!r.Byte(&f.digits) || !r.Byte(&f.places))) return bad;
    if (HasStringExtras(f.type) && (!r.Word(&f.declared_length) || !r.OptText(&f.picture)))
      return bad;
    d.fields.push_back(std::move(f));
  }
  for (uint16_t i = 0; i < nmemos; ++i) {
    MemoDef m;
    if (!r.Text(&m.name) || !r.OptText(&m.external_name) || !r.Word(&m.size) || !r.Word(&m.flags))
      return bad;
    d.memos.push_back(std::move(m));
  }
  for (uint16_t i = 0; i < nkeys; ++i) {
    KeyDef k;
    uint16_t ncomp = 0;
    if (!r.Text(&k.name) || !r.OptText(&k.external_name) || !r.Byte(&k.flags) || !r.Word(&ncomp))
      return bad;
    for (uint16_t j = 0; j < ncomp; ++j) {
      KeyComponent c;
      if (!r.Word(&c.field) || !r.Word(&c.flags)) return bad;
      k.components.push_back(c);
    }
    d.keys.push_back(std::move(k));
  }
  if (!d.Validate().empty()) return bad;
  *def = std::move(d);
  return Status::OK();
}

bool DefinitionsMatch(const TableDef& s, const TableDef& d) {
  bool blob = false;
  for (const MemoDef& m : d.memos) blob = blob || m.is_blob();
  uint16_t dver = blob ? 2 : std::max<uint16_t>(d.version, 1);
  if (s.version != dver || s.record_length != d.record_length ||
      s.fields.size() != d.fields.size() || s.memos.size() != d.memos.size() ||
      s.keys.size() != d.keys.size())
    return false;
  for (size_t i = 0; i < s.fields.size(); ++i) {
    const FieldDef &a = s.fields[i], &b = d.fields[i];
    if (a.type != b.type || a.offset != b.offset || a.elements != b.elements || a.size != b.size ||
        a.flags != b.flags || a.index != b.index)
      return false;
  }
  for (size_t i = 0; i < s.memos.size(); ++i) {
    const MemoDef &a = s.memos[i], &b = d.memos[i];
    if (!a.is_blob() && !b.is_blob() && a.size != b.size) return false;
  }
  for (size_t i = 0; i < s.keys.size(); ++i) {
    const KeyDef &a = s.keys[i], &b = d.keys[i];
    if ((a.flags & ~kKeyPrimary) != (b.flags & ~kKeyPrimary)) return false;
    if (a.components.size() != b.components.size()) return false;
    for (size_t j = 0; j < a.components.size(); ++j) {
      if (a.components[j].field != b.components[j].field ||
          a.components[j].flags != b.components[j].flags)
        return false;
    }
  }
  return true;
}

}  // namespace kavo::rec
