// Evaluation of the operator, literal and variable nodes.
#include "expr/expr_node.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kavo::expr {

namespace {

class IntegerLiteral final : public IntegralNode {
 public:
  explicit IntegerLiteral(int32_t v) : IntegralNode(ExprType::kInteger, 1), v_(v) {}
  int32_t Int() override { return v_; }

 private:
  int32_t v_;
};

class RealLiteral final : public RealNode {
 public:
  explicit RealLiteral(double v) : RealNode(1), v_(v) {}
  double Real() override { return v_; }

 private:
  double v_;
};

class TextLiteral final : public TextNode {
 public:
  TextLiteral(std::string text, ExprType type) : TextNode(type, 1), text_(std::move(text)) {}
  std::string_view Str() override { return text_; }

 private:
  std::string text_;
};

const uint8_t* Address(const VarRef& var) {
  return static_cast<const uint8_t*>(var.address);
}

class IntegerVariable final : public IntegralNode {
 public:
  explicit IntegerVariable(const VarRef& var)
      : IntegralNode(ExprType::kInteger, 1), var_(var), p_(Address(var)) {}
  int32_t Int() override { return ReadInt(var_, p_); }

 private:
  VarRef var_;
  const uint8_t* p_;
};

// The program's dates, times and counters are LONG: read them without the
// type dispatch.
class LongVariable final : public IntegralNode {
 public:
  explicit LongVariable(const VarRef& var)
      : IntegralNode(ExprType::kInteger, 1), p_(Address(var)) {}
  int32_t Int() override {
    int32_t v;
    std::memcpy(&v, p_, sizeof v);
    return v;
  }

 private:
  const uint8_t* p_;
};

class RealVariable final : public RealNode {
 public:
  explicit RealVariable(const VarRef& var) : RealNode(1), var_(var), p_(Address(var)) {}
  double Real() override { return ReadReal(var_, p_); }

 private:
  VarRef var_;
  const uint8_t* p_;
};

// STRING fields, the usual text of a record: the bytes as they stand.
class StringVariable final : public TextNode {
 public:
  explicit StringVariable(const VarRef& var)
      : TextNode(ExprType::kString, 1),
        p_(static_cast<const char*>(var.address)),
        size_(var.size) {}
  std::string_view Str() override { return std::string_view(p_, size_); }

 private:
  const char* p_;
  size_t size_;
};

class TextVariable final : public TextNode {
 public:
  explicit TextVariable(const VarRef& var)
      : TextNode(ExprType::kString, 1), var_(var), p_(Address(var)) {}
  std::string_view Str() override { return ReadText(var_, p_); }

 private:
  VarRef var_;
  const uint8_t* p_;
};

ExprType TypeOfClass(VarClass cls) {
  switch (cls) {
    case VarClass::kInteger:
      return ExprType::kInteger;
    case VarClass::kReal:
      return ExprType::kReal;
    case VarClass::kString:
      break;
  }
  return ExprType::kString;
}

VarClass ClassOrString(FieldType type) {
  VarClass cls = VarClass::kString;
  ClassOf(type, &cls);
  return cls;
}

// An array element: the address is computed at every evaluation from the
// current index values.
class Element final : public Node {
 public:
  Element(const VarRef& var, NodeList indexes)
      : Node(TypeOfClass(ClassOrString(var.type)), DepthOver(indexes)),
        var_(var),
        cls_(ClassOrString(var.type)),
        indexes_(std::move(indexes)) {}

