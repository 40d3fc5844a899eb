// Damaged page image files: truncation at every length, flipped bytes, huge
// counts and lengths, unknown kinds and trailing bytes. Each must decode to
// error 36 or to a page that passes the checks, never crash or over-read.
// Runs under AddressSanitizer and UBSan.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "page_image_sample.h"
#include "reports/page_image.h"

namespace kavo::reports {
namespace {

::testing::AssertionResult RejectedUnchanged(std::string_view bytes) {
  PageImage out;
  out.width_mm = 1;
  Status st = DecodePageImage(bytes, &out);
  if (st.ok()) return ::testing::AssertionFailure() << "decoded";
  if (st.code() != err::kInvalidDataFile)
    return ::testing::AssertionFailure() << "code " << st.code();
  if (out.width_mm != 1 || !out.items.empty())
    return ::testing::AssertionFailure() << "output changed";
  return ::testing::AssertionSuccess();
}

TEST(PageImageCorrupt, EveryTruncationIsRejected) {
  const std::string good = EncodePageImage(testing::SamplePage());
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_TRUE(RejectedUnchanged(std::string_view(good).substr(0, n))) << "length " << n;
  }
}

TEST(PageImageCorrupt, TrailingBytesAndWrongHeadersAreRejected) {
  const std::string good = EncodePageImage(testing::SamplePage());
  EXPECT_TRUE(RejectedUnchanged(good + '\0'));
  std::string magic = good;
  magic[0] = 'X';
  EXPECT_TRUE(RejectedUnchanged(magic));
  std::string version = good;
  version[4] = 2;
  EXPECT_TRUE(RejectedUnchanged(version));
  std::string reserved = good;
  reserved[6] = 1;
  EXPECT_TRUE(RejectedUnchanged(reserved));
}

TEST(PageImageCorrupt, HugeCountsAndLengthsAreRejectedWithoutAllocating) {
  const std::string good = EncodePageImage(testing::SamplePage());
  // The item count sits after the magic, version, reserved and two doubles.
  constexpr size_t kCountAt = 4 + 2 + 2 + 8 + 8;
  std::string count = good;
  std::memset(&count[kCountAt], 0xFF, 4);
  EXPECT_TRUE(RejectedUnchanged(count));
  // The first item is a text: kind, four doubles, size, align, style, then
  // the face length.
  constexpr size_t kFaceLenAt = kCountAt + 4 + 1 + 5 * 8 + 2;
  std::string face = good;
  std::memset(&face[kFaceLenAt], 0xFF, 2);
  EXPECT_TRUE(RejectedUnchanged(face));
  std::string kind = good;
  kind[kCountAt + 4] = 9;
  EXPECT_TRUE(RejectedUnchanged(kind));
  std::string align = good;
  align[kCountAt + 4 + 1 + 5 * 8] = 3;
  EXPECT_TRUE(RejectedUnchanged(align));
}

TEST(PageImageCorrupt, RandomByteFlipsNeverCrash) {
  const std::string good = EncodePageImage(testing::SamplePage());
  std::mt19937 rng(15);
  std::uniform_int_distribution<size_t> at(0, good.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  int decoded = 0;
  for (int round = 0; round < 5000; ++round) {
    std::string bad = good;
    for (int k = 0; k < 1 + round % 4; ++k) bad[at(rng)] = static_cast<char>(byte(rng));
    PageImage out;
    Status st = DecodePageImage(bad, &out);
    if (st.ok()) {
      ++decoded;
      EXPECT_TRUE(CheckPageImage(out).ok());
    } else {
      EXPECT_EQ(st.code(), err::kInvalidDataFile);
    }
  }
  // Flips inside texts and coordinates still decode; the rest is caught.
  EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace kavo::reports
