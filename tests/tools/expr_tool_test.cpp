// kavo-tool eval and the row filter of dump --filter, driven in process with
// standard output and error captured.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "tools/eval_command.h"

namespace kavo::tool {
namespace {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

std::string Slurp(std::FILE* f) {
  std::string s;
  std::rewind(f);
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

// Runs `kavo-tool eval ARGS...` with stdout and stderr sent to files.
Outcome Eval(std::vector<std::string> args) {
  args.insert(args.begin(), "eval");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::fflush(stdout);
  std::fflush(stderr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int saved_out = dup(1), saved_err = dup(2);
  dup2(fileno(out), 1);
  dup2(fileno(err), 2);
  int code = RunEvalCommand(static_cast<int>(argv.size()), argv.data());
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(saved_out, 1);
  dup2(saved_err, 2);
  close(saved_out);
  close(saved_err);
  Outcome r{code, Slurp(out), Slurp(err)};
  std::fclose(out);
  std::fclose(err);
  return r;
}

TEST(ExprToolTest, PrintsTheValueOfTheEdgeCases) {
  EXPECT_EQ(Eval({"2 + 3 * 4 ^ 2"}).out, "50\n");
  EXPECT_EQ(Eval({"- - 5"}).out, "5\n");
  EXPECT_EQ(Eval({"'AB' = 'AB   '"}).out, "1\n");
  EXPECT_EQ(Eval({"'ab' = 'AB'"}).out, "0\n");
  EXPECT_EQ(Eval({"UPPER('ab') = 'AB'"}).out, "1\n");
  EXPECT_EQ(Eval({"1.0 = 0.1 * 10"}).out, "1\n");
  EXPECT_EQ(Eval({"'10' = 10"}).out, "1\n");
  EXPECT_EQ(Eval({"x =< 5", "--bind", "x=5"}).out, "1\n");
  EXPECT_EQ(Eval({"x ~= 5", "--bind", "x=5.0"}).out, "0\n");
  EXPECT_EQ(
      Eval({"a = 1 OR b = 2 AND c = 3", "--bind", "a=1", "--bind", "b=0", "--bind", "c=0"}).out,
      "1\n");
  EXPECT_EQ(
      Eval({"UPPER(AAA:pr) = UPPER(po) AND (aaa:pr<>'')", "--bind", "AAA:pr=''", "--bind", "po=''"})
          .out,
      "0\n");
}

TEST(ExprToolTest, BoundValuesTakeTheirTypeFromTheirForm) {
  EXPECT_EQ(Eval({"s & '|' & LEN(s)", "--bind", "s='it''s '"}).out, "it's |5\n");
  EXPECT_EQ(Eval({"LEN(s)", "--bind", "s=''"}).out, "0\n");
  EXPECT_EQ(Eval({"n / 2", "--bind", "n=7"}).out, "3.5\n");
  EXPECT_EQ(Eval({"r", "--bind", "r=-2.50"}).out, "-2.5\n");
  EXPECT_EQ(Eval({"UPPER(s) & LOWER('ПОЛУЧ')", "--bind", "s='ua3abc'"}).out, "UA3ABCПОЛУЧ\n");
  EXPECT_EQ(Eval({"x", "--bind", "x=abc"}).code, 2);
  EXPECT_EQ(Eval({"x", "--bind", "x=99999999999"}).code, 2);
  EXPECT_EQ(Eval({"x", "--bind", "x='open"}).code, 2);
  EXPECT_EQ(Eval({"x", "--bind", "=1"}).code, 2);
  EXPECT_EQ(Eval({"x", "--bind"}).code, 2);
  EXPECT_EQ(Eval({}).code, 2);
  EXPECT_EQ(Eval({"1", "2"}).code, 2);
}

TEST(ExprToolTest, FailuresPrintCodeAndMessage) {
  Outcome r = Eval({"TODAY"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("error 800: Invalid expression for EVALUATE", 0), 0u) << r.err;
  r = Eval({"d1 > 0"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("error 801: No BIND on variable (d1", 0), 0u) << r.err;
  EXPECT_EQ(Eval({"TODAY()"}).code, 0);
}

TEST(ExprToolTest, RowFilterReadsTheRecordBuffer) {
  dict::AAAARecord aaa;
  aaa.Clear();
  std::string error;
  auto filter = CompileRowFilter(dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa),
                                 "UPPER(AAA:QSL) = 'ПОЛУЧ' AND AAA:DIAPAZ >= 14", &error);
  ASSERT_NE(filter, nullptr) << error;
  dict::SetText(aaa.QSL, "\xCF\xCE\xCB\xD3\xD7");
  aaa.DIAPAZ = 14.0;
  EXPECT_TRUE(filter->Matches());
  aaa.DIAPAZ = 7.0;
  EXPECT_FALSE(filter->Matches());
  EXPECT_EQ(
      CompileRowFilter(dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa), "AAA:NOPE = 1", &error),
      nullptr);
  EXPECT_EQ(error, "error 801: No BIND on variable (AAA:NOPE at position 1)");
}

}  // namespace
}  // namespace kavo::tool
