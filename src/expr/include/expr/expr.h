// Filter expressions: compiling a text once and testing it many times, and
// EVALUATE.
//
// A compiled Expression holds the tree with every name already resolved to
// a variable's address; it reads the current values at every test, so a view
// compiles its filter once and a change to a bound variable (the period d1,
// d2 of a report, the record buffer after each read) shows at the next test.
// Compile and EVALUATE post their outcome as the last error: 0 on success,
// 801 "No BIND on variable" for a name bound nowhere, 800 "Invalid
// expression for EVALUATE" for every other fault.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "expr/expr_node.h"
#include "expr/expr_scope.h"
#include "runtime/status.h"

namespace kavo::expr {

class Expression {
 public:
  // Compiles the whole text; on failure *out is left empty.
  static Status Compile(std::string_view text, std::unique_ptr<Expression>* out,
                        BindScopes& scopes = BindScopes::ForThread());

  ExprType type() const { return root_->type(); }

  // The truth of the expression against the current values. AND and OR
  // stop as soon as their left side decides.
  bool Test() { return root_->Truth(); }

  // The value as text (booleans as 1 and 0), valid until the next use.
  std::string_view Text() { return root_->Str(); }
  int32_t Int() { return root_->Int(); }
  double Real() { return root_->Real(); }

 private:
  explicit Expression(NodePtr root) : root_(std::move(root)) {}

  NodePtr root_;
};

// Parses and evaluates text once: its value as text in *result. The error
// is returned and posted as for Compile.
Status Evaluate(std::string_view text, std::string* result,
                BindScopes& scopes = BindScopes::ForThread());

// EVALUATE of the runtime: the value as text, or an empty text with error
// 800 or 801 posted. Names are looked up in the calling thread's scopes.
std::string EVALUATE(std::string_view text);

// BIND of the runtime: binds name in the calling thread's current scope.
inline bool BIND(std::string_view name, const VarRef& var) {
  return BindScopes::ForThread().Bind(name, var);
}

}  // namespace kavo::expr
