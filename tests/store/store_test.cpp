// Edge cases of the store file, records and keys, and several contexts on
// one table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "store/format.h"
#include "store/key_codec_tables.h"
#include "store/mem_file.h"
#include "store/page.h"
#include "store/record_codec.h"
#include "store/store_file.h"
#include "store/table.h"
#include "store/verify.h"
#include "store_test_util.h"

namespace kavo {
namespace {

using testing::T;

// A prefix and a number as text (kept out of operator+ on temporaries, which
// GCC 12 warns about wrongly).
std::string Text(const char* prefix, int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%d", prefix, n);
  return buf;
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    opt_.fs = &fs_;
    def_ = testing::TestTable();
    ASSERT_TRUE(Table::Create("db\\!ROWS", def_, opt_).ok());
  }
  // Adds a row with id, name and call; returns its record number.
  uint32_t AddRow(Table& t, int32_t id, const std::string& name, const std::string& call = "") {
    t.ClearRecord();
    testing::PutLong(t.record(), T::kId, id);
    testing::PutText(t.record(), T::kName, 12, name);
    std::memcpy(t.record() + T::kCall, call.data(), std::min<size_t>(call.size(), 8));
    testing::PutLong(t.record(), T::kDay, 70000 + id);
    Status st = t.Add();
    EXPECT_TRUE(st.ok()) << st.code();
    return t.Pointer();
  }
  void Open(Table& t) { ASSERT_TRUE(t.Open("db\\!ROWS", &def_, opt_).ok()); }
  std::vector<int32_t> IdsInKey(Table& t, int key) {
    std::vector<int32_t> ids;
    EXPECT_TRUE(t.SetKey(key).ok());
    while (t.Next().ok()) ids.push_back(testing::GetLong(t.record(), T::kId));
    return ids;
  }
  Record Raw(const std::string& key, bool* found) {
    std::shared_ptr<StoreFile> sf;
    EXPECT_TRUE(StoreFile::Acquire(&fs_, "db.VTF", opt_, false, &sf).ok());
    EXPECT_TRUE(sf->Begin(false).ok());
    Record r;
    EXPECT_TRUE(sf->End(sf->Find(key, SeekMode::kExact, &r, found)).ok());
    return r;
  }

