#include "expr/expr.h"

#include "expr/expr_parser.h"
#include "runtime/errors.h"

namespace kavo::expr {

namespace {

Status Posted(Status s) {
  if (s.ok()) {
    ClearError();
  } else {
    PostError(s.code());
  }
  return s;
}

}  // namespace

Status Expression::Compile(std::string_view text, std::unique_ptr<Expression>* out,
                           BindScopes& scopes) {
  out->reset();
  NodePtr root;
  Status s = ParseExpression(text, scopes, &root);
  if (s.ok()) out->reset(new Expression(std::move(root)));
  return Posted(std::move(s));
}

Status Evaluate(std::string_view text, std::string* result, BindScopes& scopes) {
  result->clear();
  std::unique_ptr<Expression> e;
  Status s = Expression::Compile(text, &e, scopes);
  if (s.ok()) result->assign(e->Text());
  return s;
}

std::string EVALUATE(std::string_view text) {
  std::string result;
  (void)Evaluate(text, &result);  // the error is posted
  return result;
}

}  // namespace kavo::expr
