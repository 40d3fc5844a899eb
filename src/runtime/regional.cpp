#include "runtime/regional.h"

#include "runtime_state.h"

namespace kavo {

const RegionalSettings& Regional() {
  return runtime_state::Regional();
}

void SetRegional(const RegionalSettings& settings) {
  runtime_state::SetRegional(settings);
}

}  // namespace kavo
