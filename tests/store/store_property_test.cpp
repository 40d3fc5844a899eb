// Long random sequences of add, put and delete checked against an in-memory
// model after every step: the order of every key, the counts, and error 40
// leaving everything as it was. Closes and reopens at random points.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "store/key_codec.h"
#include "store/mem_file.h"
#include "store/table.h"
#include "store/verify.h"
#include "store_test_util.h"

namespace kavo {
namespace {

using testing::T;

class Model {
 public:
  explicit Model(const TableDef& def)
      : def_(def), codec_(KeyCharTables::FromProcess(ProcessCharTables(), false)) {}

  std::map<uint32_t, std::vector<uint8_t>> rows;

  // Record numbers in the order of key k.
  std::vector<uint32_t> Order(size_t k) const {
    const KeyDef& key = def_.keys[k];
    std::vector<std::pair<std::string, uint32_t>> v;
    for (const auto& [r, row] : rows) {
      if (key.opt() && IsKeyEmpty(def_, key, row.data())) continue;
      std::string val;
      codec_.AppendKeyValue(def_, key, row.data(), &val);
      v.emplace_back(val, r);
    }
    std::sort(v.begin(), v.end());
    std::vector<uint32_t> out;
    for (auto& p : v) out.push_back(p.second);
    return out;
  }
  // True when row would duplicate a unique key of another row.
  bool Conflicts(const std::vector<uint8_t>& row, uint32_t self) const {
    for (const KeyDef& key : def_.keys) {
      if (key.dup()) continue;
      if (key.opt() && IsKeyEmpty(def_, key, row.data())) continue;
      std::string a;
      codec_.AppendKeyValue(def_, key, row.data(), &a);
      for (const auto& [r, other] : rows) {
        if (r == self) continue;
        if (key.opt() && IsKeyEmpty(def_, key, other.data())) continue;
        std::string b;
        codec_.AppendKeyValue(def_, key, other.data(), &b);
        if (a == b) return true;
      }
    }
    return false;
  }

