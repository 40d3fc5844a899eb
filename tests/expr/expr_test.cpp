// Filter expressions: scopes, grammar, evaluation rules and built-ins.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "expr/expr.h"
#include "expr/expr_builtins.h"
#include "expr/expr_parser.h"
#include "runtime/chartab.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "runtime/picture.h"

namespace kavo::expr {
namespace {

class ExprTest : public ::testing::Test {
 protected:
  // The value of text as EVALUATE gives it; "error N" when it fails.
  std::string Eval(std::string_view text) {
    std::string result;
    Status s = Evaluate(text, &result, scopes_);
    if (!s.ok()) return "error " + std::to_string(s.code());
    return result;
  }
  bool Test(std::string_view text) {
    std::unique_ptr<Expression> e;
    Status s = Expression::Compile(text, &e, scopes_);
    EXPECT_TRUE(s.ok()) << text << ": " << s.detail();
    return e && e->Test();
  }

  BindScopes scopes_;
};

// ---- Scopes ----

class RecordingFatal : public FatalErrorService {
 public:
  void Halt(int code, std::string_view text) override {
    this->code = code;
    this->text = text;
  }
  int code = 0;
  std::string text;
};

TEST_F(ExprTest, NamesAreCutAndMatchedWithoutCase) {
  int32_t v = 7;
  ASSERT_TRUE(scopes_.Bind("AAA:pr extra", VarRef::Long(&v)));
  EXPECT_EQ(Eval("aaa:PR"), "7");
  EXPECT_EQ(Eval("AAA:PR + 1"), "8");
  EXPECT_EQ(NormalizeName("x$y"), "X$");
  EXPECT_EQ(NormalizeName("BRW1::Sort1:Reset:DXC:STRANA)"), "BRW1::SORT1:RESET:DXC:STRANA");
  EXPECT_EQ(NormalizeName("1abc"), "");
  EXPECT_FALSE(scopes_.Bind("1abc", VarRef::Long(&v)));
  // Only the first 100 characters count.
  std::string long_name(120, 'Q');
  ASSERT_TRUE(scopes_.Bind(long_name, VarRef::Long(&v)));
  EXPECT_EQ(Eval(std::string(100, 'q') + "ZZZ"), "7");
}

TEST_F(ExprTest, SecondBindingReplacesFirst) {
  int32_t a = 1, b = 2;
  scopes_.Bind("x", VarRef::Long(&a));
  scopes_.Bind("X", VarRef::Long(&b));
  EXPECT_EQ(Eval("x"), "2");
}

TEST_F(ExprTest, PushWithStopFlagHidesOuterNames) {
  int32_t outer = 1, inner = 2;
  scopes_.Bind("outer", VarRef::Long(&outer));
  scopes_.Push(0);
  scopes_.Bind("inner", VarRef::Long(&inner));
  EXPECT_EQ(Eval("outer"), "error 801");
  EXPECT_EQ(ERRORCODE(), err::kNoBind);
  EXPECT_EQ(Eval("inner + ABS(-1)"), "3");
  EXPECT_EQ(Eval("1 and not 0"), "1");  // keywords in every scope
  scopes_.Push(1);
  EXPECT_EQ(Eval("inner"), "2");
  EXPECT_EQ(Eval("outer"), "error 801");  // still behind the stop flag
  scopes_.Pop();
  scopes_.Pop();
  EXPECT_EQ(Eval("outer"), "1");
  EXPECT_EQ(Eval("inner"), "error 801");
  EXPECT_EQ(scopes_.depth(), 0u);
}

TEST_F(ExprTest, PushWithoutStopFlagShowsOuterNames) {
  int32_t outer = 1, shadow = 5;
  scopes_.Bind("outer", VarRef::Long(&outer));
  scopes_.Push(1);
  EXPECT_EQ(Eval("outer"), "1");
  scopes_.Bind("outer", VarRef::Long(&shadow));
  EXPECT_EQ(Eval("outer"), "5");
  scopes_.Pop();
  EXPECT_EQ(Eval("outer"), "1");
}

TEST_F(ExprTest, BuiltinsHideOuterVariablesOfTheSameName) {
  int32_t day = 99;
  scopes_.Bind("DAY", VarRef::Long(&day));
  EXPECT_EQ(Eval("DAY"), "99");
  scopes_.Push(1);
  EXPECT_EQ(Eval("DAY"), "error 800");  // the function, which needs parentheses
  EXPECT_EQ(Eval("DAY(4)"), "1");
  scopes_.Pop();
}

TEST_F(ExprTest, RuntimeFormsUseTheThreadsScopes) {
  int32_t v = 41;
  BindScopes& thread = BindScopes::ForThread();
  thread.Push(0);
  ASSERT_TRUE(BIND("v", VarRef::Long(&v)));
  EXPECT_EQ(EVALUATE("v + 1"), "42");
  EXPECT_EQ(ERRORCODE(), 0);
  EXPECT_EQ(EVALUATE("v +"), "");
  EXPECT_EQ(ERRORCODE(), err::kInvalidExpression);
  thread.Pop();
  EXPECT_EQ(EVALUATE("v"), "");
  EXPECT_EQ(ERRORCODE(), err::kNoBind);
}

TEST_F(ExprTest, PopWithoutPushIsFatal) {
  RecordingFatal fatal;
  SetFatalErrorService(&fatal);
  scopes_.Push(0);
  scopes_.Pop();
  EXPECT_EQ(fatal.code, 0);
  scopes_.Pop();
  SetFatalErrorService(nullptr);
  EXPECT_EQ(fatal.code, 802);
  EXPECT_EQ(fatal.text, "Mismatched POPSCOPE");
}

TEST_F(ExprTest, RecordFieldsBindUnderLabelAndPrefixedName) {
  char record[7] = {'C', 'W', ' ', ' ', ' ', 0, 0};
  char mode[5] = {'c', 'w', ' ', ' ', ' '};
  scopes_.Bind("MODE", VarRef::String(mode, 5));
  RecordField fields[] = {{"MODE", "AAA:MODE", VarRef::String(record, 5)},
                          {"", "AAA:X", VarRef::String(record + 5, 2)},
                          {"", "", VarRef::String(record, 1)}};
  scopes_.BindRecord(fields);
  // The procedure's own MODE keeps its meaning; the field is AAA:MODE.
  EXPECT_TRUE(Test("UPPER(AAA:MODE) = UPPER(MODE)"));
  EXPECT_FALSE(Test("AAA:MODE = MODE"));
  EXPECT_EQ(Eval("aaa:x"), std::string(2, '\0'));
  scopes_.Push(0);
  scopes_.BindRecord(fields);
  EXPECT_EQ(Eval("mode"), "CW   ");
  scopes_.Pop();
}

// ---- Grammar ----

TEST_F(ExprTest, PrecedenceAndAssociativity) {
  EXPECT_EQ(Eval("2 + 3 * 4 ^ 2"), "50");
  EXPECT_EQ(Eval("- - 5"), "5");
  EXPECT_EQ(Eval("-+-+5"), "5");
  EXPECT_EQ(Eval("10 - 4 - 3"), "3");
  EXPECT_EQ(Eval("100 / 10 / 5"), "2");
  EXPECT_EQ(Eval("2 ^ 3 ^ 2"), "64");
  EXPECT_EQ(Eval("17 % 5 * 2"), "4");
  EXPECT_EQ(Eval("-2 ^ 2"), "4");  // prefix signs bind tighter than ^
  EXPECT_EQ(Eval("(2 + 3) * 4"), "20");
  EXPECT_EQ(Eval("1 + 2 & 3 + 4"), "37");
  EXPECT_EQ(Eval("3 > 2 > 1"), "0");  // (3 > 2) > 1
  EXPECT_EQ(Eval("1 < 2 < 3"), "1");
  EXPECT_EQ(Eval("NOT 1 = 2"), "1");  // NOT (1 = 2)
  EXPECT_EQ(Eval("~ 0"), "1");
  EXPECT_EQ(Eval("NOT NOT 7"), "1");
  EXPECT_EQ(Eval("1 XOR 1 OR 1"), "1");  // (1 XOR 1) OR 1
  EXPECT_EQ(Eval("1 OR 1 XOR 1"), "0");  // (1 OR 1) XOR 1
  EXPECT_EQ(Eval("0 AND 0 OR 1"), "1");
}

TEST_F(ExprTest, OrBindsLooserThanAnd) {
  int32_t a = 1, b = 0, c = 0;
  scopes_.Bind("a", VarRef::Long(&a));
  scopes_.Bind("b", VarRef::Long(&b));
  scopes_.Bind("c", VarRef::Long(&c));
  // a = 1 OR (b = 2 AND c = 3): true; (a = 1 OR b = 2) AND c = 3 would be false.
  EXPECT_TRUE(Test("a = 1 OR b = 2 AND c = 3"));
  a = 0, b = 2, c = 3;
  EXPECT_TRUE(Test("a = 1 OR b = 2 AND c = 3"));
  c = 0;
  EXPECT_FALSE(Test("a = 1 OR b = 2 AND c = 3"));
}

TEST_F(ExprTest, TwoCharacterComparisons) {
  int32_t x = 5;
  scopes_.Bind("x", VarRef::Long(&x));
  for (int32_t v : {4, 5, 6}) {
    x = v;
    EXPECT_EQ(Test("x =< 5"), Test("x <= 5"));
    EXPECT_EQ(Test("x => 5"), Test("x >= 5"));
    EXPECT_EQ(Test("x ~= 5"), Test("x <> 5"));
    EXPECT_EQ(Test("x ~< 5"), Test("x >= 5"));
    EXPECT_EQ(Test("x ~> 5"), Test("x <= 5"));
    EXPECT_EQ(Test("x<>5"), v != 5);
  }
  // Two characters only make one operator when nothing stands between them.
  EXPECT_EQ(Eval("5 < = 5"), "error 800");
  EXPECT_EQ(Eval("5 ~ = 5"), "error 800");
  EXPECT_EQ(Eval("5 == 5"), "error 800");
  EXPECT_EQ(Eval("5 =-5"), "0");
}

TEST_F(ExprTest, FunctionsNeedTheirParentheses) {
  EXPECT_EQ(Eval("TODAY"), "error 800");
  EXPECT_EQ(ERRORCODE(), err::kInvalidExpression);
  EXPECT_EQ(ERROR(), "Invalid expression for EVALUATE");
  EXPECT_EQ(Eval("TODAY()"), std::to_string(Today()));
  EXPECT_EQ(Eval("today ( )"), std::to_string(Today()));
  EXPECT_EQ(ERRORCODE(), 0);
  EXPECT_EQ(Eval("ABS()"), "error 800");
  EXPECT_EQ(Eval("ABS(1, 2)"), "error 800");
  EXPECT_EQ(Eval("TODAY(1)"), "error 800");
}

TEST_F(ExprTest, SubscriptsAndSubstrings) {
  char s[6] = {'K', 'A', 'V', 'O', ' ', ' '};
  int32_t arr[2][3] = {{1, 2, 3}, {4, 5, 6}};
  VarRef a = VarRef::Long(&arr[0][0]);
  a.dim_count = 2;
  a.dims[0] = 2;
  a.dims[1] = 3;
  int32_t n = 1;
  scopes_.Bind("s", VarRef::String(s, 6));
  scopes_.Bind("arr", a);
  scopes_.Bind("n", VarRef::Long(&n));
  EXPECT_EQ(Eval("s[2]"), "A");
  EXPECT_EQ(Eval("s[2 : 3]"), "AV");
  EXPECT_EQ(Eval("s[n + 1 : 10]"), "AVO  ");
  EXPECT_EQ(Eval("s[4:2]"), "");
  EXPECT_EQ(Eval("s[0]"), "");
  EXPECT_EQ(Eval("arr[2, 3]"), "6");
  EXPECT_EQ(Eval("arr[n, 2.9]"), "2");  // truncated toward zero
  EXPECT_EQ(Eval("arr[3, 1]"), "0");    // out of range
  EXPECT_EQ(Eval("arr[1]"), "error 800");
  EXPECT_EQ(Eval("n[1]"), "error 800");
  EXPECT_EQ(Eval("s[1"), "error 800");
  // A name swallows a colon: a substring bound written with a name needs a blank.
  EXPECT_EQ(Eval("s[n:n]"), "error 801");
  EXPECT_EQ(Eval("s[n : n]"), "K");
}

TEST_F(ExprTest, ListsEndAtCommaOrColon) {
  int32_t d = 3;
  scopes_.Bind("AAA:DATA", VarRef::Long(&d));
  NodeList items;
  ASSERT_TRUE(ParseExpressionList("AAA:DATA, -AAA:DATA : 'x' & 1", scopes_, &items).ok());
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1]->Str(), "-3");
  EXPECT_EQ(items[2]->Str(), "x1");
  EXPECT_FALSE(ParseExpressionList("1,,2", scopes_, &items).ok());
}