  MemFileSystem fs_;
  OpenOptions opt_;
  TableDef def_;
};

TEST(StoreNames, FilePartTablePartAndExtension) {
  MemFileSystem fs;
  TableName n = ParseTableName("LOG", &fs);
  EXPECT_EQ(n.file, "LOG.VTF");
  EXPECT_EQ(n.table, "UNNAMED");
  EXPECT_EQ(n.Full(), "LOG.VTF");
  n = ParseTableName("DATA\\!CALLS", &fs);
  EXPECT_EQ(n.file, "DATA.VTF");
  EXPECT_EQ(n.table, "CALLS");
  EXPECT_EQ(n.Full(), "DATA.VTF\\!CALLS");
  n = ParseTableName("PRINT.TMP", &fs);
  EXPECT_EQ(n.file, "PRINT.TMP");
  // A separator right after an existing directory stays part of the path.
  fs.Mkdir("dir");
  n = ParseTableName("dir\\!f\\!T", &fs);
  EXPECT_EQ(n.file, "dir\\!f.VTF");
  EXPECT_EQ(n.table, "T");
}

TEST(StorePacking, RunsAndLiterals) {
  std::string out;
  EXPECT_TRUE(PackBody(std::string(300, ' '), &out));
  EXPECT_EQ(out, std::string("\x01 \xAB\x02\x00", 5));
  std::string back;
  ASSERT_TRUE(UnpackBody(fmt::U8(out), out.size(), 300, &back));
  EXPECT_EQ(back, std::string(300, ' '));
  EXPECT_FALSE(PackBody("abcabcaab", &out));
  std::string mixed = "xy" + std::string(10, 'z') + "q" + std::string(4, 'w') + "end";
  ASSERT_TRUE(PackBody(mixed, &out));
  ASSERT_TRUE(UnpackBody(fmt::U8(out), out.size(), mixed.size(), &back));
  EXPECT_EQ(back, mixed);
  // Truncated or overlong input never reads or writes beyond its bounds.
  EXPECT_FALSE(UnpackBody(fmt::U8(out), out.size() - 1, mixed.size(), &back));
  EXPECT_FALSE(UnpackBody(fmt::U8(out), out.size(), mixed.size() - 1, &back));
}

// The packer looks for runs eight bytes at a time. Runs of three, four and
// five at every offset, touching and apart, must pack exactly as a plain
// byte-by-byte reading of the format does: every maximal run of four or
// more becomes a literal ending in its first byte and a repeat count.
TEST(StorePacking, EveryRunAtEveryOffset) {
  auto expected = [](const std::string& body) {
    std::string out;
    auto var = [&out](size_t v) {
      for (; v >= 0x80; v >>= 7) out.push_back(static_cast<char>((v & 0x7F) | 0x80));
      out.push_back(static_cast<char>(v));
    };
    size_t covered = 0;
    for (size_t i = 0; i < body.size();) {
      size_t m = 1;
      while (i + m < body.size() && body[i + m] == body[i]) ++m;
      if (m >= 4) {
        var(i + 1 - covered);
        out += body.substr(covered, i + 1 - covered);
        var(m - 1);
        covered = i + m;
      }
      i += m;
    }
    if (covered == 0) return std::string();
    var(body.size() - covered);
    return out + body.substr(covered);
  };
  std::mt19937 rng(7);
  std::string out, back;
  for (int round = 0; round < 3000; ++round) {
    std::string body;
    const size_t length = rng() % 300;
    while (body.size() < length) {
      const char c = static_cast<char>('a' + rng() % 3);
      body.append(rng() % 4 == 0 ? 3 + rng() % 3 : 1, c);
    }
    const std::string want = expected(body);
    ASSERT_EQ(PackBody(body, &out), !want.empty()) << body;
    if (want.empty()) continue;
    ASSERT_EQ(out, want) << body;
    ASSERT_TRUE(UnpackBody(fmt::U8(out), out.size(), body.size(), &back));
    ASSERT_EQ(back, body);
  }
}

// Unpacking writes short pieces with fixed-size stores past their ends:
// every cut of a packed body, and every byte of it changed, must still give
// the body or a failure, never bytes outside the buffers (run under ASan).
TEST(StorePacking, CutAndChangedBodiesStayInBounds) {
  std::mt19937 rng(11);
  std::string out, back;
  for (int round = 0; round < 200; ++round) {
    std::string body;
    const size_t length = 1 + rng() % 400;
    while (body.size() < length) {
      const char c = static_cast<char>('a' + rng() % 4);
      body.append(rng() % 3 == 0 ? 1 + rng() % 80 : 1 + rng() % 3, c);
    }
    if (!PackBody(body, &out)) continue;
    for (size_t cut = 0; cut < out.size(); ++cut) {
      // Exactly sized copies, so that ASan sees a read past the cut.
      const std::vector<uint8_t> in(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(cut));
      if (UnpackBody(in.data(), in.size(), body.size(), &back)) {
        EXPECT_EQ(back, body);
      }
    }
    std::vector<uint8_t> changed(out.begin(), out.end());
    const size_t at = rng() % changed.size();
    changed[at] = static_cast<uint8_t>(rng());
    if (UnpackBody(changed.data(), changed.size(), body.size(), &back)) {
      EXPECT_EQ(back.size(), body.size());
    }
  }
}

TEST(StorePages, PrefixSharingOfNeighbours) {
  Page p;
  p.records.push_back(Record(std::string("\0\0\0\1\2SMITH", 10), "R001"));
  p.records.push_back(Record(std::string("\0\0\0\1\2SMYTH", 10), "R002"));
  std::string body;
  EncodeRecords(p.records, &body);
  // First: flag with both lengths, then all 14 bytes.
  ASSERT_EQ(static_cast<uint8_t>(body[0]), 0xC0);
  size_t second = 1 + 4 + 14;
  // Second: the same lengths, seven shared bytes (T, key number, S, M).
  EXPECT_EQ(static_cast<uint8_t>(body[second]), 7);
  EXPECT_EQ(body.substr(second + 1), "YTHR002");
  RecordList back;
  ASSERT_TRUE(DecodeRecords(body, 2, &back));
  EXPECT_EQ(back[1].bytes, p.records[1].bytes);

  // Shared stretches of every length up to past the 63 a flag can hold,
  // ending at every byte of an eight-byte word.
  const std::string base(80, 'K');
  for (size_t n = 0; n <= 70; ++n) {
    std::string other = base;
    other[n] = 'L';
    Page q;
    q.records.push_back(Record(base, "a"));
    q.records.push_back(Record(other, "b"));
    body.clear();
    EncodeRecords(q.records, &body);
    second = 1 + 4 + base.size() + 1;
    EXPECT_EQ(static_cast<uint8_t>(body[second]), std::min<size_t>(n, 63)) << n;
    ASSERT_TRUE(DecodeRecords(body, 2, &back));
    EXPECT_EQ(back[1].bytes, q.records[1].bytes);
  }
}

TEST(StorePages, KeyHeadsOrderAsTheirKeysAndSearchesAgree) {
  // Short alphabets and lengths around 16 make prefixes, zero bytes and
  // equal heads common.
  std::mt19937 rng(5);
  const char alphabet[] = {'\0', '\1', '\xFF', 'A'};
  std::vector<std::string> keys;
  for (int i = 0; i < 400; ++i) {
    std::string k(rng() % 24, '\0');
    for (char& c : k) c = alphabet[rng() % 4];
    keys.push_back(k);
  }
  for (const std::string& a : keys) {
    for (const std::string& b : keys) {
      KeyHead ha = KeyHead::Of(a), hb = KeyHead::Of(b);
      if (!(ha == hb)) {
        ASSERT_EQ(ha < hb, a < b);
      }
    }
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  Page leaf, index;
  index.level = 1;
  for (const std::string& k : keys) {
    leaf.records.Insert(leaf.records.size(), k, "data");
    index.records.Insert(index.records.size(), k, "");
  }
  for (int i = 0; i < 2000; ++i) {
    std::string k(rng() % 24, '\0');
    for (char& c : k) c = alphabet[rng() % 4];
    size_t lower = std::lower_bound(keys.begin(), keys.end(), k) - keys.begin();
    ASSERT_EQ(leaf.LowerBound(k), lower);
    size_t upper = std::upper_bound(keys.begin(), keys.end(), k) - keys.begin();
    ASSERT_EQ(index.ChildFor(k), upper == 0 ? 0 : upper - 1);
  }
}

// A page's records share one arena: inserts, replacements from the list's
// own records (whose bytes move when the arena grows), in-place data changes,
// erasures and splits must read back as a plain list of records would, and
// a copy and a decode of the encoding must agree with it.
TEST(StorePages, RecordListAgreesWithAModel) {
  std::mt19937 rng(11);
  RecordList list;
  std::vector<Record> model;
  auto check = [&]() {
    ASSERT_EQ(list.size(), model.size());
    size_t bytes = 0;
    for (size_t i = 0; i < model.size(); ++i) {
      ASSERT_EQ(list[i].bytes, model[i].bytes) << i;
      ASSERT_EQ(list[i].key_length, model[i].key_length) << i;
      ASSERT_TRUE(list[i].head == model[i].head) << i;
      bytes += model[i].bytes.size();
    }
    ASSERT_EQ(list.bytes(), bytes);
  };
  for (int step = 0; step < 20000; ++step) {
    const size_t n = model.size();
    const std::string key = Text("key", static_cast<int>(rng() % 5000));
    const std::string data(rng() % 300, static_cast<char>('a' + rng() % 26));
    switch (n == 0 ? 0 : rng() % 6) {
      case 0:
      case 1: {
        const size_t at = rng() % (n + 1);
        list.Insert(at, key, data);
        model.insert(model.begin() + static_cast<long>(at), Record(key, data));
        break;
      }
      case 2: {
        const size_t at = rng() % n, from = rng() % n;
        const Record copy = model[from];
        list.Set(at, list[from]);
        model[at] = copy;
        break;
      }
      case 3: {
        const size_t at = rng() % n;
        std::string same(model[at].data().size(), static_cast<char>('A' + rng() % 26));
        list.SetData(at, same);
        model[at] = Record(model[at].key(), same);
        break;
      }
      case 4: {
        const size_t at = rng() % n;
        list.Erase(at);
        model.erase(model.begin() + static_cast<long>(at));
        break;
      }
      case 5: {
        if (n < 40) break;
        RecordList tail;
        tail.push_back(Record("first", "x"));
        list.MoveTail(n / 2, &tail);
        ASSERT_EQ(tail.size(), 1 + n - n / 2);
        for (size_t i = n / 2; i < n; ++i) ASSERT_EQ(tail[1 + i - n / 2].bytes, model[i].bytes);
        model.resize(n / 2);
        break;
      }
    }
    ASSERT_NO_FATAL_FAILURE(check());
  }
  const RecordList copy = list;
  ASSERT_EQ(copy.size(), list.size());
  for (size_t i = 0; i < copy.size(); ++i) ASSERT_EQ(copy[i].bytes, list[i].bytes);
  std::string body;
  EncodeRecords(list, &body);
  RecordList back;
  ASSERT_TRUE(DecodeRecords(body, list.size(), &back));
  for (size_t i = 0; i < back.size(); ++i) ASSERT_EQ(back[i].bytes, list[i].bytes);
  // A body with a record too few or too many does not decode.
  EXPECT_FALSE(DecodeRecords(body, list.size() + 1, &back));
  if (list.size() > 1) {
    EXPECT_FALSE(DecodeRecords(body, list.size() - 1, &back));
  }
}

TEST(StorePages, BodyWithoutRunsIsStoredUnpacked) {
  Page p;
  for (int i = 0; i < 30; ++i) {
    std::string k = Text("k", 1000 + i * 7);
    p.records.push_back(Record(k, Text("abcdefgh", i)));
  }
  EncodedPage e;
  ASSERT_TRUE(EncodePage(p, 512, &e).ok());
  const uint8_t* b = fmt::U8(e.bytes);
  EXPECT_EQ(fmt::Get16(b + 4), fmt::Get16(b + 6));
  EXPECT_EQ(static_cast<uint8_t>(e.bytes.back()), 0xB0);
  Page q;
  ASSERT_TRUE(DecodePage(b, e.bytes.size(), e.blocks, 512, &q).ok());
  EXPECT_EQ(q.records.size(), 30u);
}

TEST(StoreFileTest, ZeroLengthFileBecomesAStoreFile) {
  MemFileSystem fs;
  fs.Bytes("new.VTF");
  OpenOptions opt;
  opt.fs = &fs;
  ASSERT_TRUE(Table::Create("new", testing::TestTable(), opt).ok());
  const std::string& bytes = fs.Bytes("new.VTF");
  ASSERT_GE(bytes.size(), 512u + 256u);
  EXPECT_EQ(bytes.substr(14, 4), "qUaL");
  FileHeader h;
  ASSERT_TRUE(FileHeader::Decode(fmt::U8(bytes), &h).ok());
  EXPECT_GT(h.change_counter, 0);
  EXPECT_EQ(h.committed_end, h.journal_end);
  // The ends name where the last journal began, after the data; its bytes
  // stay there.
  EXPECT_GT(static_cast<int64_t>(h.committed_end), h.EndOfFile());
  EXPECT_GT(bytes.size(), h.committed_end);
  EXPECT_GE(h.RegionOf(h.root), 1);
}

TEST(StoreFileTest, ZeroLengthFileReadOnlyIsAnEmptyStoreAndStaysUntouched) {
  MemFileSystem fs;
  fs.Bytes("new.VTF");
  OpenOptions opt;
  opt.fs = &fs;
  opt.mode = OpenMode::kReadOnly;
  std::shared_ptr<StoreFile> sf;
  ASSERT_TRUE(StoreFile::Acquire(&fs, "new.VTF", opt, false, &sf).ok());
  ASSERT_TRUE(sf->Begin(false).ok());
  Record r;
  bool found = true;
  Status st =
      sf->Find(std::string(1, static_cast<char>(fmt::kKindName)), SeekMode::kAfter, &r, &found);
  EXPECT_TRUE(sf->End(st).ok());
  EXPECT_FALSE(found);
  sf.reset();
  // A table in it is simply not there.
  Table t;
  EXPECT_EQ(t.Open("new", nullptr, opt).code(), err::kFileNotFound);
  EXPECT_EQ(fs.Bytes("new.VTF").size(), 0u);
}

TEST(StoreFileTest, ShortHeaderOrWrongMagicIsInvalidDataFile) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  ASSERT_TRUE(Table::Create("good", testing::TestTable(), opt).ok());
  for (size_t n : {1u, 100u, 511u}) {
    fs.Bytes("short.VTF") = fs.Bytes("good.VTF").substr(0, n);
    Table t;
    EXPECT_EQ(t.Open("short", nullptr, opt).code(), err::kInvalidDataFile) << n;
    EXPECT_EQ(ERRORCODE(), err::kInvalidDataFile);
  }
  fs.Bytes("magic.VTF") = fs.Bytes("good.VTF");
  fs.Bytes("magic.VTF")[15] = 'u';
  Table t;
  EXPECT_EQ(t.Open("magic", nullptr, opt).code(), err::kInvalidDataFile);
  EXPECT_EQ(t.Open("missing", nullptr, opt).code(), err::kFileNotFound);
  EXPECT_EQ(t.Open("good\\!OTHER", nullptr, opt).code(), err::kFileNotFound);
}

// Rows read in the order of a key from leaves at random, with a reserve so
// small that its leaves' share is always full: a leaf is first searched in
// its blocks, and decoded when read again. Every walk, forward and back,
// before and after changes, must give the rows as they are.
TEST(StoreLeafProbe, RowsInKeyOrderAsStoredWhenLeavesStayUndecoded) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  opt.reserve_bytes = 32 << 10;
  ASSERT_TRUE(Table::Create("db\\!ROWS", testing::TestTable(), opt).ok());
  TableDef def = testing::TestTable();
  Table t;
  ASSERT_TRUE(t.Open("db\\!ROWS", &def, opt).ok());
  constexpr int kRows = 3000;
  constexpr int kIdKey = 0;    // TST:BEY_ID
  constexpr int kNameKey = 1;  // TST:BEY_NAME
  std::vector<int> order(kRows);
  for (int i = 0; i < kRows; ++i) order[static_cast<size_t>(i)] = i;
  std::mt19937 rng(3);
  std::shuffle(order.begin(), order.end(), rng);
  // Row i is named by its place in a shuffled order, so the key's order
  // jumps about the record order.
  auto name_of = [&](int id, int round) {
    return Text(round == 0 ? "N" : "M", 100000 + order[static_cast<size_t>(id)]);
  };
  for (int id = 0; id < kRows; ++id) {
    t.ClearRecord();
    testing::PutLong(t.record(), T::kId, id);
    testing::PutText(t.record(), T::kName, 12, name_of(id, 0));
    testing::PutLong(t.record(), T::kDay, 70000 + id);
    ASSERT_TRUE(t.Add().ok());
  }
  auto expected = [&](bool forward) {
    std::vector<int> ids(kRows);
    for (int id = 0; id < kRows; ++id)
      ids[static_cast<size_t>(order[static_cast<size_t>(id)])] = id;
    if (!forward) std::reverse(ids.begin(), ids.end());
    return ids;
  };
  auto walk = [&](bool forward, int round) {
    std::vector<int> ids;
    EXPECT_TRUE(t.SetKey(kNameKey).ok());
    for (;;) {
      const Status st = forward ? t.Next() : t.Previous();
      if (!st.ok()) {
        EXPECT_EQ(st.code(), err::kRecordNotAvailable) << ids.size();
        break;
      }
      const int id = testing::GetLong(t.record(), T::kId);
      uint8_t want[12];
      testing::PutText(want, 0, 12, name_of(id, round));
      EXPECT_EQ(std::memcmp(t.record() + T::kName, want, 12), 0) << id;
      ids.push_back(id);
    }
    return ids;
  };
  for (int round = 0; round < 2; ++round) {
    // Twice each way: leaves searched in their blocks, then decoded.
    EXPECT_EQ(walk(true, round), expected(true));
    EXPECT_EQ(walk(true, round), expected(true));
    EXPECT_EQ(walk(false, round), expected(false));
    if (round == 1) break;
    // Every row renamed in the same order: the leaves and blocks read
    // before must not serve the old rows.
    for (int id = 0; id < kRows; ++id) {
      testing::PutLong(t.record(), T::kId, id);
      ASSERT_TRUE(t.Get(kIdKey).ok());
      testing::PutText(t.record(), T::kName, 12, name_of(id, 1));
      ASSERT_TRUE(t.Put().ok());
    }
  }
}

