// The unpacking of page bodies against a byte-by-byte reading of the packed
// format. The unpacker copies short pieces sixteen bytes at a time and skips
// its checks far from both ends, so bodies are built with pieces of every
// length around those limits, then cut, lengthened and damaged: each must
// unpack exactly as the plain reading does, or fail where it fails, without
// touching a byte outside its buffers. Runs under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "store/page.h"

namespace kavo {
namespace {

void PutVar(std::string* out, size_t v) {
  for (; v >= 0x80; v >>= 7) out->push_back(static_cast<char>((v & 0x7F) | 0x80));
  out->push_back(static_cast<char>(v));
}

// The plain reading: a literal length and bytes, then a repeat count of the
// byte before, until exactly n bytes are out.
std::optional<std::string> PlainUnpack(const std::string& in, size_t n) {
  size_t pos = 0;
  auto var = [&](size_t* v) {
    *v = 0;
    for (int shift = 0; shift < 28; shift += 7) {
      if (pos >= in.size()) return false;
      const uint8_t b = static_cast<uint8_t>(in[pos++]);
      *v |= static_cast<size_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  };
  std::string out;
  for (;;) {
    size_t lit = 0, c = 0;
    if (!var(&lit) || lit > in.size() - pos || lit > n - out.size()) return std::nullopt;
    out.append(in, pos, lit);
    pos += lit;
    if (out.size() == n) return out;
    if (!var(&c) || out.empty() || c > n - out.size()) return std::nullopt;
    out.append(c, out.back());
    if (out.size() == n) return out;
  }
}

// Unpacks from and into heap blocks of exactly the size allowed, so that
// the sanitizer sees any access past them.
std::optional<std::string> Unpack(const std::string& in, size_t n) {
  std::unique_ptr<uint8_t[]> src(new uint8_t[in.size()]);
  if (!in.empty()) std::memcpy(src.get(), in.data(), in.size());
  std::unique_ptr<char[]> dst(new char[n + kUnpackSlack]);
  if (!UnpackBodyInto(src.get(), in.size(), n, dst.get())) return std::nullopt;
  return std::string(dst.get(), n);
}

// A packed body of pieces whose lengths cluster around the unpacker's
// limits (16 and 64 bytes of literal, 16 of run, one-byte lengths).
std::string RandomPacked(std::mt19937* rng, size_t* n) {
  auto pick = [&](size_t most) {
    static const size_t kNear[] = {0, 1, 2, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 200};
    const size_t v = (*rng)() % 2 ? kNear[(*rng)() % std::size(kNear)] : (*rng)() % most;
    return v;
  };
  std::string out;
  *n = 0;
  const int pieces = 1 + static_cast<int>((*rng)() % 40);
  for (int i = 0; i < pieces; ++i) {
    size_t lit = pick(70);
    if (i == 0 && lit == 0) lit = 1;
    PutVar(&out, lit);
    for (size_t k = 0; k < lit; ++k) out.push_back(static_cast<char>('a' + (*rng)() % 26));
    *n += lit;
    if (i + 1 == pieces) break;
    const size_t c = pick(20);
    PutVar(&out, c);
    *n += c;
  }
  return out;
}

TEST(PageUnpack, MatchesThePlainReading) {
  std::mt19937 rng(11);
  int unpacked = 0;
  for (int round = 0; round < 20000; ++round) {
    size_t n = 0;
    std::string in = RandomPacked(&rng, &n);
    switch (round % 6) {
      case 1:  // cut short
        in.resize(rng() % (in.size() + 1));
        break;
      case 2:  // asked for fewer or more bytes than it holds
        n = rng() % 2 ? n + 1 + rng() % 20 : n - std::min<size_t>(n, 1 + rng() % 20);
        break;
      case 3:  // a damaged byte
        in[rng() % in.size()] = static_cast<char>(rng());
        break;
      case 4:  // the last byte damaged: a bad count or length at the end
        in.back() = static_cast<char>(rng());
        break;
      default:
        break;
    }
    const std::optional<std::string> want = PlainUnpack(in, n);
    const std::optional<std::string> got = Unpack(in, n);
    ASSERT_EQ(got.has_value(), want.has_value()) << "round " << round;
    if (want) {
      ASSERT_EQ(*got, *want) << "round " << round;
      ++unpacked;
    }
  }
  EXPECT_GT(unpacked, 5000);
}

// Unpacking a part at a time ends with what one call gives, and every part
// asked for is out when a call succeeds.
TEST(PageUnpack, InPartsAsInOneCall) {
  std::mt19937 rng(12);
  for (int round = 0; round < 5000; ++round) {
    size_t n = 0;
    std::string in = RandomPacked(&rng, &n);
    if (round % 3 == 1) in[rng() % in.size()] = static_cast<char>(rng());
    const std::optional<std::string> want = PlainUnpack(in, n);
    std::unique_ptr<uint8_t[]> src(new uint8_t[in.size()]);
    std::memcpy(src.get(), in.data(), in.size());
    std::unique_ptr<char[]> dst(new char[n + kUnpackSlack]);
    BodyUnpacker unpacker(src.get(), in.size(), n, dst.get());
    bool ok = true;
    for (size_t part = 0; ok && unpacker.done() < n;) {
      part += 1 + rng() % 40;
      ok = unpacker.Until(part);
      if (ok) {
        ASSERT_GE(unpacker.done(), std::min(part, n));
        if (want) {
          ASSERT_EQ(std::string(dst.get(), unpacker.done()), want->substr(0, unpacker.done()));
        }
      }
    }
    if (n == 0) ok = unpacker.Until(0);
    ASSERT_EQ(ok, want.has_value()) << "round " << round;
    if (want) {
      ASSERT_EQ(std::string(dst.get(), n), *want) << "round " << round;
    }
  }
}

// Pieces that end exactly at the end of the input or output, with no room
// for a whole chunk past them.
TEST(PageUnpack, PiecesEndingAtTheBufferEnds) {
  for (size_t lit = 1; lit <= 70; ++lit) {
    for (size_t run = 0; run <= 20; ++run) {
      std::string in;
      std::string want;
      for (int pair = 0; pair < 4; ++pair) {
        PutVar(&in, lit);
        for (size_t k = 0; k < lit; ++k) in.push_back(static_cast<char>('A' + (k + pair) % 26));
        want.append(in, in.size() - lit, lit);
        PutVar(&in, run);
        want.append(run, want.back());
      }
      PutVar(&in, lit);
      in.append(want, 0, lit);
      want.append(want, 0, lit);
      ASSERT_EQ(Unpack(in, want.size()), want) << lit << " " << run;
      // Ending after a run: the final literal is left out.
      const std::string without(in, 0, in.size() - lit - 1);
      ASSERT_EQ(Unpack(without, want.size() - lit), want.substr(0, want.size() - lit));
      ASSERT_FALSE(Unpack(in, want.size() + 1));
      ASSERT_FALSE(Unpack(in.substr(0, in.size() - 1), want.size()));
    }
  }
}

}  // namespace
}  // namespace kavo
