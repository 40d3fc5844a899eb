#include "data/ri_routines.h"

#include <climits>
#include <cstring>
#include <string>

#include "data/check_open.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data/transaction_scope.h"
#include "runtime/chartab.h"
#include "runtime/errors.h"

namespace kavo {
namespace {

using LogFile = TypedDataFile<dict::AAAARecord>;

// The key a table's record is re-read through; -1 for its file position.
constexpr int kFilePosition = -1;

int KeyOf(const DataFile& file, const char* name) {
  return file.def().FindKey(name);
}

std::string PositionOf(Table& table, int key) {
  return key == kFilePosition ? table.Position() : table.Position(key);
}

Status RegetAt(Table& table, int key, const std::string& position) {
  return key == kFilePosition ? table.Reget(position) : table.Reget(key, position);
}

// Holds a dependent file open for the length of a routine: opened through
// the usage counter when this context has not opened it yet, and released
// on every return path (RICloseFiles).
class DependentFile {
 public:
  explicit DependentFile(DataFile& file) : file_(file) { UseFile(file_, 1); }
  ~DependentFile() { ReleaseFile(file_); }
  DependentFile(const DependentFile&) = delete;
  DependentFile& operator=(const DependentFile&) = delete;

 private:
  DataFile& file_;
};

// Two country names as the log's NOCASE country keys compare them.
bool SameUnderKey(const char (&a)[20], const char (&b)[20]) {
  return Upper(std::string_view(a, 20)) == Upper(std::string_view(b, 20));
}

bool Same(const char (&a)[20], const char (&b)[20]) {
  return std::memcmp(a, b, 20) == 0;
}

// Positions `log` at the first record of `country` in its by-country key.
Status StartAtCountry(LogFile& log, int key, const char (&country)[20]) {
  dict::AAAARecord& rec = log.rec();
  rec.Clear();
  std::memcpy(rec.PREF, country, sizeof rec.PREF);
  rec.DATA = INT32_MIN;
  rec.TIM = INT32_MIN;
  return log.file().SetKeyValue(key);
}

// A record read in the by-country key whose name is the same under the key
// but not letter for letter belongs to another country; the walk goes on
// past it rather than stopping there, since records of the name looked for
// may follow it.
enum class Next { kEnd, kMatch, kError };

Next NextOfCountry(LogFile& log, const char (&country)[20]) {
  for (;;) {
    Status st = log.file().Next();
    if (st.code() == err::kRecordNotAvailable) return Next::kEnd;
    if (!st.ok()) return Next::kError;
    if (!SameUnderKey(log.rec().PREF, country)) return Next::kEnd;
    if (Same(log.rec().PREF, country)) return Next::kMatch;
  }
}

// RIDelete:DXCC:AAAA, the restrict rule: 1 when a log record carries the
// country name of the DXCC record.
int32_t RIDelete_DXCC_AAAA(DataContext& context) {
  LogFile& log = context.AAAA;
  const int key = KeyOf(log, "AAA:BEY_SS");
  Next next = Next::kError;
  if (StartAtCountry(log, key, context.DXCC.rec().STRANA).ok()) {
    next = NextOfCountry(log, context.DXCC.rec().STRANA);
  }
  switch (next) {
    case Next::kEnd:
      return 0;
    case Next::kError:
      RISaveError();
      StandardWarning(warning::kRecordRetrievalError, "AAAA");
      return 1;
    case Next::kMatch:
      break;
  }
  RISaveError();
  StandardWarning(warning::kReferencedDelete, "AAAA");
  return 1;
}

// The cascade: every record of `log` with the old country name gets the new
// one.
int32_t RenameCountryIn(DataContext& context, LogFile& log, const char* key_name,
                        const char* message_name) {
  const char(&old_name)[20] = context.SAV_DXC_STRANA;
  const int key = KeyOf(log, key_name);
  Table& table = log.file();
  if (!StartAtCountry(log, key, old_name).ok()) {
    RISaveError();
    StandardWarning(warning::kRecordRetrievalError, message_name);
    return 1;
  }
  for (;;) {
    switch (NextOfCountry(log, old_name)) {
      case Next::kEnd:
        return 0;
      case Next::kError:
        RISaveError();
        StandardWarning(warning::kRecordRetrievalError, message_name);
        return 1;
      case Next::kMatch:
        break;
    }
    // Where the record stood under its old name: the walk goes on after it,
    // wherever the new name puts the record itself.
    const std::string position = table.Position(key);
    std::memcpy(log.rec().PREF, context.DXCC.rec().STRANA, sizeof log.rec().PREF);
    if (!table.Put().ok()) {
      RISaveError();
      StandardWarning(warning::kUpdateOperationError, message_name);
      return 1;
    }
    if (!table.Reset(key, position).ok()) {
      RISaveError();
      StandardWarning(warning::kRecordRetrievalError, message_name);
      return 1;
    }
  }
}

int32_t RIUpdate_DXCC_AAAA(DataContext& context) {
  return RenameCountryIn(context, context.AAAA, "AAA:BEY_SS", "AAAA");
}

int32_t RIUpdate_DXCC_AAAAPRINT(DataContext& context) {
  return RenameCountryIn(context, context.AAAAPRINT, "AAP:BEY_SS", "AAAAPRINT");
}

// The failure path shared by the RIUpdate routines once their write (or its
// commit) has failed: the warning, and for a record changed by another
// station the reread of that station's version.
int32_t FailedUpdate(DataContext& context, DataFile& file, int key, const char* message_name,
                     uint8_t FromForm) {
  RISaveError();
  if (PeekSavedError().code != err::kRecordChanged) {
    StandardWarning(warning::kUpdateOperationError, message_name);
    return 1;
  }
  if (FromForm == 1) {
    StandardWarning(warning::kRecordChangedElsewhere);
  } else {
    StandardWarning(warning::kUpdateOperationError, "Record Changed by Another Station");
  }
  Table& table = file.file();
  (void)table.Watch();
  (void)RegetAt(table, key, context.CURRENT_POSITION);
  return 2;
}

// The four simple RIDelete routines.
int32_t SimpleDelete(DataFile& file, int key, const char* message_name) {
  Table& table = file.file();
  const std::string CURRENT_POSITION = PositionOf(table, key);
  TransactionScope transaction;
  if (!transaction.Logout(kLogoutSeconds, {&table}).ok()) {
    RISaveError();
    StandardWarning(warning::kTransactionFramingError, "Delete", message_name);
    return 1;
  }
  // A record that cannot be re-read is not deleted: the current record
  // would be whatever was read last.
  Status st = RegetAt(table, key, CURRENT_POSITION);
  if (st.ok()) st = table.Delete();
  if (st.ok()) st = transaction.Commit();
  if (!st.ok()) {
    RISaveError();
    StandardWarning(warning::kDeleteOperationError, message_name);
    return 1;
  }
  return 0;
}

// The five simple RIUpdate routines.
int32_t SimpleUpdate(DataContext& context, DataFile& file, int key, const char* message_name,
                     uint8_t FromForm) {
  Table& table = file.file();
  TransactionScope transaction;
  if (!transaction.Logout(kLogoutSeconds, {&table}).ok()) {
    RISaveError();
    StandardWarning(warning::kTransactionFramingError, "Update", message_name);
    return 1;
  }
  context.CURRENT_POSITION = PositionOf(table, key);
  Status st = table.Put();
  // A commit that fails has written nothing: reported like a failed write.
  if (st.ok()) st = transaction.Commit();
  if (st.ok()) return 0;
  return FailedUpdate(context, file, key, message_name, FromForm);
}

}  // namespace

int32_t RIDelete_AAAA(DataContext& context) {
  return SimpleDelete(context.AAAA, KeyOf(context.AAAA, "AAA:BEY_N"), "AAAA");
}

int32_t RIDelete_IOTA(DataContext& context) {
  return SimpleDelete(context.IOTA, KeyOf(context.IOTA, "IOT:BEYNAIM"), "iota");
}

int32_t RIDelete_RAJON(DataContext& context) {
  return SimpleDelete(context.RAJON, KeyOf(context.RAJON, "RAJ:BEY_POZ"), "rajon");
}

int32_t RIDelete_PREFRUS(DataContext& context) {
  return SimpleDelete(context.PREFRUS, KeyOf(context.PREFRUS, "PRE:BEY_PREFIS"), "prefrus");
}

int32_t RIDelete_DXCC(DataContext& context) {
  Table& dxcc = context.DXCC.file();
  const int key = KeyOf(context.DXCC, "DXC:BEY_S");
  const std::string CURRENT_POSITION = dxcc.Position(key);
  DependentFile log(context.AAAA);
  TransactionScope transaction;
  if (!transaction.Logout(kLogoutSeconds, {&dxcc, &context.AAAA.file()}).ok()) {
    RISaveError();
    StandardWarning(warning::kTransactionFramingError, "Delete", "DXCC");
    return 1;
  }
  if (!dxcc.Reget(key, CURRENT_POSITION).ok()) {
    RISaveError();
    StandardWarning(warning::kDeleteOperationError, "DXCC");
    return 1;
  }
  if (RIDelete_DXCC_AAAA(context) == 1) {
    transaction.Rollback();
    return 1;
  }
  Status st = dxcc.Delete();
  if (st.ok()) st = transaction.Commit();
  if (!st.ok()) {
    RISaveError();
    StandardWarning(warning::kDeleteOperationError, "DXCC");
    return 1;
  }
  return 0;
}

int32_t RIUpdate_AAAA(DataContext& context, uint8_t FromForm) {
  return SimpleUpdate(context, context.AAAA, KeyOf(context.AAAA, "AAA:BEY_N"), "AAAA", FromForm);
}

int32_t RIUpdate_IOTA(DataContext& context, uint8_t FromForm) {
  return SimpleUpdate(context, context.IOTA, kFilePosition, "iota", FromForm);
}

int32_t RIUpdate_RAJON(DataContext& context, uint8_t FromForm) {
  return SimpleUpdate(context, context.RAJON, KeyOf(context.RAJON, "RAJ:BEY_POZ"), "rajon",
                      FromForm);
}

int32_t RIUpdate_PREFRUS(DataContext& context, uint8_t FromForm) {
  return SimpleUpdate(context, context.PREFRUS, kFilePosition, "prefrus", FromForm);
}

int32_t RIUpdate_SETUP(DataContext& context, uint8_t FromForm) {
  return SimpleUpdate(context, context.SETUP, kFilePosition, "SETUP", FromForm);
}

int32_t RIUpdate_DXCC(DataContext& context, uint8_t FromForm) {
  DependentFile log(context.AAAA);
  DependentFile print(context.AAAAPRINT);
  Table& dxcc = context.DXCC.file();
  TransactionScope transaction;
  if (!transaction.Logout(kLogoutSeconds, {&dxcc, &context.AAAA.file(), &context.AAAAPRINT.file()})
           .ok()) {
    RISaveError();
    StandardWarning(warning::kTransactionFramingError, "Update", "DXCC");
    return 1;
  }
  context.CURRENT_POSITION = dxcc.Position();
  if (!dxcc.Put().ok()) return FailedUpdate(context, context.DXCC, kFilePosition, "DXCC", FromForm);
  if (!Same(context.SAV_DXC_STRANA, context.DXCC.rec().STRANA)) {
    if (RIUpdate_DXCC_AAAA(context) == 1 || RIUpdate_DXCC_AAAAPRINT(context) == 1) {
      transaction.Rollback();
      return 1;
    }
  }
  if (!transaction.Commit().ok()) {
    return FailedUpdate(context, context.DXCC, kFilePosition, "DXCC", FromForm);
  }
  return 0;
}

void RISnap_DXCC(DataContext& context) {
  std::memcpy(context.SAV_DXC_STRANA, context.DXCC.rec().STRANA, sizeof context.SAV_DXC_STRANA);
}

}  // namespace kavo