TEST_F(StoreTest, SendOptions) {
  Table t;
  Open(t);
  EXPECT_EQ(t.Send("QUICKSCAN=on"), "");
  EXPECT_EQ(t.Send("Recover=10"), "");
  EXPECT_EQ(t.Send("FULLBUILD"), "OFF");
  EXPECT_EQ(t.Send("FULLBUILD=ON"), "OFF");
  EXPECT_EQ(t.Send("FULLBUILD=yes"), "ON");
  EXPECT_EQ(t.Send("FULLBUILD"), "OFF");
  EXPECT_EQ(t.Send("FLAGS"), "0");
  EXPECT_EQ(t.Send("FLAGS=77"), "0");
  EXPECT_EQ(t.Send("FLAGS"), "77");
  std::string old = t.Send("TCF");
  EXPECT_EQ(t.Send("TCF=other.tcf"), old);
  EXPECT_EQ(t.Send("TCF=" + old), "other.tcf");
  ASSERT_TRUE(Table::Create("db\\!ALPHA", def_, opt_).ok());
  EXPECT_EQ(t.Send("PNM="), "ALPHA");
  EXPECT_EQ(t.Send("PNM=ALPHA"), "ROWS");
  EXPECT_EQ(t.Send("PNM=ROWS"), "");
  EXPECT_EQ(t.GetProperty("Driver"), "VANTOR");
}

