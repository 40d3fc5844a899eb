// The widest display of a picture: what a window needs to size an edit so
// that every value the picture can show fits in it.
//
// Which text is widest depends on the font, so the runtime does not choose:
// it gives a few texts, one for each way the shown characters can differ
// beyond their digits (a month or weekday name, the morning or afternoon
// marker, a sign), each with every digit position shown as the digit the
// caller names (the widest digit of its font). The widest of them in the
// caller's font is the widest value of the picture. Text pictures give one
// text of their length in the letter the caller names.
//
// Texts are code page 1251; the function is pure and may run on any thread.
#pragma once

#include <string>
#include <vector>

#include "runtime/picture.h"

namespace kavo {

// Empty for a picture that was not compiled.
std::vector<std::string> WidestTexts(const Picture& picture, char digit, char letter);

}  // namespace kavo