  int32_t Int() override {
    const uint8_t* p = At();
    if (p == nullptr) return 0;
    return cls_ == VarClass::kString ? RealToInt(NumericReading(ReadText(var_, p)))
                                     : ReadInt(var_, p);
  }
  double Real() override {
    const uint8_t* p = At();
    return p == nullptr ? 0.0 : ReadReal(var_, p);
  }
  std::string_view Str() override {
    const uint8_t* p = At();
    if (cls_ == VarClass::kString) return p == nullptr ? std::string_view() : ReadText(var_, p);
    buf_.clear();
    if (p == nullptr) {
      buf_.push_back('0');
    } else if (cls_ == VarClass::kInteger) {
      AppendInt(ReadInt(var_, p), &buf_);
    } else {
      AppendNumber(ReadReal(var_, p), &buf_);
    }
    return buf_;
  }
  bool Truth() override {
    const uint8_t* p = At();
    if (p == nullptr) return false;
    switch (cls_) {
      case VarClass::kInteger:
        return ReadInt(var_, p) != 0;
      case VarClass::kReal:
        return ReadReal(var_, p) != 0.0;
      case VarClass::kString:
        break;
    }
    return TextTruth(ReadText(var_, p));
  }

 private:
  const uint8_t* At() {
    uint64_t element = 0;
    for (size_t i = 0; i < indexes_.size(); ++i) {
      int32_t index = indexes_[i]->Int();
      if (index < 1 || static_cast<uint32_t>(index) > var_.dims[i]) return nullptr;
      element = element * var_.dims[i] + static_cast<uint32_t>(index - 1);
    }
    return Address(var_) + element * var_.size;
  }

  VarRef var_;
  VarClass cls_;
  NodeList indexes_;
  std::string buf_;
};

class Substring final : public TextNode {
 public:
  Substring(NodePtr text, NodePtr start, NodePtr end)
      : TextNode(ExprType::kString,
                 1 + std::max({text->depth(), start->depth(), end ? end->depth() : 0})),
        text_(std::move(text)),
        start_(std::move(start)),
        end_(std::move(end)) {}

  std::string_view Str() override {
    std::string_view s = text_->Str();
    int64_t start = start_->Int();
    int64_t end = end_ ? end_->Int() : start;
    if (start < 1) start = 1;
    if (end > static_cast<int64_t>(s.size())) end = static_cast<int64_t>(s.size());
    if (start > end) return {};
    return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(end - start + 1));
  }

 private:
  NodePtr text_;
  NodePtr start_;
  NodePtr end_;
};

class Sign final : public RealNode {
 public:
  Sign(NodePtr operand, bool negate)
      : RealNode(operand->depth() + 1), operand_(std::move(operand)), negate_(negate) {}
  double Real() override {
    double v = operand_->Real();
    return negate_ ? -v : v;
  }

 private:
  NodePtr operand_;
  bool negate_;
};

class Not final : public IntegralNode {
 public:
  Not(NodePtr operand, bool invert)
      : IntegralNode(ExprType::kBoolean, operand->depth() + 1),
        operand_(std::move(operand)),
        invert_(invert) {}
  int32_t Int() override { return operand_->Truth() != invert_ ? 1 : 0; }
  bool Truth() override { return operand_->Truth() != invert_; }

 private:
  NodePtr operand_;
  bool invert_;
};

int BinaryDepth(const NodePtr& a, const NodePtr& b) {
  return 1 + std::max(a->depth(), b->depth());
}

class Arithmetic final : public RealNode {
 public:
  Arithmetic(ArithOp op, NodePtr left, NodePtr right)
      : RealNode(BinaryDepth(left, right)),
        op_(op),
        left_(std::move(left)),
        right_(std::move(right)) {}

  double Real() override {
    double a = left_->Real();
    double b = right_->Real();
    switch (op_) {
      case ArithOp::kAdd:
        return a + b;
      case ArithOp::kSub:
        return a - b;
      case ArithOp::kMul:
        return a * b;
      case ArithOp::kDiv:
        return b == 0.0 ? 0.0 : a / b;
      case ArithOp::kMod:
        return b == 0.0 ? 0.0 : std::fmod(a, b);
      case ArithOp::kPow:
        return std::pow(a, b);
    }
    return 0.0;
  }

 private:
  ArithOp op_;
  NodePtr left_;
  NodePtr right_;
};

