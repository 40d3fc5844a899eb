#include "data/dict_records.h"

namespace kavo::dict {

void ClearRecord(const TableDef& table, void* row) {
  auto* bytes = static_cast<std::uint8_t*>(row);
  std::memset(bytes, 0, table.record_length);
  for (const FieldDef& f : table.fields) {
    if (f.type == FieldType::kString) std::memset(bytes + f.offset, ' ', f.size);
  }
}

}  // namespace kavo::dict
