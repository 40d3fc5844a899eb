// Thumb stops: 100 key values spread evenly over the key range of a sort
// order, from its first to its last value. A browse places its list's
// vertical thumb by finding the first stop not below the selected record's
// key, and maps a dragged thumb back to a key value by taking stop p.
//
// Numeric stops run linearly from the low to the high limit, both included.
// String stops keep the common prefix of the two limits and spread the next
// four characters as four-digit numbers in base N + 1, N being the size of
// the sort character set chosen by the kind flags.
//
// The helpers keep their working state in module variables (CR:: for
// numbers, CS:: for strings), so one set of stops is computed at a time:
// call the setup, then fetch the 100 stops in order before anything else
// uses the module. The state is per thread, so procedures running on threads
// of their own do not disturb each other.
//
// Letters and their case follow the process's character tables (chartab.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kavo {

// Kind flags (ListType) of the string stops.
inline constexpr int32_t kStopLetters = 1;      // upper-case letters (lower too with 8)
inline constexpr int32_t kStopPunctuation = 2;  // the CS::OverrideCharacters set
inline constexpr int32_t kStopDigits = 4;
inline constexpr int32_t kStopLowerCase = 8;

inline constexpr int kThumbStops = 100;

namespace CR {
extern thread_local double StepValue;
extern thread_local int32_t CurrentStep;
extern thread_local double LowLimit;
extern thread_local double HighLimit;
}  // namespace CR

namespace CS {
// The punctuation set, in this order.
inline constexpr std::string_view OverrideCharacters =
    "\x60\x21\x22\xA3\x24\x25\x5E\x26\x2A\x28\x29\x27\x2D\x3D\x5F\x2B\x5D\x5B\x23\x3B\x7E\x40\x3A"
    "\x2F\x2E\x2C\x3F\x5C\x7C\x20";
inline constexpr std::string_view NumericCharacters = "0123456789";
extern thread_local std::string SortCharacters;
extern thread_local int32_t SortCharacterCount;
extern thread_local std::string StringRoot;
extern thread_local int32_t StringRootLen;
// Four base-(N + 1) digits need up to 32 bits unsigned when the set holds
// most of the code page, so the numbers are kept in 64 bits.
extern thread_local int64_t StepValue;
extern thread_local int32_t CurrentStep;
extern thread_local int64_t LowValue;
extern thread_local int64_t HighValue;
extern thread_local std::string LowString;
extern thread_local std::string HighString;
}  // namespace CS

void SetupRealStops(double InputLowLimit, double InputHighLimit);
double NextRealStop();

// ProcessLowLimit and ProcessHighLimit are the first and last key values
// (code page 1251, trailing blanks are not significant); InputStringSize is
// the size of the key component.
void SetupStringStops(std::string_view ProcessLowLimit, std::string_view ProcessHighLimit,
                      int32_t InputStringSize, int32_t ListType = kStopLetters);
// The common prefix followed by four characters (stops 1 and 100: the
// limits' own characters after the prefix, which may be fewer).
std::string NextStringStop();

}  // namespace kavo
