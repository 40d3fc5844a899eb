#include "store/cipher_file.h"

#include <cstring>

#include "store/store_file.h"

namespace kavo {
namespace {

bool WholeUnits(uint64_t offset, size_t n) {
  return offset % UnitCipher::kUnit == 0 && n % UnitCipher::kUnit == 0;
}

}  // namespace

CipherFile::CipherFile(std::unique_ptr<File> base, std::shared_ptr<const UnitCipher> cipher)
    : base_(std::move(base)), cipher_(std::move(cipher)) {}

Status CipherFile::Read(uint64_t offset, void* buf, size_t n, size_t* got) {
  *got = 0;
  if (!WholeUnits(offset, n)) return Status::Check(store_check::kIoSize);
  KAVO_RETURN_IF_ERROR(base_->Read(offset, buf, n, got));
  cipher_->Apply(offset / UnitCipher::kUnit, static_cast<uint8_t*>(buf), *got);
  return Status::OK();
}

Status CipherFile::Write(uint64_t offset, const void* buf, size_t n) {
  if (!WholeUnits(offset, n)) return Status::Check(store_check::kIoSize);
  scratch_.resize(n);
  if (n > 0) std::memcpy(scratch_.data(), buf, n);
  cipher_->Apply(offset / UnitCipher::kUnit, scratch_.data(), n);
  Status st = base_->Write(offset, scratch_.data(), n);
  // Large journals would otherwise keep their copy for the file's lifetime.
  if (scratch_.capacity() > (size_t{1} << 20)) std::vector<uint8_t>().swap(scratch_);
  return st;
}

std::unique_ptr<File> Enciphered(std::unique_ptr<File> file,
                                 std::shared_ptr<const UnitCipher> cipher) {
  if (cipher == nullptr) return file;
  return std::make_unique<CipherFile>(std::move(file), std::move(cipher));
}

}  // namespace kavo
