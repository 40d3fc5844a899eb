#include "log/qso_number.h"

#include "data/dict_records.h"
#include "runtime/errors.h"

namespace kavo::log {

Status NextQsoNumber(Table& AAAA, std::int64_t* number) {
  static const int kByNumber = dict::AAAA().FindKey("AAA:BEY_N");
  KAVO_RETURN_IF_ERROR(AAAA.SetKey(kByNumber));
  Status st = AAAA.Previous();
  if (st.code() == err::kRecordNotAvailable) {
    *number = 1;
    return Status::OK();
  }
  KAVO_RETURN_IF_ERROR(st);
  *number = reinterpret_cast<const dict::AAAARecord*>(AAAA.record())->N_QSO.get() + 1;
  return Status::OK();
}

}  // namespace kavo::log
