// Conversion between code page 1251 (the program's text encoding: record
// fields, warning texts, every string below the windows) and UTF-8 (source
// literals, the window layer).
//
// Every one of the 256 bytes maps to one code point, so Cp1251 -> UTF-8 ->
// Cp1251 gives back the same bytes. Code points without a place in the code
// page become '?'.
#pragma once

#include <string>
#include <string_view>

namespace kavo {

std::string Cp1251FromUtf8(std::string_view utf8);
std::string Utf8FromCp1251(std::string_view cp1251);

}  // namespace kavo
