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

// XML 1.0 has no place, not even as a character reference, for the control
// characters below 0x20 other than tab, line feed and carriage return. The
// .adx writer writes each of them as its Unicode control picture (U+2400 plus
// the code: U+2401 for 0x01) and the reader turns exactly those pictures
// back. Text from the log never holds a picture (code page 1251 has none),
// so a round trip gives the text back unchanged.
bool IsXmlForbidden(char c);
void AppendControlPicture(std::string* out, char c);
void ControlsFromPictures(std::string* utf8);

}  // namespace kavo::adif
