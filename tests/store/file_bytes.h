// Little-endian words in a file image held in a string, for the tests that
// build or damage store and journal files byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/format.h"

namespace kavo::testing {

inline void Put32(std::string* s, std::size_t at, std::uint32_t v) {
  fmt::Put32(reinterpret_cast<std::uint8_t*>(s->data() + at), v);
}

inline std::uint32_t Get32(const std::string& s, std::size_t at) {
  return fmt::Get32(reinterpret_cast<const std::uint8_t*>(s.data() + at));
}

}  // namespace kavo::testing
