#include "adif/adif_record.h"

namespace kavo::adif {

const std::string* AdifRecord::Find(std::string_view name) const {
  for (const AdifField& field : fields) {
    if (field.name == name) return &field.value;
  }
  return nullptr;
}

}  // namespace kavo::adif
