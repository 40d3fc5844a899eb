// The nodes of a compiled expression tree and their evaluation.
//
// Every node has one result type and can be evaluated as an integer, a real
// or a string, and tested for truth, whatever that type is: the conversions
// follow the runtime's rules (arithmetic on reals, integers truncated toward
// zero, numbers shown as their text, texts read as their leading number). A
// string result is a view that stays valid until the same node is evaluated
// again or destroyed; nodes keep their own buffers and reuse them, so testing
// a compiled tree allocates nothing once the buffers have grown. A tree is
// therefore used by one thread at a time.
//
// Every node records its depth (1 for a leaf); the parser bounds it so that
// evaluating and destroying a tree never recurse deeper than kMaxTreeDepth.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expr/expr_var.h"
#include "runtime/chartab.h"

namespace kavo::expr {

inline constexpr int kMaxTreeDepth = 1000;

enum class ExprType : uint8_t { kBoolean, kInteger, kReal, kString, kPicture };

inline bool IsIntegral(ExprType t) {
  return t == ExprType::kBoolean || t == ExprType::kInteger;
}
inline bool IsText(ExprType t) {
  return t == ExprType::kString || t == ExprType::kPicture;
}

class Node {
 public:
  Node(ExprType type, int depth) : type_(type), depth_(depth) {}
  virtual ~Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  ExprType type() const { return type_; }
  int depth() const { return depth_; }

  virtual int32_t Int() = 0;
  virtual double Real() = 0;
  virtual std::string_view Str() = 0;
  virtual bool Truth() = 0;

 private:
  ExprType type_;
  int depth_;
};

using NodePtr = std::unique_ptr<Node>;
using NodeList = std::vector<NodePtr>;

// 1 + the deepest of the nodes (1 for none).
int DepthOver(const NodeList& nodes);

enum class ArithOp : uint8_t { kAdd, kSub, kMul, kDiv, kMod, kPow };
enum class CompareOp : uint8_t { kEq, kNe, kLt, kLe, kGt, kGe };
enum class LogicOp : uint8_t { kAnd, kOr, kXor };

NodePtr MakeInteger(int32_t v);
NodePtr MakeReal(double v);
// A string or picture literal.
NodePtr MakeText(std::string text, ExprType type = ExprType::kString);
NodePtr MakeVariable(const VarRef& var);
// An element of an array variable: one index per dimension, 1-based. An
// index out of range reads as 0 or an empty text.
NodePtr MakeElement(const VarRef& var, NodeList indexes);
// Characters start..end (1-based, inclusive) of a text; without end the one
// character at start. Positions are clipped to the text, so a range outside
// it gives an empty text.
NodePtr MakeSubstring(NodePtr text, NodePtr start, NodePtr end);
// Prefix "-" and "+": a real, negated when `negate`.
NodePtr MakeSign(NodePtr operand, bool negate);
// NOT (when invert) or a plain truth test, as a boolean.
NodePtr MakeNot(NodePtr operand, bool invert);
// Arithmetic on reals; division and modulus by zero give 0.
NodePtr MakeArithmetic(ArithOp op, NodePtr left, NodePtr right);
NodePtr MakeConcat(NodePtr left, NodePtr right);
// Integer comparison when both sides are integral, text comparison by
// collation weight when both are texts, tolerant real comparison otherwise.
NodePtr MakeComparison(CompareOp op, NodePtr left, NodePtr right);
// AND and OR stop as soon as the left side decides.
NodePtr MakeLogic(LogicOp op, NodePtr left, NodePtr right);

// Comparison results shared with the built-in functions: <0, 0, >0, or
// kUnordered for a real comparison with NaN.
inline constexpr int kUnordered = 2;

// Reals are equal when their difference is 0 or its binary exponent lies
// more than 50 below that of either operand (0 counting as 1.0).
int CompareReals(double a, double b);

// Texts by collation weight, the shorter one padded with blanks.
int CompareTexts(std::string_view a, std::string_view b, const CharTables& tables);

// Whether a comparison result satisfies op.
bool Satisfies(CompareOp op, int result);

// The truth of a text: any character other than a blank.
bool TextTruth(std::string_view text);

// Bases that derive the other evaluations from the node's own type, for
// the operator and literal nodes and the built-in function calls alike.
class IntegralNode : public Node {
 public:
  using Node::Node;
  double Real() override { return Int(); }
  std::string_view Str() override {
    buf_.clear();
    AppendInt(Int(), &buf_);
    return buf_;
  }
  bool Truth() override { return Int() != 0; }

 private:
  std::string buf_;
};

class RealNode : public Node {
 public:
  explicit RealNode(int depth) : Node(ExprType::kReal, depth) {}
  int32_t Int() override { return RealToInt(Real()); }
  std::string_view Str() override {
    buf_.clear();
    AppendNumber(Real(), &buf_);
    return buf_;
  }
  bool Truth() override { return Real() != 0.0; }

 private:
  std::string buf_;
};

class TextNode : public Node {
 public:
  using Node::Node;
  int32_t Int() override { return RealToInt(Real()); }
  double Real() override { return NumericReading(Str()); }
  bool Truth() override { return TextTruth(Str()); }
};

}  // namespace kavo::expr