class Concat final : public TextNode {
 public:
  Concat(NodePtr left, NodePtr right)
      : TextNode(ExprType::kString, BinaryDepth(left, right)),
        left_(std::move(left)),
        right_(std::move(right)) {}
  std::string_view Str() override {
    buf_.assign(left_->Str());
    buf_.append(right_->Str());
    return buf_;
  }

 private:
  NodePtr left_;
  NodePtr right_;
  std::string buf_;
};

class IntegerComparison final : public IntegralNode {
 public:
  IntegerComparison(CompareOp op, NodePtr left, NodePtr right)
      : IntegralNode(ExprType::kBoolean, BinaryDepth(left, right)),
        op_(op),
        left_(std::move(left)),
        right_(std::move(right)) {}
  int32_t Int() override { return Truth() ? 1 : 0; }
  bool Truth() override {
    int32_t a = left_->Int();
    int32_t b = right_->Int();
    switch (op_) {
      case CompareOp::kEq:
        return a == b;
      case CompareOp::kNe:
        return a != b;
      case CompareOp::kLt:
        return a < b;
      case CompareOp::kLe:
        return a <= b;
      case CompareOp::kGt:
        return a > b;
      case CompareOp::kGe:
        return a >= b;
    }
    return false;
  }

 private:
  CompareOp op_;
  NodePtr left_;
  NodePtr right_;
};

class RealComparison final : public IntegralNode {
 public:
  RealComparison(CompareOp op, NodePtr left, NodePtr right)
      : IntegralNode(ExprType::kBoolean, BinaryDepth(left, right)),
        op_(op),
        left_(std::move(left)),
        right_(std::move(right)) {}
  int32_t Int() override { return Truth() ? 1 : 0; }
  bool Truth() override { return Satisfies(op_, CompareReals(left_->Real(), right_->Real())); }

 private:
  CompareOp op_;
  NodePtr left_;
  NodePtr right_;
};

class TextComparison final : public IntegralNode {
 public:
  TextComparison(CompareOp op, NodePtr left, NodePtr right)
      : IntegralNode(ExprType::kBoolean, BinaryDepth(left, right)),
        op_(op),
        left_(std::move(left)),
        right_(std::move(right)),
        tables_(ProcessCharTables()) {}
  int32_t Int() override { return Truth() ? 1 : 0; }
  bool Truth() override {
    std::string_view a = left_->Str();
    std::string_view b = right_->Str();
    return Satisfies(op_, CompareTexts(a, b, tables_));
  }

 private:
  CompareOp op_;
  NodePtr left_;
  NodePtr right_;
  const CharTables& tables_;
};

class Logic final : public IntegralNode {
 public:
  Logic(LogicOp op, NodePtr left, NodePtr right)
      : IntegralNode(ExprType::kBoolean, BinaryDepth(left, right)),
        op_(op),
        left_(std::move(left)),
        right_(std::move(right)) {}
  int32_t Int() override { return Truth() ? 1 : 0; }
  bool Truth() override {
    switch (op_) {
      case LogicOp::kAnd:
        return left_->Truth() && right_->Truth();
      case LogicOp::kOr:
        return left_->Truth() || right_->Truth();
      case LogicOp::kXor:
        break;
    }
    bool a = left_->Truth();
    return a != right_->Truth();
  }

 private:
  LogicOp op_;
  NodePtr left_;
  NodePtr right_;
};

}  // namespace

int DepthOver(const NodeList& nodes) {
  int d = 0;
  for (const NodePtr& n : nodes) d = std::max(d, n->depth());
  return d + 1;
}

NodePtr MakeInteger(int32_t v) {
  return std::make_unique<IntegerLiteral>(v);
}
NodePtr MakeReal(double v) {
  return std::make_unique<RealLiteral>(v);
}
NodePtr MakeText(std::string text, ExprType type) {
  return std::make_unique<TextLiteral>(std::move(text), type);
}