// Malformed input: an error code, never a crash or a hang.
TEST_F(ExprTest, SanitizeBadInputGivesErrors) {
  for (const char* bad :
       {"",      "1 +", "(1",  "((1)",      "1)",        "[",       "'abc", "'it''s",
        "1 # 2", "$",   "1 2", "AND 1",     "1 AND",     "1 . 2",   ".",    "5.",
        "1 ,2",  "(",   ")",   "UPPER('a'", "UPPER 'a'", "1 = = 2", "\x01", "\xC0\xC1"}) {
    std::string r = Eval(bad);
    EXPECT_EQ(r, "error 800") << bad;
  }
  EXPECT_EQ(Eval("unbound + 1"), "error 801");
  EXPECT_EQ(Eval(std::string("1 +\0 1", 6)), "error 800");
}

TEST_F(ExprTest, SanitizeDeepAndLongTexts) {
  std::string deep(100000, '(');
  deep += "1";
  deep += std::string(100000, ')');
  EXPECT_EQ(Eval(deep), "error 800");
  std::string ok(kMaxNesting - 1, '(');
  ok += "1" + std::string(kMaxNesting - 1, ')');
  EXPECT_EQ(Eval(ok), "1");
  EXPECT_EQ(Eval(std::string(100000, '-') + "1"), "1");
  EXPECT_EQ(Eval(std::string(100001, '-') + "1"), "-1");
  EXPECT_EQ(Eval(std::string(100000, '~') + "1"), "1");
  std::string chain = "1";
  for (int i = 0; i < 100000; ++i) chain += "+1";
  EXPECT_EQ(Eval(chain), "error 800");
  std::string flat = "1";
  for (int i = 1; i < kMaxTreeDepth; ++i) flat += "+1";
  EXPECT_EQ(Eval(flat), std::to_string(kMaxTreeDepth));
  EXPECT_EQ(Eval("'" + std::string(1000000, 'x') + "' = ''"), "0");
  EXPECT_EQ(Eval("'" + std::string(1000000, 'x')), "error 800");
}