TEST_F(StoreTest, DuplicateOnSecondUniqueKeyLeavesEverythingAsBefore) {
  Table t;
  Open(t);
  AddRow(t, 1, "ONE");
  AddRow(t, 2, "TWO");
  // Same day and id as row 2 on BEY_DAY (unique), new id on BEY_ID: the
  // entry made for BEY_ID must be taken back.
  t.ClearRecord();
  testing::PutLong(t.record(), T::kId, 2);
  testing::PutLong(t.record(), T::kDay, 70002);
  EXPECT_EQ(t.Add().code(), err::kDuplicateKey);
  EXPECT_EQ(ERRORCODE(), err::kDuplicateKey);
  uint32_t n = 0;
  ASSERT_TRUE(t.Records(&n).ok());
  EXPECT_EQ(n, 2u);
  for (int k = 0; k < static_cast<int>(def_.keys.size()); ++k) {
    ASSERT_TRUE(t.Records(k, &n).ok());
    EXPECT_LE(n, 2u);
  }
  EXPECT_EQ(IdsInKey(t, 0), (std::vector<int32_t>{1, 2}));
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems[0];
}

TEST_F(StoreTest, DupKeyKeepsRecordNumberOrderAndSetKeyValueFindsAll) {
  Table t;
  Open(t);
  uint32_t a = AddRow(t, 10, "Same");
  AddRow(t, 11, "Other");
  uint32_t b = AddRow(t, 12, "SAME");  // NOCASE: the same value
  uint32_t c = AddRow(t, 13, "same");
  t.ClearRecord();
  testing::PutText(t.record(), T::kName, 12, "same");
  ASSERT_TRUE(t.SetKeyValue(1).ok());
  std::vector<uint32_t> got;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(t.Next().ok());
    got.push_back(t.Pointer());
  }
  EXPECT_EQ(got, (std::vector<uint32_t>{a, b, c}));
  // GET on a DUP key reads the lowest record number.
  testing::PutText(t.record(), T::kName, 12, "SaMe");
  ASSERT_TRUE(t.Get(1).ok());
  EXPECT_EQ(t.Pointer(), a);
  // PREVIOUS from the value reads the last duplicate.
  ASSERT_TRUE(t.SetKeyValue(1).ok());
  ASSERT_TRUE(t.Previous().ok());
  EXPECT_EQ(t.Pointer(), c);
}

TEST_F(StoreTest, NextAfterLastIsRecordNotAvailableAndPositionStays) {
  Table t;
  Open(t);
  AddRow(t, 1, "A");
  AddRow(t, 2, "B");
  ASSERT_TRUE(t.SetKey(0).ok());
  ASSERT_TRUE(t.Next().ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(t.Next().code(), err::kRecordNotAvailable);
  EXPECT_EQ(t.Next().code(), err::kRecordNotAvailable);
  EXPECT_TRUE(t.Eof());
  ASSERT_TRUE(t.Previous().ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 2);
  ASSERT_TRUE(t.Previous().ok());
  EXPECT_EQ(t.Previous().code(), err::kRecordNotAvailable);
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 1);
}

TEST_F(StoreTest, GetByKeyAndRecordNumber) {
  Table t;
  Open(t);
  uint32_t r = AddRow(t, 5, "FIVE");
  t.ClearRecord();
  testing::PutLong(t.record(), T::kId, 5);
  ASSERT_TRUE(t.Get(0).ok());
  EXPECT_EQ(t.Pointer(), r);
  testing::PutLong(t.record(), T::kId, 6);
  EXPECT_EQ(t.Get(0).code(), err::kRecordNotFound);
  ASSERT_TRUE(t.GetRecord(r).ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 5);
  EXPECT_EQ(t.GetRecord(r + 100).code(), err::kRecordNotFound);
  EXPECT_EQ(t.Bytes(), def_.record_length);
}

TEST_F(StoreTest, PositionAndReset) {
  Table t;
  Open(t);
  for (int i = 1; i <= 20; ++i) AddRow(t, i, Text("N", i % 3));
  ASSERT_TRUE(t.SetKey(1).ok());
  for (int i = 0; i < 7; ++i) ASSERT_TRUE(t.Next().ok());
  std::string pos = t.Position(1);
  int32_t id = testing::GetLong(t.record(), T::kId);
  ASSERT_TRUE(t.Next().ok());
  int32_t next_id = testing::GetLong(t.record(), T::kId);
  ASSERT_TRUE(t.Reset(1, pos).ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), id);
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), next_id);
  // A position whose row is gone continues with its neighbour.
  ASSERT_TRUE(t.Reset(1, pos).ok());
  ASSERT_TRUE(t.Next().ok());
  ASSERT_TRUE(t.Delete().ok());
  ASSERT_TRUE(t.Reset(1, pos).ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), next_id);
  EXPECT_EQ(t.Position().size(), 4u);
}

