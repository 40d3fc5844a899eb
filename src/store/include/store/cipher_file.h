// A File that enciphers everything it writes and deciphers everything it
// reads through another File, for store files with an owner password and
// encryption. The store reads and writes only whole 64-byte units at offsets
// that are multiples of 64 (the 512-byte header, pages of 256-byte blocks);
// anything else is a consistency failure of the store, reported with its
// check number rather than passed on, since a torn unit could not be
// enciphered in place. Sizes, flushes and locks pass through unchanged.
//
// StartsWith is deliberately left to File's default, which reads through
// Read: the header comparison before a read must see deciphered bytes, and a
// faster comparison of the file below would see the enciphered ones.
#pragma once

#include <memory>
#include <vector>

#include "store/cipher.h"
#include "store/file.h"

namespace kavo {

class CipherFile final : public File {
 public:
  CipherFile(std::unique_ptr<File> base, std::shared_ptr<const UnitCipher> cipher);

  Status Read(uint64_t offset, void* buf, size_t n, size_t* got) override;
  Status Write(uint64_t offset, const void* buf, size_t n) override;
  Status Flush() override { return base_->Flush(); }
  Status Size(uint64_t* size) override { return base_->Size(size); }
  Status Truncate(uint64_t size) override { return base_->Truncate(size); }
  Status Lock(uint64_t offset, uint64_t length, bool exclusive, bool wait) override {
    return base_->Lock(offset, length, exclusive, wait);
  }
  Status Unlock(uint64_t offset, uint64_t length) override { return base_->Unlock(offset, length); }
  Status Held(uint64_t offset, uint64_t length, bool* held) override {
    return base_->Held(offset, length, held);
  }

 private:
  std::unique_ptr<File> base_;
  std::shared_ptr<const UnitCipher> cipher_;
  std::vector<uint8_t> scratch_;  // the enciphered copy of the bytes being written
};

// file itself when cipher is null, else file wrapped in a CipherFile.
std::unique_ptr<File> Enciphered(std::unique_ptr<File> file,
                                 std::shared_ptr<const UnitCipher> cipher);

}  // namespace kavo
