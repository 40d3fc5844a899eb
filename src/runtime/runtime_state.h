// The process-wide regional settings and character tables, loaded together
// from the environment file on first use (internal to kavo_runtime).
//
// Loading happens exactly once, under std::call_once, so the first users on
// several threads all see the loaded values. Replacing the values is meant
// for start-up and tests only and is not synchronised with readers.
#pragma once

#include "runtime/chartab.h"
#include "runtime/regional.h"

namespace kavo::runtime_state {

const RegionalSettings& Regional();
const CharTables& Tables();
void SetRegional(const RegionalSettings& settings);
void SetTables(const CharTables& tables);

}  // namespace kavo::runtime_state