TEST_F(ExprTest, SanitizeHugeNumbersAndZeroDivisors) {
  EXPECT_EQ(Eval("99999999999999999999"), "1e+20");
  EXPECT_EQ(Eval("2147483647 + 1"), "2147483648");
  EXPECT_EQ(Eval("INT(1e300 * 1e300)"), "error 800");  // no exponent without a point
  EXPECT_EQ(Eval("INT(1.0e300 * 1.0e300)"), "2147483647");
  EXPECT_EQ(Eval("INT(-1.0e300 * 1.0e300)"), "-2147483648");
  EXPECT_EQ(Eval("1.0e999999999999999999"), "inf");
  EXPECT_EQ(Eval("1.0e-999999"), "0");
  EXPECT_EQ(Eval("1 / 0"), "0");
  EXPECT_EQ(Eval("5 % 0"), "0");
  EXPECT_EQ(Eval("7 % 3"), "1");
  EXPECT_EQ(Eval("-7 % 3"), "-1");
  EXPECT_EQ(Eval("SQRT(-1)"), "0");
  EXPECT_EQ(Eval("INT(SQRT(-1) / 0)"), "0");
  EXPECT_EQ(Eval("ALL('ab', 2000000000) = ''"), "0");
  EXPECT_EQ(Eval("LEN(ALL('ab', 2000000000))"), std::to_string(kMaxTextLength));
  EXPECT_EQ(Eval("BSHIFT(1, 40)"), "0");
  EXPECT_EQ(Eval("BSHIFT(1, -2147483647 - 1)"), "0");
}

