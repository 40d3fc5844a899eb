// The text checks of the ADIF readers and of the field mapping: UTF-8
// character counts (runtime/utf8_check.h checks validity) and the strict
// conversion to code page 1251 that says which character the code page
// cannot hold instead of replacing it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavo::adif {

bool IsAscii(std::string_view text);

// ASCII letters in upper case, every other byte as it is (ADIF names and
// enumerations; UTF-8 text passes unchanged).
std::string AsciiUpper(std::string_view text);

// Bytes taken by the first `characters` code points of text when they are
// all well-formed; npos otherwise (text too short or malformed).
std::size_t Utf8PrefixBytes(std::string_view text, std::size_t characters);

// Code page 1251 for UTF-8 text. A character the code page lacks makes the
// result false, with *bad its description ("U+2603 '☃'"), unless replace is
// set: then it becomes '?'.
bool ToCp1251(std::string_view utf8, bool replace, std::string* out, std::string* bad);

}  // namespace kavo::adif