// The position a walk takes from the key entries it steps over is the one
// encoded from the row, in every kind of key and both directions; once the
// row is changed or the walk moved otherwise, it follows the row.
TEST_F(StoreTest, ReadPositionIsThePositionOfTheRowRead) {
  Table t;
  Open(t);
  for (int i = 1; i <= 30; ++i) AddRow(t, i, Text("n", i % 4), Text("C", i % 3));
  std::string read;
  for (int key = 0; key < static_cast<int>(def_.keys.size()); ++key) {
    ASSERT_TRUE(t.SetKey(key).ok());
    int rows = 0;
    while (t.Next().ok()) {
      t.ReadPosition(key, &read);
      ASSERT_EQ(read, t.Position(key)) << "key " << key << " row " << rows;
      ++rows;
    }
    EXPECT_GT(rows, 0) << key;
    while (t.Previous().ok()) {
      t.ReadPosition(key, &read);
      ASSERT_EQ(read, t.Position(key)) << "key " << key;
    }
  }
  ASSERT_TRUE(t.SetKey(1).ok());
  ASSERT_TRUE(t.Next().ok());
  testing::PutText(t.record(), T::kName, 12, "zz");
  ASSERT_TRUE(t.Put().ok());
  t.ReadPosition(1, &read);
  EXPECT_EQ(read, t.Position(1));
  ASSERT_TRUE(t.SetKey(1).ok());
  ASSERT_TRUE(t.Next().ok());
  testing::PutText(t.record(), T::kName, 12, "yy");
  ASSERT_TRUE(t.PutRecord(t.Pointer()).ok());
  t.ReadPosition(1, &read);
  EXPECT_EQ(read, t.Position(1));
  ASSERT_TRUE(t.SetKey(1).ok());
  ASSERT_TRUE(t.Next().ok());
  const std::string first = t.Position(1);
  ASSERT_TRUE(t.Next().ok());
  ASSERT_TRUE(t.Reset(1, first).ok());
  t.ReadPosition(1, &read);
  EXPECT_EQ(read, t.Position(1));
  // SKIP passes rows without reading them into the buffer.
  ASSERT_TRUE(t.SetKey(0).ok());
  ASSERT_TRUE(t.Next().ok());
  ASSERT_TRUE(t.Skip(2).ok());
  t.ReadPosition(0, &read);
  EXPECT_EQ(read, t.Position(0));
  ASSERT_TRUE(t.GetRecord(5).ok());
  t.ReadPosition(1, &read);
  EXPECT_EQ(read, t.Position(1));
  t.ReadPosition(0, &read);
  EXPECT_EQ(read, t.Position(0));
}

TEST_F(StoreTest, TwoContextsReadAtDifferentPositions) {
  Table a, b;
  Open(a);
  Open(b);
  for (int i = 1; i <= 50; ++i) AddRow(a, i, "X");
  ASSERT_TRUE(a.SetKey(0).ok());
  ASSERT_TRUE(b.SetKey(3).ok());  // descending day: highest id first
  for (int i = 1; i <= 50; ++i) {
    ASSERT_TRUE(a.Next().ok());
    ASSERT_TRUE(b.Next().ok());
    EXPECT_EQ(testing::GetLong(a.record(), T::kId), i);
    EXPECT_EQ(testing::GetLong(b.record(), T::kId), 51 - i);
  }
  // A row added through one context is seen by the other at its next read.
  AddRow(a, 0, "ZERO");
  ASSERT_TRUE(b.SetKey(0).ok());
  ASSERT_TRUE(b.Next().ok());
  EXPECT_EQ(testing::GetLong(b.record(), T::kId), 0);
}

TEST_F(StoreTest, PutDetectsRowChangedThroughAnotherContext) {
  Table a, b;
  Open(a);
  Open(b);
  uint32_t r = AddRow(a, 1, "FIRST");
  ASSERT_TRUE(a.GetRecord(r).ok());
  ASSERT_TRUE(b.GetRecord(r).ok());
  testing::PutText(b.record(), T::kName, 12, "CHANGED");
  ASSERT_TRUE(b.Put().ok());
  testing::PutText(a.record(), T::kName, 12, "LOST");
  EXPECT_EQ(a.Put().code(), err::kRecordChanged);
  ASSERT_TRUE(a.GetRecord(r).ok());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(a.record()) + T::kName, 7), "CHANGED");
  testing::PutText(a.record(), T::kName, 12, "AGAIN");
  EXPECT_TRUE(a.Put().ok());
  Table c;
  Open(c);
  EXPECT_EQ(c.Put().code(), err::kRecordNotAvailable);
  EXPECT_EQ(c.Delete().code(), err::kRecordNotAvailable);
}

TEST_F(StoreTest, OptKeyHasNoEntryForEmptyComponents) {
  Table t;
  Open(t);
  uint32_t r = AddRow(t, 1, "A", "");
  AddRow(t, 2, "B", "RA1");
  uint32_t n = 0;
  ASSERT_TRUE(t.Records(2, &n).ok());
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(IdsInKey(t, 2), (std::vector<int32_t>{2}));
  ASSERT_TRUE(t.GetRecord(r).ok());
  std::memcpy(t.record() + T::kCall, "UA9", 3);
  ASSERT_TRUE(t.Put().ok());
  EXPECT_EQ(IdsInKey(t, 2), (std::vector<int32_t>{2, 1}));
  ASSERT_TRUE(t.GetRecord(r).ok());
  std::memset(t.record() + T::kCall, 0, 8);
  ASSERT_TRUE(t.Put().ok());
  ASSERT_TRUE(t.Records(2, &n).ok());
  EXPECT_EQ(n, 1u);
}

TEST_F(StoreTest, DefinitionComparedOnOpen) {
  Table t;
  TableDef renamed = def_;
  renamed.fields[1].name = "TST:OTHER";
  renamed.keys[0].flags = 0;  // PRIMARY aside
  renamed.fields[5].digits = 3;
  EXPECT_TRUE(t.Open("db\\!ROWS", &renamed, opt_).ok());
  ASSERT_TRUE(t.Close().ok());
  TableDef moved = def_;
  moved.fields[2].offset = 17;
  EXPECT_EQ(t.Open("db\\!ROWS", &moved, opt_).code(), err::kInvalidRecordDeclaration);
  TableDef dup = def_;
  dup.keys[0].flags |= kKeyDup;
  EXPECT_EQ(t.Open("db\\!ROWS", &dup, opt_).code(), err::kInvalidRecordDeclaration);
  TableDef comps = def_;
  comps.keys[3].components[0].flags = 0;
  EXPECT_EQ(t.Open("db\\!ROWS", &comps, opt_).code(), err::kInvalidRecordDeclaration);
  // Without a declaration the stored definition is used as it was written.
  ASSERT_TRUE(t.Open("db\\!ROWS", nullptr, opt_).ok());
  ASSERT_EQ(t.def().fields.size(), def_.fields.size());
  EXPECT_EQ(t.def().fields[9].name, "TST:PS");
  EXPECT_EQ(t.def().fields[5].digits, 9);
  EXPECT_EQ(t.def().keys[3].components[0].flags, kComponentDescending);
}