// ---- Evaluation ----

TEST_F(ExprTest, TextComparisonIgnoresTrailingBlanksButNotCase) {
  EXPECT_EQ(Eval("'AB' = 'AB   '"), "1");
  EXPECT_EQ(Eval("'AB   ' = 'AB'"), "1");
  EXPECT_EQ(Eval("'ab' = 'AB'"), "0");
  EXPECT_EQ(Eval("UPPER('ab') = 'AB'"), "1");
  EXPECT_EQ(Eval("'   ' = ''"), "1");
  EXPECT_EQ(Eval("'A' < 'B'"), "1");
  EXPECT_EQ(Eval("'AB' < 'AB '"), "0");
  EXPECT_EQ(Eval("'AB' < 'ABC'"), "1");
  EXPECT_EQ(Eval("'Z' < 'a'"), "1");  // code page order by default
  // A byte below the blank sorts before the padding.
  EXPECT_EQ(Eval("'AB' & CHR(9) < 'AB'"), "1");
}

// UPPER and LOWER on either side of a comparison are folded on the fly; the
// result must be that of comparing the folded texts themselves (appending
// '' keeps the comparison from being folded on the fly).
TEST_F(ExprTest, FoldedComparisonsMatchComparingFoldedTexts) {
  const char* texts[] = {"'ab'",          "'AB'",       "'aB  '",     "'abc'", "''",  "'  '", "'a'",
                         "'AB' & CHR(9)", "'\xCF\xEE'", "'\xEF\xEE'", "'Z'",   "'z'", "'['"};
  const char* ops[] = {"=", "<>", "<", "<=", ">", ">="};
  for (const char* a : texts) {
    for (const char* b : texts) {
      for (const char* op : ops) {
        for (const char* fa : {"UPPER", "LOWER", ""}) {
          for (const char* fb : {"UPPER", "LOWER", ""}) {
            std::string l = std::string(fa) + "(" + a + ")";
            std::string r = std::string(fb) + "(" + b + ")";
            std::string folded = l + " " + op + " " + r;
            std::string plain = l + " & '' " + op + " " + r + " & ''";
            EXPECT_EQ(Eval(folded), Eval(plain)) << folded;
          }
        }
      }
    }
  }
  EXPECT_EQ(Eval("UPPER('x') = 1"), "0");  // a number on one side: compared as numbers
  EXPECT_EQ(Eval("UPPER(' 1') = 1"), "1");
}

TEST_F(ExprTest, TextComparisonFollowsTheCollationTable) {
  CharTables saved = ProcessCharTables();
  CharTables t = saved;
  EXPECT_EQ(Eval("'a' < 'B'"), "0");
  ASSERT_TRUE(t.SetCollationOrder("Aa"));
  SetProcessCharTables(t);
  EXPECT_EQ(Eval("'A' < 'a'"), "1");
  EXPECT_EQ(Eval("'a' < 'B'"), "1");
  EXPECT_EQ(Eval("LOWER('B') < UPPER('a')"), "0");
  EXPECT_EQ(Eval("UPPER('a') < LOWER('B')"), "1");
  EXPECT_EQ(Eval("'a ' = 'a'"), "1");
  SetProcessCharTables(saved);
  EXPECT_EQ(Eval("'a' < 'B'"), "0");
}

TEST_F(ExprTest, MixedComparisonsAreNumeric) {
  EXPECT_EQ(Eval("1.0 = 0.1 * 10"), "1");
  EXPECT_EQ(Eval("'10' = 10"), "1");
  EXPECT_EQ(Eval("'10' = 10.0"), "1");
  EXPECT_EQ(Eval("' 9' < 10"), "1");
  EXPECT_EQ(Eval("'abc' = 0"), "1");
  EXPECT_EQ(Eval("0.1 + 0.2 = 0.3"), "1");
  EXPECT_EQ(Eval("0.1 + 0.2 - 0.3 = 0"), "1");
  EXPECT_EQ(Eval("2 = 2.5"), "0");
  EXPECT_EQ(Eval("(1 = 1) = 1"), "1");
}