 private:
  const TableDef& def_;
  KeyCodec codec_;
};

struct Config {
  uint16_t record_length;
  int steps;
  int target_rows;
};

class PropertyTest : public ::testing::TestWithParam<Config> {};

std::vector<uint8_t> RandomRow(std::mt19937& rng, const TableDef& def, int id_range) {
  std::vector<uint8_t> row(def.record_length, 0);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  testing::PutLong(row.data(), T::kId, pick(id_range) - id_range / 4);
  static const char* names[] = {"Smith", "SMITH", "smyth", "Ua3abc", "UA3ABC", "ivanov", "", "Zed"};
  testing::PutText(row.data(), T::kName, 12, names[pick(8)] + std::to_string(pick(5)));
  if (pick(3) != 0) {
    std::string call = "RA" + std::to_string(pick(50));
    std::memcpy(row.data() + T::kCall, call.data(), call.size());
  }
  testing::PutLong(row.data(), T::kDay, pick(4) == 0 ? 0 : 70000 + pick(400));
  double v = (pick(200) - 100) / 4.0;
  std::memcpy(row.data() + T::kVal, &v, 8);
  row[T::kAmt] = static_cast<uint8_t>(pick(2) ? 0x00 : 0xD0);
  for (int i = 1; i < 5; ++i) row[T::kAmt + i] = static_cast<uint8_t>((pick(10) << 4) | pick(10));
  int16_t sh = static_cast<int16_t>(pick(2000) - 1000);
  std::memcpy(row.data() + T::kSh, &sh, 2);
  uint16_t us = static_cast<uint16_t>(pick(65536));
  std::memcpy(row.data() + T::kUs, &us, 2);
  row[T::kB] = static_cast<uint8_t>(pick(256));
  int plen = pick(6);
  row[T::kPs] = static_cast<uint8_t>(plen);
  for (int i = 0; i < plen; ++i) row[T::kPs + 1 + i] = static_cast<uint8_t>('a' + pick(26));
  if (pick(2)) {
    testing::PutLong(row.data(), T::kTime, pick(8640000) + 1);
    testing::PutLong(row.data(), T::kUl, pick(1 << 30));
    float f = static_cast<float>(pick(100) - 50);
    std::memcpy(row.data() + T::kSr, &f, 4);
  }
  std::memcpy(row.data() + T::kGrp, "GRP", 3);
  std::string pad(def.record_length - T::kPad, ' ');
  for (size_t i = 0; i < pad.size(); i += 1 + static_cast<size_t>(pick(64)))
    pad[i] = static_cast<char>('A' + pick(3));
  std::memcpy(row.data() + T::kPad, pad.data(), pad.size());
  return row;
}

void CheckAgainstModel(Table& t, const Model& m, const TableDef& def, std::mt19937& rng,
                       bool all_keys) {
  uint32_t count = 0;
  ASSERT_TRUE(t.Records(&count).ok());
  ASSERT_EQ(count, m.rows.size());
  for (size_t k = 0; k < def.keys.size(); ++k) {
    if (!all_keys && rng() % 4 != 0) continue;
    std::vector<uint32_t> expect = m.Order(k);
    ASSERT_TRUE(t.Records(static_cast<int>(k), &count).ok());
    ASSERT_EQ(count, expect.size()) << "key " << k;
    std::vector<uint32_t> got;
    ASSERT_TRUE(t.SetKey(static_cast<int>(k)).ok());
    for (;;) {
      Status st = t.Next();
      if (st.code() == err::kRecordNotAvailable) break;
      ASSERT_TRUE(st.ok()) << st.code() << " " << st.detail();
      got.push_back(t.Pointer());
      ASSERT_EQ(0, std::memcmp(t.record(), m.rows.at(t.Pointer()).data(), def.record_length));
    }
    ASSERT_EQ(got, expect) << "key " << k;
    if (!expect.empty()) {
      // Backwards from the end gives the reverse order.
      ASSERT_TRUE(t.SetKey(static_cast<int>(k)).ok());
      ASSERT_TRUE(t.Previous().ok());
      ASSERT_EQ(t.Pointer(), expect.back());
    }
  }
}

// The page tree, its regions and every key's entries are sound.
void CheckSound(Table& t) {
  TreeReport report;
  ASSERT_TRUE(VerifyTree(*t.store(), &report).ok());
  ASSERT_TRUE(report.problems.empty()) << report.problems[0];
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  ASSERT_TRUE(problems.empty()) << problems[0];
}

TEST_P(PropertyTest, RandomAddPutDeleteMatchesModel) {
  const Config cfg = GetParam();
  MemFileSystem fs;
  OpenOptions opt;
  opt.fs = &fs;
  TableDef def = testing::TestTable(cfg.record_length);
  ASSERT_TRUE(Table::Create("prop\\!ROWS", def, opt).ok());
  auto table = std::make_unique<Table>();
  ASSERT_TRUE(table->Open("prop\\!ROWS", &def, opt).ok());
  Model model(def);
  std::mt19937 rng(1234 + cfg.record_length);
  const int id_range = cfg.target_rows * 3;
  int dup_errors = 0;
  for (int step = 0; step < cfg.steps; ++step) {
    int op = static_cast<int>(rng() % 10);
    bool grow = static_cast<int>(model.rows.size()) < cfg.target_rows;
    if (op < (grow ? 7 : 4) || model.rows.empty()) {
      std::vector<uint8_t> row = RandomRow(rng, def, id_range);
      std::memcpy(table->record(), row.data(), row.size());
      Status st = table->Add();
      if (model.Conflicts(row, 0)) {
        ASSERT_EQ(st.code(), err::kDuplicateKey) << "step " << step;
        ++dup_errors;
      } else {
        ASSERT_TRUE(st.ok()) << "step " << step << " code " << st.code() << " " << st.detail();
        model.rows[table->Pointer()] = row;
      }
    } else {
      auto it = model.rows.begin();
      std::advance(it, static_cast<long>(rng() % model.rows.size()));
      uint32_t r = it->first;
      ASSERT_TRUE(table->GetRecord(r).ok());
      if (op < 8) {
        std::vector<uint8_t> row = RandomRow(rng, def, id_range);
        if (rng() % 2)
          testing::PutLong(row.data(), T::kId, testing::GetLong(it->second.data(), T::kId));
        std::memcpy(table->record(), row.data(), row.size());
        Status st = table->Put();
        if (model.Conflicts(row, r)) {
          ASSERT_EQ(st.code(), err::kDuplicateKey) << "step " << step;
          ++dup_errors;
        } else {
          ASSERT_TRUE(st.ok()) << "step " << step << " code " << st.code() << " " << st.detail();
          it->second = row;
        }
      } else {
        ASSERT_TRUE(table->Delete().ok()) << "step " << step;
        model.rows.erase(it);
      }
    }
    ASSERT_NO_FATAL_FAILURE(CheckAgainstModel(*table, model, def, rng, step % 50 == 0));
    if (rng() % 40 == 0) {
      ASSERT_NO_FATAL_FAILURE(CheckSound(*table));
      ASSERT_TRUE(table->Close().ok());
      table = std::make_unique<Table>();
      ASSERT_TRUE(table->Open("prop\\!ROWS", &def, opt).ok());
    }
  }
  EXPECT_GT(dup_errors, 0);
  ASSERT_NO_FATAL_FAILURE(CheckAgainstModel(*table, model, def, rng, true));
  ASSERT_NO_FATAL_FAILURE(CheckSound(*table));
  TreeReport report;
  ASSERT_TRUE(VerifyTree(*table->store(), &report).ok());
  EXPECT_GE(report.depth, 3);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PropertyTest,
                         ::testing::Values(Config{120, 3000, 1200}, Config{7000, 400, 120}));

}  // namespace
}  // namespace kavo
