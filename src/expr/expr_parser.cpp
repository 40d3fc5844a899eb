// Recursive-descent parser over the precedence levels of the header. Binary
// levels loop rather than recurse, so only nesting costs stack.
#include "expr/expr_parser.h"

#include "expr/expr_builtins.h"
#include "expr_lexer.h"

namespace kavo::expr {

namespace {

class Parser {
 public:
  Parser(std::string_view text, BindScopes& scopes) : lexer_(text), scopes_(scopes) {
    scopes_.PrepareCurrent();
  }

  Status Whole(NodePtr* out) {
    if (!Advance()) return status_;
    NodePtr root = Expression();
    if (root && tok_.kind != TokenKind::kEnd) Fail("unexpected text");
    if (!status_.ok()) return status_;
    *out = std::move(root);
    return Status::OK();
  }

  Status List(NodeList* out) {
    if (!Advance()) return status_;
    NodeList items;
    for (;;) {
      NodePtr item = Expression();
      if (!item) return status_;
      items.push_back(std::move(item));
      if (tok_.kind == TokenKind::kEnd) break;
      if (!IsOp(',') && !IsOp(':')) {
        Fail("unexpected text");
        return status_;
      }
      if (!Advance()) return status_;
    }
    *out = std::move(items);
    return Status::OK();
  }

 private:
  bool Advance() {
    if (!status_.ok()) return false;
    Status s = lexer_.Next(&tok_);
    if (!s.ok()) {
      status_ = s;
      return false;
    }
    return true;
  }

  void Fail(const std::string& what, int code = err::kInvalidExpression) {
    if (!status_.ok()) return;
    status_ = Status::Error(code, what + " at position " + std::to_string(tok_.pos + 1));
  }

  bool IsOp(char c) const { return tok_.kind == TokenKind::kOperator && tok_.op == c; }

  // The keyword the current token is bound to, if it is a name bound to one.
  bool IsKeyword(Keyword k) const {
    if (tok_.kind != TokenKind::kName) return false;
    const Binding* b = scopes_.Lookup(tok_.text);
    return b != nullptr && b->kind == Binding::Kind::kKeyword && b->keyword == k;
  }

  NodePtr Checked(NodePtr node) {
    if (node && node->depth() > kMaxTreeDepth) {
      Fail("expression too deep");
      return nullptr;
    }
    return node;
  }

  NodePtr Expression() {
    if (++nesting_ > kMaxNesting) {
      Fail("expression nested too deeply");
      return nullptr;
    }
    NodePtr e = OrLevel();
    --nesting_;
    return e;
  }