TEST_F(ExprTest, TolerantComparisonAtItsBoundary) {
  double a = 1.0, b = 0;
  scopes_.Bind("a", VarRef::Real(&a));
  scopes_.Bind("b", VarRef::Real(&b));
  b = 1.0 + std::ldexp(1.0, -51);  // difference 51 binary places below
  EXPECT_TRUE(Test("a = b"));
  EXPECT_FALSE(Test("a < b"));
  b = 1.0 + std::ldexp(1.0, -50);  // exactly 50 below: a real difference
  EXPECT_FALSE(Test("a = b"));
  EXPECT_TRUE(Test("a < b"));
  a = 0.0;  // zero counts with the exponent of 1.0
  b = std::ldexp(1.0, -51);
  EXPECT_TRUE(Test("a = b"));
  b = std::ldexp(1.0, -50);
  EXPECT_FALSE(Test("a = b"));
  a = std::ldexp(1.0, 60);
  b = a + std::ldexp(1.0, 9);
  EXPECT_TRUE(Test("a = b"));
  b = a + std::ldexp(1.0, 10);
  EXPECT_FALSE(Test("a = b"));
  EXPECT_TRUE(Test("a <> b"));
  EXPECT_EQ(CompareReals(NAN, 1.0), kUnordered);
  EXPECT_EQ(CompareReals(INFINITY, 1.0), 1);
  EXPECT_EQ(CompareReals(-INFINITY, -INFINITY), 0);
}

TEST_F(ExprTest, IntegerComparisonIsExact) {
  int32_t a = 2147483647, b = 2147483646;
  scopes_.Bind("a", VarRef::Long(&a));
  scopes_.Bind("b", VarRef::Long(&b));
  EXPECT_TRUE(Test("a > b"));
  EXPECT_FALSE(Test("a = b"));
}

TEST_F(ExprTest, TruthOfEachType) {
  char blank[3] = {' ', ' ', ' '};
  char text[3] = {' ', 'x', ' '};
  double zero = 0.0;
  scopes_.Bind("blank", VarRef::String(blank, 3));
  scopes_.Bind("text", VarRef::String(text, 3));
  scopes_.Bind("zero", VarRef::Real(&zero));
  EXPECT_FALSE(Test("blank"));
  EXPECT_TRUE(Test("text"));
  EXPECT_FALSE(Test("zero"));
  EXPECT_TRUE(Test("0.5"));
  EXPECT_FALSE(Test("''"));
  EXPECT_TRUE(Test("'0'"));  // a text is true when it holds anything but blanks
  EXPECT_FALSE(Test("NOT text"));
  EXPECT_TRUE(Test("blank = ''"));
}

TEST_F(ExprTest, ConversionsBetweenTypes) {
  EXPECT_EQ(Eval("'a' & 1"), "a1");
  EXPECT_EQ(Eval("1 & 2"), "12");
  EXPECT_EQ(Eval("1 / 4 & ''"), "0.25");
  EXPECT_EQ(Eval("1 / 3"), "0.333333333333333");
  EXPECT_EQ(Eval("'12abc' + 1"), "13");
  EXPECT_EQ(Eval("' -1.5e1x' * 2"), "-30");
  EXPECT_EQ(Eval("'' + 1"), "1");
  EXPECT_EQ(Eval("-0.0"), "0");
  EXPECT_EQ(Eval("'it''s'"), "it's");
  EXPECT_EQ(Eval(".5 + 1.25E1"), "13");
  EXPECT_EQ(Eval("@D6"), "@D6");
}

