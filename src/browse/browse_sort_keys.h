// The field numbers of one sort order's key components, resolved once when
// the engine is prepared: the key, the ranged components, the locator's
// field, the components a locate clears and the thumb's free component.
// Private to the engine's source files.
#pragma once

#include <vector>

#include "browse/browse_engine.h"

namespace kavo {

struct BrowseEngine::SortKeys {
  int key = -1;
  std::vector<int> range_fields;
  int locator_field = -1;
  std::vector<int> clears;
  int thumb_field = -1;
};

}  // namespace kavo
