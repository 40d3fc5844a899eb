// Finding one record in an encoded leaf without decoding it, against the
// decoded page: every key of random leaves, packed and not, with long keys
// and shared prefixes, and keys that fall between, before and after the
// records. Damaged blocks must give a check or an answer, never a read
// outside them (runs under AddressSanitizer).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "store/page.h"

namespace kavo {
namespace {

constexpr int64_t kHome = 4096;

// A leaf of count records with keys in ascending order: a common stem (so
// neighbours share up to 63 bytes and more), then a number; data parts of
// runs (so the body packs) or of random bytes.
Page RandomLeaf(std::mt19937* rng, size_t count, size_t stem_size) {
  Page p;
  std::string stem;
  for (size_t i = 0; i < stem_size; ++i) stem.push_back(static_cast<char>('A' + (*rng)() % 3));
  uint32_t n = (*rng)() % 50;
  for (size_t i = 0; i < count; ++i) {
    n += 1 + (*rng)() % 7;
    std::string key = stem;
    for (int b = 3; b >= 0; --b) key.push_back(static_cast<char>((n >> (8 * b)) & 0xFF));
    std::string data;
    const size_t size = (*rng)() % 120;
    if ((*rng)() % 2) {
      data.assign(size, static_cast<char>(' ' + (*rng)() % 3));
    } else {
      for (size_t k = 0; k < size; ++k) data.push_back(static_cast<char>((*rng)()));
    }
    p.records.push_back(Record(key, data));
  }
  return p;
}

struct Encoded {
  std::unique_ptr<uint8_t[]> bytes;  // exactly the blocks, for the sanitizer
  size_t size = 0;
  int k = 0;
};

Encoded Encode(const Page& p) {
  EncodedPage e;
  EXPECT_TRUE(EncodePage(p, kHome, &e).ok());
  Encoded out;
  out.size = e.bytes.size();
  out.k = e.blocks;
  out.bytes.reset(new uint8_t[out.size]);
  std::memcpy(out.bytes.get(), e.bytes.data(), out.size);
  return out;
}

// What the decoded page answers for an exact read of key.
bool DecodedFind(const Page& p, std::string_view key, Record* out) {
  const size_t i = p.LowerBound(key);
  if (i == p.records.size() || p.records[i].key() != key) return false;
  *out = p.records[i];
  return true;
}

TEST(LeafProbe, AnswersAsTheDecodedPage) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const size_t count = 1 + rng() % 60;
    const size_t stem = round % 3 == 0 ? 0 : (round % 3 == 1 ? 10 : 70);
    const Page leaf = RandomLeaf(&rng, count, stem);
    const Encoded e = Encode(leaf);
    auto probe_is = [&](std::string_view key, bool in_range) {
      Record want, got;
      LeafProbe probe;
      ASSERT_TRUE(ProbeLeaf(e.bytes.get(), e.size, e.k, kHome, key, &got, &probe).ok());
      EXPECT_EQ(probe.level, 0);
      EXPECT_EQ(probe.spans, in_range) << round;
      ASSERT_EQ(probe.found, DecodedFind(leaf, key, &want)) << round;
      if (probe.found) {
        EXPECT_EQ(got.bytes, want.bytes);
        EXPECT_EQ(got.key_length, want.key_length);
        EXPECT_TRUE(got.head == want.head);
      }
    };
    const std::string first(leaf.records.front().key());
    const std::string last(leaf.records.back().key());
    for (const RecordView r : leaf.records) {
      std::string key(r.key());
      probe_is(key, true);
      // Just after a key: between two records, or past the last.
      probe_is(key + '\0', key != last);
      // A proper prefix of a key sorts before it.
      key.pop_back();
      probe_is(key, key >= first);
    }
    probe_is("", false);
    probe_is(last + "\xFF", false);
  }
}

TEST(LeafProbe, IndexPagesAreNotSearched) {
  std::mt19937 rng(6);
  Page index = RandomLeaf(&rng, 30, 4);
  index.level = 1;
  for (size_t i = 0; i < index.records.size(); ++i)
    index.children.push_back(static_cast<int32_t>(i + 1));
  const Encoded e = Encode(index);
  Record out;
  LeafProbe probe;
  ASSERT_TRUE(
      ProbeLeaf(e.bytes.get(), e.size, e.k, kHome, index.records[3].key(), &out, &probe).ok());
  EXPECT_EQ(probe.level, 1);
  EXPECT_FALSE(probe.found);
}

TEST(LeafProbe, DamagedBlocksNeverReadOutside) {
  std::mt19937 rng(7);
  int checks = 0;
  for (int round = 0; round < 3000; ++round) {
    const Page leaf = RandomLeaf(&rng, 1 + rng() % 50, rng() % 3 == 0 ? 70 : 8);
    Encoded e = Encode(leaf);
    const int damaged = 1 + static_cast<int>(rng() % 4);
    for (int d = 0; d < damaged; ++d) {
      // Mostly the header and the first bytes of the body, where the
      // lengths are.
      const size_t at = rng() % 2 ? rng() % std::min<size_t>(e.size, 64) : rng() % e.size;
      e.bytes[at] = static_cast<uint8_t>(rng());
    }
    const RecordView target = leaf.records[rng() % leaf.records.size()];
    Record out;
    LeafProbe probe;
    const Status st = ProbeLeaf(e.bytes.get(), e.size, e.k, kHome, target.key(), &out, &probe);
    if (!st.ok()) ++checks;
    if (st.ok() && probe.found) {
      EXPECT_EQ(out.key(), target.key());
    }
  }
  EXPECT_GT(checks, 100);
}

}  // namespace
}  // namespace kavo
