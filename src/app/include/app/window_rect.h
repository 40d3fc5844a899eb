// Position and size of a window or of a control, in the window layer's units.
#pragma once

#include <cstdint>

namespace kavo {

struct WindowRect {
  int32_t XPos = 0;
  int32_t YPos = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

}  // namespace kavo
