#include "data/check_open.h"

#include "data/standard_warning.h"
#include "data/transaction_scope.h"
#include "runtime/errors.h"
#include "runtime/halt.h"

namespace kavo {
namespace {

// 52: the file is open already, which is all a caller asks for.
bool Usable(const Status& st) {
  return st.ok() || st.code() == err::kFileAlreadyOpen;
}

// CreateFile: returns only with the file open; every failure halts.
void CreateFile(CheckOpenTarget& File, uint8_t open_mode) {
  if (!File.Create().ok()) StandardWarning(warning::kFileCreationError, File.Name());
  if (File.Open(open_mode).ok()) return;
  StandardWarning(warning::kCreatedFileOpenError, File.Name());
  // Warning 5 ends the program.
}

}  // namespace

void CheckOpen(CheckOpenTarget& File, std::optional<uint8_t> OverrideCreate,
               std::optional<uint8_t> OverrideOpenMode) {
  const uint8_t open_mode = OverrideOpenMode.value_or(kOpenReadWriteDenyNone);
  Status st = File.Open(open_mode);
  if (st.code() == err::kFileLocked) {
    File.Send("Recover=10");
    st = File.Open(open_mode);
  }
  if (Usable(st)) return;
  switch (st.code()) {
    case err::kFileNotFound:
      if (OverrideCreate == uint8_t{1}) {
        CreateFile(File, open_mode);
        return;
      }
      if (OverrideCreate == uint8_t{0}) StandardWarning(warning::kFileCreationError, File.Name());
      break;
    case err::kInvalidRecordDeclaration:
      StandardWarning(warning::kInvalidFile, File.Name());
      break;
    case err::kKeyMustBeRebuilt:
      StandardWarning(warning::kInvalidKey, File.Name());  // No ends the program
      if (!File.RebuildKeys().ok()) StandardWarning(warning::kKeyRebuildError, File.Name());
      st = File.Open(open_mode);
      if (Usable(st)) return;
      break;
    default:
      break;
  }
  StandardWarning(warning::kFileAccessError, File.Name());
  Halt("Disk Error");
}

void RISaveError() {
  StoreSavedError(CurrentLastError());
  RollbackActiveTransaction();
}

}  // namespace kavo