TEST_F(ExprTest, VariableTypesReadTheirBytes) {
  uint8_t byte = 200;
  int16_t shrt = -3;
  uint16_t ushrt = 65000;
  uint32_t ulong = 4000000000u;
  float sreal = 1.5f;
  uint8_t dec[4] = {0xF0, 0x01, 0x23, 0x45};  // -12345 with 2 places: -123.45
  uint8_t pdec[3] = {0x12, 0x34, 0x5D};       // -12345
  char cstr[6] = {'a', 'b', 0, 'z', 'z', 'z'};
  char pstr[6] = {3, 'x', 'y', 'z', 'q', 'q'};
  uint8_t bf4[4] = {0x00, 0x00, 0x40, 0x82};        // MBF 3.0
  uint8_t bf8[8] = {0, 0, 0, 0, 0, 0, 0x80, 0x81};  // MBF -1.0
  scopes_.Bind("byte", {&byte, FieldType::kByte, 1});
  scopes_.Bind("short", {&shrt, FieldType::kShort, 2});
  scopes_.Bind("ushort", {&ushrt, FieldType::kUShort, 2});
  scopes_.Bind("ulong", {&ulong, FieldType::kULong, 4});
  scopes_.Bind("sreal", {&sreal, FieldType::kSReal, 4});
  scopes_.Bind("dec", VarRef::Decimal(dec, 4, 2));
  scopes_.Bind("pdec", {pdec, FieldType::kPDecimal, 3});
  scopes_.Bind("cstr", {cstr, FieldType::kCString, 6});
  scopes_.Bind("pstr", {pstr, FieldType::kPString, 6});
  scopes_.Bind("bf4", {bf4, FieldType::kBFloat4, 4});
  scopes_.Bind("bf8", {bf8, FieldType::kBFloat8, 8});
  EXPECT_EQ(Eval("byte"), "200");
  EXPECT_EQ(Eval("short"), "-3");
  EXPECT_EQ(Eval("ushort"), "65000");
  EXPECT_EQ(Eval("ulong"), "4000000000");
  EXPECT_EQ(Eval("sreal"), "1.5");
  EXPECT_EQ(Eval("dec"), "-123.45");
  EXPECT_EQ(Eval("pdec"), "-12345");
  EXPECT_EQ(Eval("cstr & '|'"), "ab|");
  EXPECT_EQ(Eval("pstr & '|'"), "xyz|");
  EXPECT_EQ(Eval("bf4"), "3");
  EXPECT_EQ(Eval("bf8"), "-1");
  pstr[0] = 100;  // a length beyond the field is cut to it
  EXPECT_EQ(Eval("LEN(pstr)"), "5");
  EXPECT_FALSE(scopes_.Bind("bad", {&byte, FieldType::kLong, 1}));
  EXPECT_FALSE(scopes_.Bind("bad", {nullptr, FieldType::kLong, 4}));
  EXPECT_FALSE(scopes_.Bind("bad", {&byte, static_cast<FieldType>(12), 1}));
}

TEST_F(ExprTest, ShortCircuitStopsAtTheDecidingSide) {
  // The right side would fail on evaluation only through its side effect on
  // a buffer; observe it by an element read that counts.
  int32_t zero = 0, one = 1;
  scopes_.Bind("zero", VarRef::Long(&zero));
  scopes_.Bind("one", VarRef::Long(&one));
  std::unique_ptr<Expression> e;
  ASSERT_TRUE(Expression::Compile("zero AND RANDOM(1, 2) = 3", &e, scopes_).ok());
  EXPECT_FALSE(e->Test());
  ASSERT_TRUE(Expression::Compile("one OR 1 / zero", &e, scopes_).ok());
  EXPECT_TRUE(e->Test());
}

// ---- Built-in functions ----

TEST_F(ExprTest, TextFunctions) {
  EXPECT_EQ(Eval("UPPER('abcXYZ 1')"), "ABCXYZ 1");
  EXPECT_EQ(Eval("LOWER('abcXYZ 1')"), "abcxyz 1");
  EXPECT_EQ(Eval("UPPER('\xCF\xEE\xEB\xF3\xF7')"), "\xCF\xEE\xEB\xF3\xF7");  // Cyrillic unchanged
  EXPECT_EQ(Eval("LOWER('\xCF\xCE\xCB\xD3\xD7')"), "\xCF\xCE\xCB\xD3\xD7");
  EXPECT_EQ(Eval("CLIP('ab  ') & '|'"), "ab|");
  EXPECT_EQ(Eval("LEFT('  ab', 4) & '|'"), "ab  |");
  EXPECT_EQ(Eval("LEFT('  ab') & '|'"), "ab  |");
  EXPECT_EQ(Eval("RIGHT('ab  ', 4)"), "  ab");
  EXPECT_EQ(Eval("RIGHT('abcdef', 3)"), "def");
  EXPECT_EQ(Eval("CENTER('ab', 6) & '|'"), "  ab  |");
  EXPECT_EQ(Eval("CENTER(' abc ', 2)"), "ab");
  EXPECT_EQ(Eval("ALL('ab', 5)"), "ababa");
  EXPECT_EQ(Eval("LEN(ALL('-'))"), "255");
  EXPECT_EQ(Eval("ALL('', 5)"), "");
  EXPECT_EQ(Eval("CHR(65) & CHR(321)"), "AA");
  EXPECT_EQ(Eval("VAL('A')"), "65");
  EXPECT_EQ(Eval("VAL('')"), "0");
  EXPECT_EQ(Eval("LEN('abc  ')"), "5");
  EXPECT_EQ(Eval("SUB('ABCDE', 2, 3)"), "BCD");
  EXPECT_EQ(Eval("SUB('ABCDE', 2)"), "B");
  EXPECT_EQ(Eval("SUB('ABCDE', -2, 5)"), "DE");
  EXPECT_EQ(Eval("SUB('ABCDE', 4, 10)"), "DE");
  EXPECT_EQ(Eval("SUB('ABCDE', 0, 2)"), "");
  EXPECT_EQ(Eval("SUB('ABCDE', 6, 1)"), "");
  EXPECT_EQ(Eval("SUB('ABCDE', -6, 1)"), "");
  EXPECT_EQ(Eval("SUB('ABCDE', 1, -1)"), "");
  EXPECT_EQ(Eval("NUMERIC(' -1.5 ')"), "1");
  EXPECT_EQ(Eval("NUMERIC('1.5x')"), "0");
  EXPECT_EQ(Eval("NUMERIC('')"), "0");
}

