#include "store/cipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kavo {
namespace crypto {
namespace {

constexpr uint32_t kSha256Init[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr uint32_t kSha256Rounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t Rotr(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}
constexpr uint32_t Rotl(uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

uint32_t LoadBE32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
void StoreLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Incremental SHA-256, so that HMAC can hash its padded key and the message
// without joining them.
class Sha256State {
 public:
  Sha256State() { std::memcpy(h_, kSha256Init, sizeof h_); }

  void Update(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    length_ += n;
    if (fill_ > 0) {
      size_t take = std::min(n, sizeof block_ - fill_);
      std::memcpy(block_ + fill_, p, take);
      fill_ += take;
      p += take;
      n -= take;
      if (fill_ < sizeof block_) return;
      Compress(block_);
      fill_ = 0;
    }
    for (; n >= sizeof block_; p += sizeof block_, n -= sizeof block_) Compress(p);
    std::memcpy(block_, p, n);
    fill_ = n;
  }

  Digest Finish() {
    const uint64_t bits = length_ * 8;
    const uint8_t one = 0x80;
    Update(&one, 1);
    const uint8_t zero = 0;
    while (fill_ != 56) Update(&zero, 1);
    uint8_t tail[8];
    for (int i = 0; i < 8; ++i) tail[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Update(tail, sizeof tail);
    Digest d;
    for (int i = 0; i < 8; ++i) {
      for (int b = 0; b < 4; ++b) d[4 * i + b] = static_cast<uint8_t>(h_[i] >> (24 - 8 * b));
    }
    return d;
  }

 private:
  void Compress(const uint8_t* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
      uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3];
    uint32_t e = h_[4], f = h_[5], g = h_[6], h = h_[7];
    for (int i = 0; i < 64; ++i) {
      uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                    kSha256Rounds[i] + w[i];
      uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
    h_[5] += f;
    h_[6] += g;
    h_[7] += h;
  }

  uint32_t h_[8];
  uint8_t block_[64];
  size_t fill_ = 0;
  uint64_t length_ = 0;
};

void QuarterRound(uint32_t* x, int a, int b, int c, int d) {
  x[a] += x[b];
  x[d] = Rotl(x[d] ^ x[a], 16);
  x[c] += x[d];
  x[b] = Rotl(x[b] ^ x[c], 12);
  x[a] += x[b];
  x[d] = Rotl(x[d] ^ x[a], 8);
  x[c] += x[d];
  x[b] = Rotl(x[b] ^ x[c], 7);
}

// Overwrites a secret so that the compiler cannot drop the stores.
void Wipe(void* p, size_t n) {
  volatile auto* v = static_cast<volatile uint8_t*>(p);
  for (size_t i = 0; i < n; ++i) v[i] = 0;
}

}  // namespace

Digest Sha256(const void* data, size_t n) {
  Sha256State s;
  s.Update(data, n);
  return s.Finish();
}

Digest HmacSha256(const void* key, size_t key_n, const void* msg, size_t msg_n) {
  uint8_t k[64] = {};
  if (key_n > sizeof k) {
    Digest d = Sha256(key, key_n);
    std::memcpy(k, d.data(), d.size());
  } else if (key_n > 0) {
    std::memcpy(k, key, key_n);
  }
  uint8_t pad[64];
  for (size_t i = 0; i < sizeof pad; ++i) pad[i] = k[i] ^ 0x36;
  Sha256State inner;
  inner.Update(pad, sizeof pad);
  inner.Update(msg, msg_n);
  Digest inner_digest = inner.Finish();
  for (size_t i = 0; i < sizeof pad; ++i) pad[i] = k[i] ^ 0x5c;
  Sha256State outer;
  outer.Update(pad, sizeof pad);
  outer.Update(inner_digest.data(), inner_digest.size());
  Wipe(k, sizeof k);
  Wipe(pad, sizeof pad);
  return outer.Finish();
}

void Pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations,
                  uint8_t* out, size_t out_n) {
  std::vector<uint8_t> first(salt.begin(), salt.end());
  first.resize(salt.size() + 4);
  for (uint32_t block = 1; out_n > 0; ++block) {
    for (int i = 0; i < 4; ++i)
      first[salt.size() + i] = static_cast<uint8_t>(block >> (24 - 8 * i));
    Digest u = HmacSha256(password.data(), password.size(), first.data(), first.size());
    Digest t = u;
    for (uint32_t it = 1; it < iterations; ++it) {
      u = HmacSha256(password.data(), password.size(), u.data(), u.size());
      for (size_t i = 0; i < t.size(); ++i) t[i] ^= u[i];
    }
    size_t take = std::min(out_n, t.size());
    std::memcpy(out, t.data(), take);
    out += take;
    out_n -= take;
    Wipe(u.data(), u.size());
    Wipe(t.data(), t.size());
  }
}

void ChaCha20Block(const uint8_t key[32], uint32_t counter, const uint8_t nonce[12],
                   uint8_t out[64]) {
  uint32_t state[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
  for (int i = 0; i < 8; ++i) state[4 + i] = LoadLE32(key + 4 * i);
  state[12] = counter;
  for (int i = 0; i < 3; ++i) state[13 + i] = LoadLE32(nonce + 4 * i);
  uint32_t x[16];
  std::memcpy(x, state, sizeof x);
  for (int round = 0; round < 10; ++round) {
    QuarterRound(x, 0, 4, 8, 12);
    QuarterRound(x, 1, 5, 9, 13);
    QuarterRound(x, 2, 6, 10, 14);
    QuarterRound(x, 3, 7, 11, 15);
    QuarterRound(x, 0, 5, 10, 15);
    QuarterRound(x, 1, 6, 11, 12);
    QuarterRound(x, 2, 7, 8, 13);
    QuarterRound(x, 3, 4, 9, 14);
  }
  for (int i = 0; i < 16; ++i) StoreLE32(out + 4 * i, x[i] + state[i]);
  Wipe(x, sizeof x);
  Wipe(state, sizeof state);
}

}  // namespace crypto

namespace {

// The salt only separates this use of the password from any other; it cannot
// differ per file (see cipher.h).
constexpr std::string_view kSalt = "kavo store file cipher v1";
// Slows a guess at the password down to a few thousand hash computations.
constexpr uint32_t kIterations = 4096;

}  // namespace

UnitCipher::UnitCipher(std::string_view password) {
  crypto::Pbkdf2Sha256(password, kSalt, kIterations, key_.data(), key_.size());
}

UnitCipher::~UnitCipher() {
  volatile uint8_t* v = key_.data();
  for (size_t i = 0; i < key_.size(); ++i) v[i] = 0;
}

void UnitCipher::Apply(uint64_t first_unit, uint8_t* data, size_t n) const {
  uint8_t stream[kUnit];
  uint8_t nonce[12] = {};
  for (uint64_t unit = first_unit; n > 0; ++unit) {
    // The unit number is the 32-bit block counter, its high half the nonce's
    // first word: every unit of any file size has a keystream block of its own.
    for (int i = 0; i < 4; ++i) nonce[i] = static_cast<uint8_t>(unit >> (32 + 8 * i));
    crypto::ChaCha20Block(key_.data(), static_cast<uint32_t>(unit), nonce, stream);
    size_t take = n < kUnit ? n : kUnit;
    for (size_t i = 0; i < take; ++i) data[i] ^= stream[i];
    data += take;
    n -= take;
  }
  volatile uint8_t* v = stream;
  for (size_t i = 0; i < kUnit; ++i) v[i] = 0;
}

bool UnitCipher::SameKey(const UnitCipher& other) const {
  uint8_t diff = 0;
  for (size_t i = 0; i < key_.size(); ++i) diff |= key_[i] ^ other.key_[i];
  return diff == 0;
}

}  // namespace kavo