TEST(StoreMemo, MemoAndBlobSegments) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  TableDef def = testing::TestTable();
  MemoDef memo;
  memo.name = "TST:NOTE";
  memo.size = 600;
  MemoDef blob;
  blob.name = "TST:PIC";
  blob.flags = kMemoBlob;
  def.memos = {memo, blob};
  ASSERT_TRUE(Table::Create("m", def, opt).ok());
  Table t;
  ASSERT_TRUE(t.Open("m", &def, opt).ok());
  t.ClearRecord();
  t.memo(0) = "73 ";
  std::string content(600, 'b');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(t.BlobTake(1, content).ok());
  ASSERT_TRUE(t.Add().ok());
  uint32_t r = t.Pointer();
  std::shared_ptr<StoreFile> sf;
  ASSERT_TRUE(StoreFile::Acquire(&fs, "m.VTF", opt, false, &sf).ok());
  ASSERT_TRUE(sf->Begin(false).ok());
  auto seg = [&](uint8_t m, uint16_t s, bool* found) {
    Record rc;
    EXPECT_TRUE(
        sf->Find(rec::MemoKey(t.table_number(), r, m, s), SeekMode::kExact, &rc, found).ok());
    return std::string(rc.data());
  };
  bool found = false;
  EXPECT_EQ(seg(0, 0, &found), "73");
  EXPECT_TRUE(found);
  seg(0, 1, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(seg(1, 0, &found).size(), 260u);
  EXPECT_EQ(seg(1, 1, &found).size(), 256u);
  EXPECT_EQ(seg(1, 2, &found).size(), 88u);
  ASSERT_TRUE(sf->End(Status::OK()).ok());
  t.ClearRecord();
  ASSERT_TRUE(t.GetRecord(r).ok());
  EXPECT_EQ(t.memo(0), "73" + std::string(598, ' '));
  EXPECT_EQ(t.memo(1), content);
  EXPECT_EQ(t.BlobSize(1), 600u);
  // A memo of blanks stores nothing; a shorter BLOB drops its last segments.
  t.memo(0) = std::string(600, ' ');
  ASSERT_TRUE(t.BlobTake(1, "tiny").ok());
  ASSERT_TRUE(t.Put().ok());
  ASSERT_TRUE(sf->Begin(false).ok());
  seg(0, 0, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(seg(1, 0, &found).size(), 8u);
  seg(1, 1, &found);
  EXPECT_FALSE(found);
  ASSERT_TRUE(sf->End(Status::OK()).ok());
}

// A walk that rewrites records across several leaves, starting inside one,
// keeps the separators of the index pages equal to their leaves' first
// records and touches nothing outside its range.
TEST(StoreFileTest, UpdateRangeRewritesAcrossLeaves) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  std::shared_ptr<StoreFile> sf;
  ASSERT_TRUE(StoreFile::Acquire(&fs, "u.VTF", opt, true, &sf).ok());
  const std::string filler(60, 'a');
  ASSERT_TRUE(sf->Begin(true).ok());
  for (int i = 0; i < 3000; ++i) {
    bool existed = false;
    ASSERT_TRUE(sf->Insert(Text("k", 10000 + i), filler, &existed).ok());
  }
  ASSERT_TRUE(sf->End(Status::OK()).ok());

  const auto upper = [](std::string_view, std::string* data) {
    for (char& c : *data) c = 'B';
    return Status::OK();
  };
  ASSERT_TRUE(sf->Begin(true).ok());
  ASSERT_TRUE(sf->End(sf->UpdateRange(Text("k", 10100), Text("k", 12900), upper)).ok());
  TreeReport report;
  ASSERT_TRUE(VerifyTree(*sf, &report).ok());
  EXPECT_TRUE(report.problems.empty()) << report.problems[0];
  EXPECT_GE(report.depth, 2);
  ASSERT_TRUE(sf->Begin(false).ok());
  for (int i = 0; i < 3000; ++i) {
    Record r;
    bool found = false;
    ASSERT_TRUE(sf->Find(Text("k", 10000 + i), SeekMode::kExact, &r, &found).ok());
    ASSERT_TRUE(found);
    const char want = i >= 100 && i < 2900 ? 'B' : 'a';
    EXPECT_EQ(r.data(), std::string(60, want)) << i;
  }
  ASSERT_TRUE(sf->End(Status::OK()).ok());

  // A data part that would change its length is refused.
  const auto longer = [](std::string_view, std::string* data) {
    data->push_back('x');
    return Status::OK();
  };
  ASSERT_TRUE(sf->Begin(true).ok());
  Status st = sf->End(sf->UpdateRange(Text("k", 10000), Text("k", 10001), longer));
  EXPECT_EQ(st.check(), store_check::kTreeShape);
}

TEST_F(StoreTest, DeepTreeVerifiesAndSurvivesPackAndReopen) {
  TableDef big = testing::TestTable(7000);
  ASSERT_TRUE(Table::Create("db\\!BIG", big, opt_).ok());
  Table t;
  ASSERT_TRUE(t.Open("db\\!BIG", &big, opt_).ok());
  ASSERT_TRUE(t.Stream().ok());
  for (int i = 0; i < 400; ++i) {
    t.ClearRecord();
    testing::PutLong(t.record(), T::kId, i);
    testing::PutLong(t.record(), T::kDay, i);
    for (int j = T::kPad; j < 7000; j += 13)
      t.record()[j] = static_cast<uint8_t>('a' + (i * j) % 26);
    Status st = t.Add();
    ASSERT_TRUE(st.ok()) << i << " " << st.code() << " " << st.check() << " " << st.detail() << " "
                         << ERROR();
  }
  ASSERT_TRUE(t.Flush().ok());
  TreeReport report;
  ASSERT_TRUE(VerifyTree(*t.store(), &report).ok());
  EXPECT_TRUE(report.problems.empty()) << report.problems[0];
  EXPECT_GE(report.depth, 3);
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems[0];
  // Delete most rows, pack, and check that the file shrank and stays sound.
  ASSERT_TRUE(t.SetKey(0).ok());
  int deleted = 0;
  while (t.Next().ok()) {
    if (testing::GetLong(t.record(), T::kId) % 10 != 0) {
      ASSERT_TRUE(t.Delete().ok());
      ++deleted;
    }
  }
  EXPECT_EQ(deleted, 360);
  size_t before = fs_.Bytes("db.VTF").size();
  ASSERT_TRUE(t.Pack().ok());
  EXPECT_LE(fs_.Bytes("db.VTF").size(), before);
  ASSERT_TRUE(t.Close().ok());
  ASSERT_TRUE(t.Open("db\\!BIG", &big, opt_).ok());
  ASSERT_TRUE(VerifyTree(*t.store(), &report).ok());
  EXPECT_TRUE(report.problems.empty()) << report.problems[0];
  problems.clear();
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems[0];
  uint32_t n = 0;
  ASSERT_TRUE(t.Records(&n).ok());
  EXPECT_EQ(n, 40u);
}

