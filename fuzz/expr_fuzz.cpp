// Parse-and-evaluate of arbitrary expression text against variables of every
// kind: any input must end in a value or an error code, never a crash, a hang
// or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "expr/expr.h"
#include "expr/expr_parser.h"

namespace {

using namespace kavo::expr;

struct Variables {
  int32_t n = 7;
  double r = 2.5;
  char s[8] = {'U', 'A', '3', 'a', 'b', 'c', ' ', ' '};
  char cs[4] = {'x', 0, 'y', 'z'};
  char ps[4] = {9, 'p', 'q', 'r'};
  uint8_t dec[4] = {0xF1, 0x23, 0x45, 0x6A};  // a bad digit nibble on purpose
  int32_t arr[6] = {1, 2, 3, 4, 5, 6};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Variables v;
  static BindScopes scopes;
  static bool bound = [] {
    scopes.Bind("n", VarRef::Long(&v.n));
    scopes.Bind("r", VarRef::Real(&v.r));
    scopes.Bind("s", VarRef::String(v.s, sizeof v.s));
    scopes.Bind("cs", {v.cs, kavo::FieldType::kCString, sizeof v.cs});
    scopes.Bind("ps", {v.ps, kavo::FieldType::kPString, sizeof v.ps});
    scopes.Bind("dec", VarRef::Decimal(v.dec, sizeof v.dec, 2));
    VarRef a = VarRef::Long(v.arr);
    a.dim_count = 2;
    a.dims[0] = 2;
    a.dims[1] = 3;
    scopes.Bind("arr", a);
    return true;
  }();
  (void)bound;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<Expression> e;
  if (Expression::Compile(text, &e, scopes).ok()) {
    (void)e->Test();
    (void)e->Int();
    (void)e->Real();
    std::string_view t = e->Text();
    volatile size_t sink = t.size();
    (void)sink;
  }
  NodeList list;
  (void)ParseExpressionList(text, scopes, &list);
  return 0;
}
