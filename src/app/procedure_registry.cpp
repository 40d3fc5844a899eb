#include "app/procedure_registry.h"

#include <utility>

namespace kavo {

void ProcedureRegistry::Register(std::string name, ProcedureStarter starter) {
  starters_[std::move(name)] = std::move(starter);
}

const ProcedureStarter* ProcedureRegistry::Find(std::string_view name) const {
  auto it = starters_.find(name);
  return it == starters_.end() ? nullptr : &it->second;
}

}  // namespace kavo