TEST_F(StoreTest, EmptyAppendAndBuild) {
  Table t;
  Open(t);
  for (int i = 0; i < 30; ++i) AddRow(t, i, "E");
  ASSERT_TRUE(t.Empty().ok());
  uint32_t n = 1;
  ASSERT_TRUE(t.Records(&n).ok());
  EXPECT_EQ(n, 0u);
  ASSERT_TRUE(t.Records(1, &n).ok());
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(IdsInKey(t, 0).empty());
  for (int i = 0; i < 5; ++i) {
    t.ClearRecord();
    testing::PutLong(t.record(), T::kId, 10 - i);
    testing::PutLong(t.record(), T::kDay, i);
    ASSERT_TRUE(t.Append().ok());
  }
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_FALSE(problems.empty());
  ASSERT_TRUE(t.Build().ok());
  problems.clear();
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems[0];
  EXPECT_EQ(IdsInKey(t, 0), (std::vector<int32_t>{6, 7, 8, 9, 10}));
  // A duplicate on a unique key ends the build with error 40.
  t.ClearRecord();
  testing::PutLong(t.record(), T::kId, 10);
  testing::PutLong(t.record(), T::kDay, 99);
  ASSERT_TRUE(t.Append().ok());
  EXPECT_EQ(t.Build().code(), err::kDuplicateKey);
}

TEST_F(StoreTest, DuplicateReportsWithoutWriting) {
  Table t;
  Open(t);
  AddRow(t, 1, "A");
  // The row just added is the current row and never duplicates itself.
  bool dup = true;
  ASSERT_TRUE(t.Duplicate(0, &dup).ok());
  EXPECT_FALSE(dup);
  Table other;
  Open(other);
  other.ClearRecord();
  testing::PutLong(other.record(), T::kId, 1);
  ASSERT_TRUE(other.Duplicate(0, &dup).ok());
  EXPECT_TRUE(dup);
  ASSERT_TRUE(other.Duplicate(&dup).ok());
  EXPECT_TRUE(dup);
  testing::PutLong(other.record(), T::kId, 2);
  ASSERT_TRUE(other.Duplicate(0, &dup).ok());
  EXPECT_FALSE(dup);
}

TEST_F(StoreTest, FileOperations) {
  EXPECT_TRUE(Table::Copy("db", "copy", &fs_).ok());
  Table t;
  ASSERT_TRUE(t.Open("copy\\!ROWS", &def_, opt_).ok());
  EXPECT_EQ(Table::Remove("copy", &fs_).code(), err::kFileAlreadyOpen);
  ASSERT_TRUE(t.Close().ok());
  EXPECT_TRUE(Table::Rename("copy", "moved", &fs_).ok());
  EXPECT_FALSE(fs_.Exists("copy.VTF"));
  EXPECT_TRUE(Table::Remove("moved", &fs_).ok());
  EXPECT_FALSE(fs_.Exists("moved.VTF"));
  EXPECT_EQ(t.Open("moved", nullptr, opt_).code(), err::kFileNotFound);
  EXPECT_EQ(t.Next().code(), err::kFileNotOpen);
}

TEST_F(StoreTest, PersistsOnDisk) {
  char dir[] = "/tmp/kavo_store_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string name = std::string(dir) + "/LOG";
  ASSERT_TRUE(Table::Create(name, def_).ok());
  {
    Table t;
    ASSERT_TRUE(t.Open(name, &def_).ok());
    for (int i = 0; i < 100; ++i) AddRow(t, i, "DISK");
  }
  Table t;
  ASSERT_TRUE(t.Open(name, &def_).ok());
  uint32_t n = 0;
  ASSERT_TRUE(t.Records(&n).ok());
  EXPECT_EQ(n, 100u);
  ASSERT_TRUE(t.Close().ok());
  EXPECT_TRUE(Table::Remove(name).ok());
  rmdir(dir);
}

TEST_F(StoreTest, CopyRefusesItsOwnFileAndReplacesOthersWhole) {
  char dir[] = "/tmp/kavo_copy_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string base = dir;
  const std::string name = base + "/LOG";
  ASSERT_TRUE(Table::Create(name, def_).ok());
  {
    Table t;
    ASSERT_TRUE(t.Open(name, &def_).ok());
    for (int i = 0; i < 50; ++i) AddRow(t, i, "COPY");
  }
  auto size_of = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
  };
  const int64_t size = size_of(name + ".VTF");
  ASSERT_GT(size, 512);
  ASSERT_EQ(::symlink((name + ".VTF").c_str(), (base + "/ALIAS.VTF").c_str()), 0);
  ASSERT_EQ(::link((name + ".VTF").c_str(), (base + "/HARD.VTF").c_str()), 0);
  for (const std::string& same : {name, base + "/./LOG.VTF", base + "/ALIAS", base + "/HARD.VTF"}) {
    EXPECT_EQ(Table::Copy(name, same).code(), err::kAccessDenied) << same;
    EXPECT_EQ(Table::Copy(same, name).code(), err::kAccessDenied) << same;
    EXPECT_EQ(size_of(name + ".VTF"), size) << same;
  }

  // Onto another file: it is replaced whole, and nothing else is left behind.
  {
    std::FILE* f = std::fopen((base + "/OTHER.VTF").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(std::string(100000, 'x').c_str(), f);
    std::fclose(f);
  }
  ASSERT_TRUE(Table::Copy(name, base + "/OTHER").ok());
  EXPECT_EQ(size_of(base + "/OTHER.VTF"), size);
  Table copy;
  ASSERT_TRUE(copy.Open(base + "/OTHER", &def_).ok());
  uint32_t n = 0;
  ASSERT_TRUE(copy.Records(&n).ok());
  EXPECT_EQ(n, 50u);
  ASSERT_TRUE(copy.Close().ok());
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(base))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ALIAS.VTF", "HARD.VTF", "LOG.VTF", "OTHER.VTF"}));
  std::filesystem::remove_all(base);
}

TEST_F(StoreTest, DeferredKeyIsCompletedByBuild) {
  TableDef deferred = def_;
  deferred.keys[1].deferred = true;
  ASSERT_TRUE(Table::Create("db\\!LATER", deferred, opt_).ok());
  Table t;
  ASSERT_TRUE(t.Open("db\\!LATER", &deferred, opt_).ok());
  for (int i = 0; i < 5; ++i) AddRow(t, i, Text("D", 4 - i));
  uint32_t n = 9;
  ASSERT_TRUE(t.Records(1, &n).ok());
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(IdsInKey(t, 1).empty());
  EXPECT_EQ(IdsInKey(t, 0).size(), 5u);
  ASSERT_TRUE(t.Build().ok());
  EXPECT_EQ(IdsInKey(t, 1), (std::vector<int32_t>{4, 3, 2, 1, 0}));
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems[0];
}