NodePtr MakeVariable(const VarRef& var) {
  switch (ClassOrString(var.type)) {
    case VarClass::kInteger:
      if (var.type == FieldType::kLong) return std::make_unique<LongVariable>(var);
      return std::make_unique<IntegerVariable>(var);
    case VarClass::kReal:
      return std::make_unique<RealVariable>(var);
    case VarClass::kString:
      break;
  }
  if (var.type == FieldType::kString) return std::make_unique<StringVariable>(var);
  return std::make_unique<TextVariable>(var);
}

NodePtr MakeElement(const VarRef& var, NodeList indexes) {
  return std::make_unique<Element>(var, std::move(indexes));
}

NodePtr MakeSubstring(NodePtr text, NodePtr start, NodePtr end) {
  return std::make_unique<Substring>(std::move(text), std::move(start), std::move(end));
}

NodePtr MakeSign(NodePtr operand, bool negate) {
  return std::make_unique<Sign>(std::move(operand), negate);
}

NodePtr MakeNot(NodePtr operand, bool invert) {
  return std::make_unique<Not>(std::move(operand), invert);
}

NodePtr MakeArithmetic(ArithOp op, NodePtr left, NodePtr right) {
  return std::make_unique<Arithmetic>(op, std::move(left), std::move(right));
}

NodePtr MakeConcat(NodePtr left, NodePtr right) {
  return std::make_unique<Concat>(std::move(left), std::move(right));
}

NodePtr MakeComparison(CompareOp op, NodePtr left, NodePtr right) {
  if (IsIntegral(left->type()) && IsIntegral(right->type())) {
    return std::make_unique<IntegerComparison>(op, std::move(left), std::move(right));
  }
  if (IsText(left->type()) && IsText(right->type())) {
    return std::make_unique<TextComparison>(op, std::move(left), std::move(right));
  }
  return std::make_unique<RealComparison>(op, std::move(left), std::move(right));
}

NodePtr MakeLogic(LogicOp op, NodePtr left, NodePtr right) {
  return std::make_unique<Logic>(op, std::move(left), std::move(right));
}

int CompareReals(double a, double b) {
  if (a == b) return 0;
  if (std::isnan(a) || std::isnan(b)) return kUnordered;
  double d = a - b;
  if (std::isfinite(d)) {
    int ed, ea, eb;
    std::frexp(d, &ed);
    std::frexp(a == 0.0 ? 1.0 : a, &ea);
    std::frexp(b == 0.0 ? 1.0 : b, &eb);
    if (ea - ed > 50 || eb - ed > 50) return 0;
  }
  return a < b ? -1 : 1;
}

int CompareTexts(std::string_view a, std::string_view b, const CharTables& tables) {
  const uint8_t* w = tables.collation.data();
  const auto* x = reinterpret_cast<const uint8_t*>(a.data());
  const auto* y = reinterpret_cast<const uint8_t*>(b.data());
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i] && w[x[i]] != w[y[i]]) return w[x[i]] < w[y[i]] ? -1 : 1;
  }
  const uint8_t blank = w[static_cast<uint8_t>(' ')];
  for (size_t i = n; i < a.size(); ++i) {
    if (w[x[i]] != blank) return w[x[i]] < blank ? -1 : 1;
  }
  for (size_t i = n; i < b.size(); ++i) {
    if (w[y[i]] != blank) return blank < w[y[i]] ? -1 : 1;
  }
  return 0;
}

bool Satisfies(CompareOp op, int result) {
  if (result == kUnordered) return op == CompareOp::kNe;
  switch (op) {
    case CompareOp::kEq:
      return result == 0;
    case CompareOp::kNe:
      return result != 0;
    case CompareOp::kLt:
      return result < 0;
    case CompareOp::kLe:
      return result <= 0;
    case CompareOp::kGt:
      return result > 0;
    case CompareOp::kGe:
      return result >= 0;
  }
  return false;
}

bool TextTruth(std::string_view text) {
  for (char c : text) {
    if (c != ' ') return true;
  }
  return false;
}

}  // namespace kavo::expr
