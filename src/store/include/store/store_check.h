// Check numbers of the store file's consistency failures (error 90), which
// the page tree, placement, the commit and the cipher report as the error's
// detail.
#pragma once

namespace kavo {

namespace store_check {
inline constexpr int kRecordTooLong = 301;
inline constexpr int kNoPageRegion = 302;
inline constexpr int kShortRead = 303;
inline constexpr int kLevel = 304;
inline constexpr int kNumbersExhausted = 305;
inline constexpr int kTreeShape = 306;
inline constexpr int kSplitSingle = 307;
inline constexpr int kMissingPage = 308;
inline constexpr int kParentNotFound = 309;
inline constexpr int kPageClass = 311;
inline constexpr int kUnlock = 312;
inline constexpr int kIoSize = 313;
inline constexpr int kOrder = 314;
}  // namespace store_check

}  // namespace kavo