TEST_F(ExprTest, SearchAndChoiceFunctions) {
  EXPECT_EQ(Eval("INSTRING('DEF', 'ABCDEFGHI', 1)"), "4");
  EXPECT_EQ(Eval("INSTRING('DEF', 'ABCDEFGHI', 3)"), "2");
  EXPECT_EQ(Eval("INSTRING('DEF', 'ABCDEFGHI')"), "2");  // step = LEN(sub)
  EXPECT_EQ(Eval("INSTRING('DEF', 'ABCDEFGHI', 2)"), "0");
  EXPECT_EQ(Eval("INSTRING('A', 'ABAB', 1, 2)"), "3");
  EXPECT_EQ(Eval("INSTRING('A', 'ABAB', -1, 4)"), "3");
  EXPECT_EQ(Eval("INSTRING('A', 'ABAB', 0, 2)"), "3");
  EXPECT_EQ(Eval("INSTRING('A', 'ABAB', 1, 5)"), "0");
  EXPECT_EQ(Eval("INSTRING('', 'ABAB', 1)"), "0");
  EXPECT_EQ(Eval("INSTRING('ABC', 'AB', 1)"), "0");
  EXPECT_EQ(Eval("CHOOSE(2, 'a', 'b', 'c')"), "b");
  EXPECT_EQ(Eval("CHOOSE(9, 'a', 'b', 'c')"), "c");
  EXPECT_EQ(Eval("CHOOSE(0, 'a', 'b')"), "b");
  EXPECT_EQ(Eval("CHOOSE(1 = 1, 'yes', 'no')"), "yes");
  EXPECT_EQ(Eval("CHOOSE(1 = 2, 'yes', 'no')"), "no");
  EXPECT_EQ(Eval("CHOOSE(1 = 2, 'yes')"), "yes");
  EXPECT_EQ(Eval("INLIST('CW', 'SSB', 'CW  ', 'FM')"), "2");
  EXPECT_EQ(Eval("INLIST('cw', 'SSB', 'CW')"), "0");
  EXPECT_EQ(Eval("INRANGE(5, 1, 10)"), "1");
  EXPECT_EQ(Eval("INRANGE(10.5, 1, 10)"), "0");
  EXPECT_EQ(Eval("INRANGE(1.0, 0.1 * 10, 2)"), "1");
  EXPECT_EQ(Eval("INRANGE('b', 'a', 'c')"), "1");
  std::string args = "INLIST('z'";
  for (int i = 0; i < 24; ++i) args += ",'z'";
  EXPECT_EQ(Eval(args + ")"), "1");
  EXPECT_EQ(Eval(args + ",'z')"), "error 800");  // 26 arguments
}

TEST_F(ExprTest, NumberFunctions) {
  EXPECT_EQ(Eval("ABS(-2.5)"), "2.5");
  EXPECT_EQ(Eval("INT(-2.7)"), "-2");
  EXPECT_EQ(Eval("ROUND(2.5)"), "3");
  EXPECT_EQ(Eval("ROUND(-2.5)"), "-3");
  EXPECT_EQ(Eval("ROUND(5.678, .01)"), "5.68");
  EXPECT_EQ(Eval("ROUND(2.675, .01)"), "2.68");
  EXPECT_EQ(Eval("ROUND(1234, 100)"), "1200");
  EXPECT_EQ(Eval("ROUND(1.5, 0)"), "1.5");
  EXPECT_EQ(Eval("SQRT(16)"), "4");
  EXPECT_EQ(Eval("LOG10(1000)"), "3");
  EXPECT_EQ(Eval("LOGE(0)"), "0");
  EXPECT_EQ(Eval("ROUND(SIN(0) + COS(0) + TAN(0) + ATAN(0), .001)"), "1");
  EXPECT_EQ(Eval("ROUND(ACOS(-1), .0001)"), "3.1416");
  EXPECT_EQ(Eval("ASIN(2)"), "0");
  EXPECT_EQ(Eval("BAND(12, 10) & BOR(12, 10) & BXOR(12, 10)"), "8146");
  EXPECT_EQ(Eval("BSHIFT(1, 4) & ',' & BSHIFT(16, -4) & ',' & BSHIFT(-1, -28)"), "16,1,15");
  for (int i = 0; i < 50; ++i) {
    int r = std::stoi(Eval("RANDOM(5, 3)"));
    EXPECT_TRUE(r >= 3 && r <= 5) << r;
  }
  EXPECT_EQ(Eval("RANDOM(7, 7)"), "7");
  EXPECT_GT(std::stod(Eval("MEMORY()")), 0);
  EXPECT_GE(std::stod(Eval("MEMORY(1)")), std::stod(Eval("MEMORY(0)")));
}

