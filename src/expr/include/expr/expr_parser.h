// Parsing expression text into a tree (expr_node.h), names resolved against
// binding scopes at parse time.
//
// Precedence, lowest first; every binary level is left-associative:
//   1 OR XOR   2 AND   3 prefix NOT or "~"   4 comparisons = < > <> <= >=
//   (also =< => and ~= ~< ~> meaning <> >= <=)   5 &   6 + -   7 * / %
//   8 ^   9 prefix + and -, any number   10 ( expression ), a literal, a
//   variable with "[" index, ... "]" or "[" start ":" end "]", a function
//   name with "(" arguments ")".
//
// A name bound nowhere fails with error 801; every other fault (unexpected
// token, missing ")" or "]", wrong argument count, a function without its
// parentheses, a subscript on a number, nesting deeper than kMaxNesting
// levels or a tree deeper than kMaxTreeDepth) fails with error 800. The
// parser recurses only for nested parentheses, arguments and subscripts, so
// its stack use is bounded by kMaxNesting whatever the text: about 2 KB per
// level in an optimised build (the deepest accepted text needs some 150 KB,
// several times that under AddressSanitizer). The program's own filters nest
// three levels at most.
#pragma once

#include <string_view>

#include "expr/expr_node.h"
#include "expr/expr_scope.h"
#include "runtime/status.h"

namespace kavo::expr {

inline constexpr int kMaxNesting = 64;

// Parses the whole text as one expression.
Status ParseExpression(std::string_view text, BindScopes& scopes, NodePtr* out);

// Parses a list of expressions separated by "," or ":" (sort orders).
Status ParseExpressionList(std::string_view text, BindScopes& scopes, NodeList* out);

}  // namespace kavo::expr
