#include "store/regional.h"

#include "store/runtime_state.h"

namespace kavo {

const RegionalSettings& Regional() {
  return runtime_state::Regional();
}

void SetRegional(const RegionalSettings& settings) {
  runtime_state::SetRegional(settings);
}

}  // namespace kavo