// A table whose last two keys are dynamic indexes: by name (duplicates
// allowed, case ignored) and a unique one by call.
class DynamicIndexTest : public StoreTest {
 protected:
  void SetUp() override {
    opt_.fs = &fs_;
    def_ = testing::TestTable();
    def_.keys.push_back(
        testing::Key("TST:IX_NAME", kKeyDup | kKeyNocase | kKeyDynamicIndex, {{1, 0}}));
    def_.keys.push_back(testing::Key("TST:IX_CALL", kKeyDynamicIndex, {{2, 0}}));
    ASSERT_TRUE(Table::Create("db\\!ROWS", def_, opt_).ok());
  }
  int by_name() const { return static_cast<int>(def_.keys.size()) - 2; }
  int by_call() const { return static_cast<int>(def_.keys.size()) - 1; }
};

TEST_F(DynamicIndexTest, BuiltInMemoryWithOrWithoutAFilter) {
  Table t;
  Open(t);
  AddRow(t, 1, "delta", "C1");
  AddRow(t, 2, "Alpha", "C2");
  AddRow(t, 3, "charlie", "C3");
  AddRow(t, 4, "bravo", "C4");
  std::string before = fs_.Bytes("db.VTF");

  // Never built: the first read builds it from every row.
  EXPECT_EQ(IdsInKey(t, by_name()), (std::vector<int32_t>{2, 4, 3, 1}));
  uint32_t count = 0;
  ASSERT_TRUE(t.Records(by_name(), &count).ok());
  EXPECT_EQ(count, 4u);

  // A filter judges each row in the record buffer; the buffer comes back.
  t.ClearRecord();
  testing::PutLong(t.record(), T::kId, 77);
  ASSERT_TRUE(
      t.BuildIndex(by_name(), [&] { return testing::GetLong(t.record(), T::kId) % 2 == 0; }).ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 77);
  EXPECT_EQ(IdsInKey(t, by_name()), (std::vector<int32_t>{2, 4}));
  t.ClearRecord();
  testing::PutText(t.record(), T::kName, 12, "BRAVO");
  ASSERT_TRUE(t.Get(by_name()).ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 4);
  testing::PutText(t.record(), T::kName, 12, "delta");
  EXPECT_EQ(t.Get(by_name()).code(), err::kRecordNotFound);

  // Nothing of it reached the file.
  EXPECT_EQ(fs_.Bytes("db.VTF"), before);
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty());
}

TEST_F(DynamicIndexTest, SnapshotUntilTheNextBuild) {
  Table t;
  Open(t);
  AddRow(t, 1, "a", "C1");
  uint32_t second = AddRow(t, 2, "b", "C2");
  ASSERT_TRUE(t.BuildIndex(by_call()).ok());
  AddRow(t, 3, "c", "C0");
  ASSERT_TRUE(t.GetRecord(second).ok());
  ASSERT_TRUE(t.Delete().ok());
  // The added row is not in it yet; the deleted one is passed over.
  EXPECT_EQ(IdsInKey(t, by_call()), (std::vector<int32_t>{1}));
  ASSERT_TRUE(t.BuildKey(by_call()).ok());
  EXPECT_EQ(IdsInKey(t, by_call()), (std::vector<int32_t>{3, 1}));
  // Another instance has indexes of its own.
  Table other;
  Open(other);
  EXPECT_EQ(IdsInKey(other, by_call()), (std::vector<int32_t>{3, 1}));
}

TEST_F(DynamicIndexTest, UniqueIndexWithARepeatedValueAndKeysThatAreNotIndexes) {
  Table t;
  Open(t);
  AddRow(t, 1, "a", "SAME");
  AddRow(t, 2, "b", "SAME");
  EXPECT_EQ(t.BuildIndex(by_call()).code(), err::kDuplicateKey);
  EXPECT_EQ(t.SetKey(by_call()).code(), 0);
  EXPECT_EQ(t.Next().code(), err::kDuplicateKey);
  // Only dynamic indexes are built in memory.
  EXPECT_EQ(t.BuildIndex(0).code(), err::kInvalidKeyFile);
  EXPECT_EQ(t.BuildIndex(99).code(), err::kInvalidKeyFile);
}

TEST_F(StoreTest, SkipRegetAndPositioningByRecord) {
  Table t;
  Open(t);
  std::vector<uint32_t> r;
  for (int i = 0; i < 10; ++i) r.push_back(AddRow(t, i, Text("S", 9 - i)));
  ASSERT_TRUE(t.SetKey(0).ok());
  ASSERT_TRUE(t.Skip(3).ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 3);
  std::string pos = t.Position();
  ASSERT_TRUE(t.Next().ok());
  ASSERT_TRUE(t.Reget(pos).ok());
  EXPECT_EQ(testing::GetLong(t.record(), T::kId), 3);
  // SET(key, record number) continues the key's order from that row.
  ASSERT_TRUE(t.SetKeyRecord(1, r[5]).ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(t.Pointer(), r[5]);
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(t.Pointer(), r[4]);
  // SET(file, record number) reads that row, or the row after a missing one.
  ASSERT_TRUE(t.SetRecord(r[7]).ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(t.Pointer(), r[7]);
  ASSERT_TRUE(t.SetRecord(r[9] + 50).ok());
  ASSERT_TRUE(t.Previous().ok());
  EXPECT_EQ(t.Pointer(), r[9]);
  ASSERT_TRUE(t.GetKeyRecord(1, r[2]).ok());
  ASSERT_TRUE(t.Previous().ok());
  EXPECT_EQ(t.Pointer(), r[3]);
}

TEST(StoreOem, TextIsStoredInTheOemCodePage) {
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  TableDef def = testing::TestTable();
  def.attributes = kTableOem;
  ASSERT_TRUE(Table::Create("oem", def, opt).ok());
  Table t;
  ASSERT_TRUE(t.Open("oem", &def, opt).ok());
  t.ClearRecord();
  const std::string russian = "\xC8\xE2\xE0\xED";  // 1251
  testing::PutText(t.record(), T::kName, 12, russian);
  ASSERT_TRUE(t.Add().ok());
  uint32_t r = t.Pointer();
  t.ClearRecord();
  ASSERT_TRUE(t.GetRecord(r).ok());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t.record()) + T::kName, 4), russian);
  std::string oem;
  for (char c : russian) oem.push_back(static_cast<char>(AnsiToOem()[static_cast<uint8_t>(c)]));
  EXPECT_NE(fs.Bytes("oem.VTF").find(oem), std::string::npos);
}

}  // namespace
}  // namespace kavo