TEST_F(ExprTest, CalendarFunctions) {
  EXPECT_EQ(Eval("DATE(1, 1, 1801)"), "4");
  EXPECT_EQ(Eval("DATE(12, 31, 9999)"), "2994626");
  EXPECT_EQ(Eval("DATE(13, 1, 2000) = DATE(1, 1, 2001)"), "1");
  EXPECT_EQ(Eval("DATE(2, 30, 2000) = DATE(3, 1, 2000)"), "1");
  EXPECT_EQ(Eval("DATE(3, 0, 2000) = DATE(2, 29, 2000)"), "1");
  EXPECT_EQ(Eval("DATE(0, 1, 2000) = DATE(12, 1, 1999)"), "1");
  EXPECT_EQ(Eval("DATE(1, 1, 1800)"), "0");
  EXPECT_EQ(Eval("DATE(12, 32, 9999)"), "0");
  EXPECT_EQ(Eval("DATE(1, 1, 10000)"), "0");
  EXPECT_EQ(Eval("DATE(-2147483647, -2147483647, -2147483647)"), "0");
  EXPECT_EQ(Eval("DATE(7, 4, 1)"), std::to_string(DateFromParts(ExpandYear(1), 7, 4)));
  EXPECT_EQ(Eval("DAY(4) & MONTH(4) & YEAR(4)"), "111801");
  EXPECT_EQ(Eval("DAY(3) & MONTH(0) & YEAR(2994627)"), "000");
  EXPECT_EQ(Eval("YEAR(DATE(2, 29, 2000))"), "2000");
  EXPECT_EQ(Eval("AGE(DATE(1, 1, 2000), DATE(1, 31, 2000))"), "30 DAYS");
  EXPECT_EQ(Eval("AGE(DATE(1, 1, 2000), DATE(3, 1, 2000))"), "60 DAYS");
  EXPECT_EQ(Eval("AGE(DATE(1, 15, 2000), DATE(6, 14, 2000))"), "4 MOS");
  EXPECT_EQ(Eval("AGE(DATE(1, 15, 2000), DATE(1, 14, 2002))"), "23 MOS");
  EXPECT_EQ(Eval("AGE(DATE(1, 15, 2000), DATE(1, 15, 2002))"), "2 YRS");
  EXPECT_EQ(Eval("AGE(DATE(1, 15, 2000), DATE(1, 14, 2000))"), "");
  EXPECT_EQ(Eval("AGE(0, 5)"), "");
  int32_t now = Clock();
  int32_t clock = std::stoi(Eval("CLOCK()"));
  EXPECT_TRUE(clock >= kFirstTime && clock <= kLastTime);
  EXPECT_LE(std::abs(clock - now), 200);
}

TEST_F(ExprTest, PictureFunctions) {
  EXPECT_EQ(Eval("FORMAT(4, @D6)"), " 1/01/1801");
  EXPECT_EQ(Eval("FORMAT(4, '@D6')"), " 1/01/1801");
  EXPECT_EQ(Eval("FORMAT(54301, @T1)"), " 0:09");
  EXPECT_EQ(Eval("FORMAT(3.14159, @n5.1)"), "  3.1");
  EXPECT_EQ(Eval("FORMAT('abc', @s5) & '|'"), "abc  |");
  EXPECT_EQ(Eval("FORMAT(1234567, @n10)"), " 1,234,567");
  EXPECT_EQ(Eval("FORMAT(1, @Q9)"), "");
  EXPECT_EQ(Eval("FORMAT(1, @N(10.2))"), kavo::FormatNumber("@N(10.2)", 1));
  EXPECT_EQ(Eval("DEFORMAT(' 1/01/1801', @D6)"), "4");
  EXPECT_EQ(Eval("DEFORMAT('1,234.5', @n10.1)"), "1234.5");
  EXPECT_EQ(Eval("DEFORMAT('31/02/2000', @D6)"), "");
  EXPECT_EQ(Eval("DEFORMAT('$-1,234.50')"), "-1234.50");
  EXPECT_EQ(Eval("DEFORMAT('abc')"), "");
}

TEST_F(ExprTest, GetIniReadsSettingsFiles) {
  std::string path = ::testing::TempDir() + "expr_getini.ini";
  {
    std::ofstream f(path);
    f << "[Main]\r\nX = 10 \r\n[BrowseAAAA]\nXPos=25\n  ypos = 7\nbroken line\n[Other]\nXPos=99\n";
  }
  std::string file = "'" + path + "'";
  EXPECT_EQ(Eval("GETINI('browseaaaa', 'XPOS', '', " + file + ")"), "25");
  EXPECT_EQ(Eval("GETINI('BrowseAAAA', 'YPos', '', " + file + ") + 1"), "8");
  EXPECT_EQ(Eval("GETINI('Main', 'X', '', " + file + ")"), "10");
  EXPECT_EQ(Eval("GETINI('Main', 'Y', 'none', " + file + ")"), "none");
  EXPECT_EQ(Eval("GETINI('Nope', 'X', 'd', " + file + ")"), "d");
  EXPECT_EQ(Eval("GETINI('Main', 'X', 'd', '/nonexistent/kavo.INI')"), "d");
  EXPECT_EQ(Eval("GETINI('Main', 'X', 'd', '/dev/zero')"), "d");  // not a regular file
  EXPECT_EQ(Eval("GETINI('Main', 'X', 'd', '/tmp')"), "d");
  EXPECT_EQ(Eval("GETINI('Main', 'X')"), ReadIniEntry("kavo.INI", "Main", "X", ""));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kavo::expr
