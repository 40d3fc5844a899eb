#include "runtime/utf8_check.h"

#include <gtest/gtest.h>

#include <string>

namespace kavo {
namespace {

TEST(Utf8Check, WellFormedAndMalformed) {
  EXPECT_TRUE(IsValidUtf8("plain ASCII"));
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("\xD0\x9F\xD1\x80\xD0\xB8"));  // "При"
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x93\xBB"));
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));   // U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xCF\xF0\xE8"));      // "При" in code page 1251
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xE0\x9F\xBF"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("ok \xD0"));           // cut short
  EXPECT_FALSE(IsValidUtf8("\x80"));              // stray continuation
}

TEST(Utf8Check, SequencesSpanPieces) {
  const std::string text = "\xD0\x9C\xD0\xB8\xD1\x80 \xF0\x9F\x93\xBB";
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    Utf8Validator validator;
    EXPECT_TRUE(validator.Feed(text.substr(0, cut)));
    EXPECT_TRUE(validator.Feed(text.substr(cut)));
    EXPECT_TRUE(validator.Finish()) << "cut at " << cut;
  }
  Utf8Validator open;
  EXPECT_TRUE(open.Feed("\xF0\x9F"));
  EXPECT_FALSE(open.Finish());
}

}  // namespace
}  // namespace kavo
