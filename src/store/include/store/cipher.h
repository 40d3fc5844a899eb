// The cipher of store files opened with an owner password and encryption.
//
// The key is derived from the owner password alone (PBKDF2-HMAC-SHA-256 with
// a fixed salt), never from the file's name or contents: a copied or renamed
// file opens with the same password, and the header itself is enciphered, so
// there is nowhere to keep a per-file salt.
//
// A file is enciphered in units of 64 bytes. Unit u (file offset 64 u) is
// XORed with ChaCha20 block u of the key, so every unit deciphers on its own
// and in place, in any order and from any part of a read, and a write that
// lands only partly (a crash) still deciphers to the bytes that landed.
// Enciphering and deciphering are the same operation.
//
// What it does and does not give: the file's bytes reveal nothing without the
// password to someone who sees one copy of it. Because a unit rewritten at the
// same offset is XORed with the same keystream, two copies of the file taken
// at different times reveal where they differ and the XOR of the changed
// bytes there, and nothing authenticates the bytes. A wrong password is
// noticed only because the deciphered header fails its magic check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kavo {

namespace crypto {

using Digest = std::array<uint8_t, 32>;

Digest Sha256(const void* data, size_t n);
Digest HmacSha256(const void* key, size_t key_n, const void* msg, size_t msg_n);
// PBKDF2 with HMAC-SHA-256: fills out[0, out_n).
void Pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations,
                  uint8_t* out, size_t out_n);
// One ChaCha20 block (64 bytes of keystream) for key, block counter and
// 96-bit nonce, as the IETF variant defines it.
void ChaCha20Block(const uint8_t key[32], uint32_t counter, const uint8_t nonce[12],
                   uint8_t out[64]);

}  // namespace crypto

class UnitCipher {
 public:
  static constexpr size_t kUnit = 64;

  explicit UnitCipher(std::string_view password);
  ~UnitCipher();
  UnitCipher(const UnitCipher&) = delete;
  UnitCipher& operator=(const UnitCipher&) = delete;

  // Enciphers or deciphers n bytes in place whose first byte lies at the
  // start of unit first_unit. n need not be whole units: a short read at the
  // end of a file deciphers what it got.
  void Apply(uint64_t first_unit, uint8_t* data, size_t n) const;
  // Whether both were keyed from the same password.
  bool SameKey(const UnitCipher& other) const;

 private:
  std::array<uint8_t, 32> key_{};
};

}  // namespace kavo