  NodePtr OrLevel() {
    NodePtr left = AndLevel();
    while (left && (IsKeyword(Keyword::kOr) || IsKeyword(Keyword::kXor))) {
      LogicOp op = IsKeyword(Keyword::kOr) ? LogicOp::kOr : LogicOp::kXor;
      if (!Advance()) return nullptr;
      NodePtr right = AndLevel();
      if (!right) return nullptr;
      left = Checked(MakeLogic(op, std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr AndLevel() {
    NodePtr left = NotLevel();
    while (left && IsKeyword(Keyword::kAnd)) {
      if (!Advance()) return nullptr;
      NodePtr right = NotLevel();
      if (!right) return nullptr;
      left = Checked(MakeLogic(LogicOp::kAnd, std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr NotLevel() {
    int count = 0;
    while (IsKeyword(Keyword::kNot) || IsOp('~')) {
      ++count;
      if (!Advance()) return nullptr;
    }
    NodePtr operand = Comparison();
    if (!operand || count == 0) return operand;
    return Checked(MakeNot(std::move(operand), count % 2 == 1));
  }

  // Reads a comparison operator of one or two tokens, if one stands here.
  bool ComparisonOp(CompareOp* op) {
    if (tok_.kind != TokenKind::kOperator) return false;
    char first = tok_.op;
    char second = lexer_.At(tok_.end);
    int length = 2;
    switch (first) {
      case '=':
        *op = second == '<' ? CompareOp::kLe : second == '>' ? CompareOp::kGe : CompareOp::kEq;
        if (*op == CompareOp::kEq) length = 1;
        break;
      case '<':
        *op = second == '=' ? CompareOp::kLe : second == '>' ? CompareOp::kNe : CompareOp::kLt;
        if (*op == CompareOp::kLt) length = 1;
        break;
      case '>':
        *op = second == '=' ? CompareOp::kGe : CompareOp::kGt;
        if (*op == CompareOp::kGt) length = 1;
        break;
      case '~':
        if (second == '=') {
          *op = CompareOp::kNe;
        } else if (second == '<') {
          *op = CompareOp::kGe;
        } else if (second == '>') {
          *op = CompareOp::kLe;
        } else {
          return false;
        }
        break;
      default:
        return false;
    }
    for (int i = 0; i < length; ++i) {
      if (!Advance()) return false;
    }
    return true;
  }

  NodePtr Comparison() {
    NodePtr left = Concat();
    CompareOp op;
    while (left && ComparisonOp(&op)) {
      NodePtr right = Concat();
      if (!right) return nullptr;
      NodePtr folded = MakeFoldedComparison(op, left, right);
      left = Checked(folded ? std::move(folded)
                            : MakeComparison(op, std::move(left), std::move(right)));
    }
    return status_.ok() ? std::move(left) : nullptr;
  }

  NodePtr Concat() {
    NodePtr left = Additive();
    while (left && IsOp('&')) {
      if (!Advance()) return nullptr;
      NodePtr right = Additive();
      if (!right) return nullptr;
      left = Checked(MakeConcat(std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr Additive() {
    NodePtr left = Multiplicative();
    while (left && (IsOp('+') || IsOp('-'))) {
      ArithOp op = IsOp('+') ? ArithOp::kAdd : ArithOp::kSub;
      if (!Advance()) return nullptr;
      NodePtr right = Multiplicative();
      if (!right) return nullptr;
      left = Checked(MakeArithmetic(op, std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr Multiplicative() {
    NodePtr left = Power();
    while (left && (IsOp('*') || IsOp('/') || IsOp('%'))) {
      ArithOp op = IsOp('*') ? ArithOp::kMul : IsOp('/') ? ArithOp::kDiv : ArithOp::kMod;
      if (!Advance()) return nullptr;
      NodePtr right = Power();
      if (!right) return nullptr;
      left = Checked(MakeArithmetic(op, std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr Power() {
    NodePtr left = Unary();
    while (left && IsOp('^')) {
      if (!Advance()) return nullptr;
      NodePtr right = Unary();
      if (!right) return nullptr;
      left = Checked(MakeArithmetic(ArithOp::kPow, std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr Unary() {
    int signs = 0;
    int minus = 0;
    while (IsOp('+') || IsOp('-')) {
      ++signs;
      if (IsOp('-')) ++minus;
      if (!Advance()) return nullptr;
    }
    NodePtr operand = Primary();
    if (!operand || minus == 0) return operand;
    return Checked(MakeSign(std::move(operand), minus % 2 == 1));
  }

  NodePtr Primary() {
    switch (tok_.kind) {
      case TokenKind::kInteger: {
        NodePtr n = MakeInteger(static_cast<int32_t>(tok_.number));
        return Advance() ? std::move(n) : nullptr;
      }
      case TokenKind::kReal: {
        NodePtr n = MakeReal(tok_.number);
        return Advance() ? std::move(n) : nullptr;
      }
      case TokenKind::kString: {
        NodePtr n = MakeText(std::move(tok_.value));
        return Advance() ? std::move(n) : nullptr;
      }
      case TokenKind::kPicture: {
        NodePtr n = MakeText(std::string(tok_.text), ExprType::kPicture);
        return Advance() ? std::move(n) : nullptr;
      }
      case TokenKind::kName:
        return Named();
      case TokenKind::kOperator:
        if (IsOp('(')) {
          if (!Advance()) return nullptr;
          NodePtr inner = Expression();
          if (!inner) return nullptr;
          if (!IsOp(')')) {
            Fail("missing )");
            return nullptr;
          }
          return Advance() ? std::move(inner) : nullptr;
        }
        break;
      case TokenKind::kEnd:
        Fail("unexpected end of expression");
        return nullptr;
    }
    Fail("operand expected");
    return nullptr;
  }

  NodePtr Named() {
    const Binding* b = scopes_.Lookup(tok_.text);
    if (b == nullptr) {
      Fail(std::string(tok_.text), err::kNoBind);
      return nullptr;
    }
    switch (b->kind) {
      case Binding::Kind::kKeyword:
        Fail("operand expected");
        return nullptr;
      case Binding::Kind::kFunction:
        return Call(b->function);
      case Binding::Kind::kVariable:
        break;
    }
    VarRef var = b->var;
    if (!Advance()) return nullptr;
    if (!IsOp('[')) return MakeVariable(var);
    if (!Advance()) return nullptr;
    VarClass cls = VarClass::kString;
    ClassOf(var.type, &cls);
    if (var.dim_count > 0) {
      NodeList indexes;
      for (;;) {
        NodePtr index = Expression();
        if (!index) return nullptr;
        indexes.push_back(std::move(index));
        if (!IsOp(',')) break;
        if (!Advance()) return nullptr;
      }
      if (!IsOp(']')) {
        Fail("missing ]");
        return nullptr;
      }
      if (indexes.size() != var.dim_count) {
        Fail("wrong number of subscripts");
        return nullptr;
      }
      if (!Advance()) return nullptr;
      return Checked(MakeElement(var, std::move(indexes)));
    }
    if (cls != VarClass::kString) {
      Fail("subscript on a variable that is neither an array nor a string");
      return nullptr;
    }
    NodePtr start = Expression();
    if (!start) return nullptr;
    NodePtr end;
    if (IsOp(':')) {
      if (!Advance()) return nullptr;
      end = Expression();
      if (!end) return nullptr;
    }
    if (!IsOp(']')) {
      Fail("missing ]");
      return nullptr;
    }
    if (!Advance()) return nullptr;
    return Checked(MakeSubstring(MakeVariable(var), std::move(start), std::move(end)));
  }

  NodePtr Call(int function) {
    const BuiltinInfo& info = BuiltinAt(function);
    if (!Advance()) return nullptr;
    if (!IsOp('(')) {
      Fail(std::string(info.name) + " needs its parentheses");
      return nullptr;
    }
    if (!Advance()) return nullptr;
    NodeList args;
    if (!IsOp(')')) {
      for (;;) {
        NodePtr arg = Expression();
        if (!arg) return nullptr;
        args.push_back(std::move(arg));
        if (!IsOp(',')) break;
        if (!Advance()) return nullptr;
      }
    }
    if (!IsOp(')')) {
      Fail("missing )");
      return nullptr;
    }
    int count = static_cast<int>(args.size());
    if (count < info.min_args || count > info.max_args) {
      Fail("wrong number of arguments to " + std::string(info.name));
      return nullptr;
    }
    if (!Advance()) return nullptr;
    return Checked(MakeCall(function, std::move(args)));
  }

  Lexer lexer_;
  BindScopes& scopes_;
  Token tok_;
  Status status_;
  int nesting_ = 0;
};

}  // namespace

Status ParseExpression(std::string_view text, BindScopes& scopes, NodePtr* out) {
  return Parser(text, scopes).Whole(out);
}

Status ParseExpressionList(std::string_view text, BindScopes& scopes, NodeList* out) {
  return Parser(text, scopes).List(out);
}

}  // namespace kavo::expr
