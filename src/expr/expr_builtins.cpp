// Implementations of the built-in functions (documented in the header).
#include "expr/expr_builtins.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>

#include "runtime/datetime.h"
#include "runtime/picture.h"

namespace kavo::expr {

namespace {

// What a call keeps between evaluations: its arguments, the buffer its text
// result lives in, and the last picture it compiled.
struct Call {
  NodeList args;
  const CharTables* tables = nullptr;  // the process's tables when compiled
  std::string buf;
  std::string picture_text;
  Picture picture;
  bool picture_ok = false;

  size_t argc() const { return args.size(); }
  Node& arg(size_t i) { return *args[i]; }
  int32_t IntOr(size_t i, int32_t fallback) { return i < argc() ? arg(i).Int() : fallback; }

  // The compiled picture of argument i, recompiled only when its text changes.
  const Picture* PictureOf(size_t i) {
    std::string_view text = arg(i).Str();
    if (text != picture_text || picture.type() == PictureType::kNone) {
      picture_text.assign(text);
      picture_ok = Picture::Compile(picture_text, &picture).ok;
    }
    return picture_ok ? &picture : nullptr;
  }
};

using IntFn = int32_t (*)(Call&);
using RealFn = double (*)(Call&);
using TextFn = std::string_view (*)(Call&);

struct Builtin {
  BuiltinInfo info;
  IntFn int_fn = nullptr;
  RealFn real_fn = nullptr;
  TextFn text_fn = nullptr;
};

int32_t ClampLength(int32_t n) {
  return std::clamp<int32_t>(n, 0, kMaxTextLength);
}

// The result length of CENTER, LEFT and RIGHT: the second argument, else
// the length of the text s, within the text limit.
size_t LengthArg(Call& c, std::string_view s) {
  return static_cast<size_t>(
      ClampLength(c.argc() > 1 ? c.arg(1).Int()
                               : static_cast<int32_t>(std::min<size_t>(s.size(), kMaxTextLength))));
}

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  size_t n = s.size();
  while (n > i && (s[n - 1] == ' ' || s[n - 1] == '\t' || s[n - 1] == '\r')) --n;
  return s.substr(i, n - i);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

double Guard(double v) {
  return std::isnan(v) ? 0.0 : v;
}

// ---- Real functions ----

double Abs(Call& c) {
  return std::fabs(c.arg(0).Real());
}
double Acos(Call& c) {
  double x = c.arg(0).Real();
  return std::fabs(x) > 1.0 ? 0.0 : std::acos(x);
}
double Asin(Call& c) {
  double x = c.arg(0).Real();
  return std::fabs(x) > 1.0 ? 0.0 : std::asin(x);
}
double Atan(Call& c) {
  return std::atan(c.arg(0).Real());
}
double Cos(Call& c) {
  return Guard(std::cos(c.arg(0).Real()));
}
double Sin(Call& c) {
  return Guard(std::sin(c.arg(0).Real()));
}
double Tan(Call& c) {
  return Guard(std::tan(c.arg(0).Real()));
}
double Log10(Call& c) {
  double x = c.arg(0).Real();
  return x > 0.0 ? std::log10(x) : 0.0;
}
double LogE(Call& c) {
  double x = c.arg(0).Real();
  return x > 0.0 ? std::log(x) : 0.0;
}
double Sqrt(Call& c) {
  double x = c.arg(0).Real();
  return x >= 0.0 ? std::sqrt(x) : 0.0;
}
double Round(Call& c) {
  double x = c.arg(0).Real();
  double order = c.argc() > 1 ? std::fabs(c.arg(1).Real()) : 1.0;
  if (order == 0.0 || !std::isfinite(x) || !std::isfinite(order)) return x;
  double q = x / order;
  // A quotient such as 2.675 / 0.01 lands just below the half it stands
  // for; nudge it by a few units of its last place before rounding.
  double nudged = q + std::copysign(std::fabs(q) * 4 * 2.220446049250313e-16, q);
  return std::round(nudged) * order;
}

// ---- Integer functions ----

int32_t Band(Call& c) {
  return c.arg(0).Int() & c.arg(1).Int();
}
int32_t Bor(Call& c) {
  return c.arg(0).Int() | c.arg(1).Int();
}
int32_t Bxor(Call& c) {
  return c.arg(0).Int() ^ c.arg(1).Int();
}
int32_t Bshift(Call& c) {
  uint32_t v = static_cast<uint32_t>(c.arg(0).Int());
  int32_t n = c.arg(1).Int();
  if (n >= 32 || n <= -32) return 0;
  return static_cast<int32_t>(n >= 0 ? v << n : v >> -n);
}
int32_t ClockFn(Call&) {
  return Clock();
}
int32_t TodayFn(Call&) {
  return Today();
}

int32_t DateFn(Call& c) {
  int64_t month = c.arg(0).Int();
  int64_t day = c.arg(1).Int();
  int64_t year = c.arg(2).Int();
  if (year >= 0 && year < 100) year = ExpandYear(static_cast<int>(year));
  int64_t months = year * 12 + (month - 1);
  if (months < int64_t{kFirstYear} * 12 || months > int64_t{kLastYear} * 12 + 11) return 0;
  int32_t first =
      DateFromParts(static_cast<int>(months / 12), static_cast<int>(months % 12) + 1, 1);
  if (first < 0) return 0;
  int64_t n = first + day - 1;
  return (n < kFirstDate || n > kLastDate) ? 0 : static_cast<int32_t>(n);
}

int32_t DayFn(Call& c) {
  DateParts p;
  return DateToParts(c.arg(0).Int(), &p) ? p.day : 0;
}
int32_t MonthFn(Call& c) {
  DateParts p;
  return DateToParts(c.arg(0).Int(), &p) ? p.month : 0;
}
int32_t YearFn(Call& c) {
  DateParts p;
  return DateToParts(c.arg(0).Int(), &p) ? p.year : 0;
}

int32_t Inlist(Call& c) {
  // Views of different arguments never share a buffer, so the first one
  // stays valid while the others are evaluated.
  std::string_view s = c.arg(0).Str();
  const CharTables& tables = *c.tables;
  for (size_t i = 1; i < c.argc(); ++i) {
    if (CompareTexts(s, c.arg(i).Str(), tables) == 0) return static_cast<int32_t>(i);
  }
  return 0;
}

int32_t Inrange(Call& c) {
  ExprType tx = c.arg(0).type(), tlo = c.arg(1).type(), thi = c.arg(2).type();
  if (IsIntegral(tx) && IsIntegral(tlo) && IsIntegral(thi)) {
    int32_t x = c.arg(0).Int();
    return c.arg(1).Int() <= x && x <= c.arg(2).Int();
  }
  if (IsText(tx) && IsText(tlo) && IsText(thi)) {
    const CharTables& tables = *c.tables;
    std::string_view x = c.arg(0).Str();
    if (!Satisfies(CompareOp::kGe, CompareTexts(x, c.arg(1).Str(), tables))) return 0;
    return Satisfies(CompareOp::kLe, CompareTexts(x, c.arg(2).Str(), tables));
  }
  double x = c.arg(0).Real();
  return Satisfies(CompareOp::kGe, CompareReals(x, c.arg(1).Real())) &&
         Satisfies(CompareOp::kLe, CompareReals(x, c.arg(2).Real()));
}

int32_t Instring(Call& c) {
  std::string_view sub = c.arg(0).Str();
  std::string_view s = c.arg(1).Str();
  int64_t step = c.argc() > 2 ? c.arg(2).Int() : static_cast<int64_t>(sub.size());
  int64_t start = c.argc() > 3 ? c.arg(3).Int() : 1;
  if (sub.empty() || start < 1 || start > static_cast<int64_t>(s.size())) return 0;
  if (step == 0) step = 1;
  int64_t last = static_cast<int64_t>(s.size()) - static_cast<int64_t>(sub.size()) + 1;
  for (int64_t pos = start; pos >= 1 && pos <= static_cast<int64_t>(s.size()); pos += step) {
    if (pos <= last && s.compare(static_cast<size_t>(pos - 1), sub.size(), sub) == 0) {
      return static_cast<int32_t>((pos - 1) / (step < 0 ? -step : step) + 1);
    }
  }
  return 0;
}

int32_t IntFn_(Call& c) {
  return RealToInt(c.arg(0).Real());
}
int32_t Len(Call& c) {
  return static_cast<int32_t>(std::min<size_t>(c.arg(0).Str().size(), INT32_MAX));
}

int32_t Memory(Call& c) {
  int32_t kind = c.IntOr(0, 0);
  long pages = sysconf(kind == 1 ? _SC_PHYS_PAGES : _SC_AVPHYS_PAGES);
  long page_size = sysconf(_SC_PAGESIZE);
  if (pages < 0 || page_size < 0) return 0;
  double bytes = static_cast<double>(pages) * static_cast<double>(page_size);
  return RealToInt(bytes);
}

int32_t Numeric(Call& c) {
  return IsNumericText(c.arg(0).Str()) ? 1 : 0;
}

int32_t Random(Call& c) {
  thread_local std::mt19937 engine{std::random_device{}()};
  int32_t lo = c.arg(0).Int();
  int32_t hi = c.arg(1).Int();
  if (lo > hi) std::swap(lo, hi);
  return std::uniform_int_distribution<int32_t>(lo, hi)(engine);
}

int32_t Val(Call& c) {
  std::string_view s = c.arg(0).Str();
  return s.empty() ? 0 : static_cast<uint8_t>(s[0]);
}

// ---- Text functions ----

std::string_view Age(Call& c) {
  int32_t birth = c.arg(0).Int();
  int32_t base = c.argc() > 1 ? c.arg(1).Int() : Today();
  DateParts b, now;
  c.buf.clear();
  if (!DateToParts(birth, &b) || !DateToParts(base, &now) || base < birth) return c.buf;
  int32_t days = base - birth;
  if (days <= 60) {
    AppendInt(days, &c.buf);
    c.buf += " DAYS";
    return c.buf;
  }
  int32_t months = (now.year * 12 + now.month) - (b.year * 12 + b.month) - (now.day < b.day);
  if (months < 24) {
    AppendInt(months, &c.buf);
    c.buf += " MOS";
  } else {
    AppendInt(months / 12, &c.buf);
    c.buf += " YRS";
  }
  return c.buf;
}

std::string_view All(Call& c) {
  std::string_view s = c.arg(0).Str();
  int32_t len = ClampLength(c.IntOr(1, 255));
  c.buf.clear();
  if (s.empty()) return c.buf;
  c.buf.reserve(static_cast<size_t>(len));
  while (c.buf.size() < static_cast<size_t>(len)) {
    c.buf.append(s.substr(0, static_cast<size_t>(len) - c.buf.size()));
  }
  return c.buf;
}

std::string_view Center(Call& c) {
  std::string_view s = c.arg(0).Str();
  size_t len = LengthArg(c, s);
  std::string_view t = TrimRight(TrimLeft(s)).substr(0, len);
  size_t left = (len - t.size()) / 2;
  c.buf.assign(left, ' ');
  c.buf.append(t);
  c.buf.append(len - c.buf.size(), ' ');
  return c.buf;
}

std::string_view Choose(Call& c) {
  size_t pick;
  size_t values = c.argc() - 1;
  if (c.arg(0).type() == ExprType::kBoolean) {
    pick = c.arg(0).Truth() ? 1 : 2;
  } else {
    int32_t n = c.arg(0).Int();
    pick = (n >= 1 && static_cast<size_t>(n) <= values) ? static_cast<size_t>(n) : values;
  }
  if (pick > values) pick = values;
  return c.arg(pick).Str();
}

std::string_view Chr(Call& c) {
  c.buf.assign(1, static_cast<char>(c.arg(0).Int() & 0xFF));
  return c.buf;
}

std::string_view Clip(Call& c) {
  return TrimRight(c.arg(0).Str());
}

std::string_view Deformat(Call& c) {
  c.buf.clear();
  if (c.argc() < 2) {
    std::string_view s = c.arg(0).Str();
    bool negative = s.find_first_of("-(") != std::string_view::npos;
    if (negative) c.buf += '-';
    for (char ch : s) {
      if ((ch >= '0' && ch <= '9') || ch == '.') c.buf += ch;
    }
    if (c.buf == "-") c.buf.clear();
    return c.buf;
  }
  const Picture* picture = c.PictureOf(1);
  if (picture == nullptr) return c.buf;
  DeformatResult r = picture->Deformat(c.arg(0).Str());
  if (!r.ok()) return c.buf;
  if (picture->type() == PictureType::kString) {
    c.buf = std::move(r.text);
  } else {
    AppendNumber(r.number, &c.buf);
  }
  return c.buf;
}

std::string_view Format(Call& c) {
  const Picture* picture = c.PictureOf(1);
  if (picture == nullptr) {
    c.buf.clear();
  } else if (IsText(c.arg(0).type())) {
    c.buf = picture->FormatText(c.arg(0).Str());
  } else {
    c.buf = picture->FormatNumber(c.arg(0).Real());
  }
  return c.buf;
}

std::string_view GetIni(Call& c) {
  std::string section(c.arg(0).Str());
  std::string entry(c.arg(1).Str());
  std::string fallback(c.argc() > 2 ? c.arg(2).Str() : std::string_view());
  std::string file(c.argc() > 3 ? TrimRight(c.arg(3).Str()) : std::string_view("kavo.INI"));
  c.buf = ReadIniEntry(file, section, entry, fallback);
  return c.buf;
}

std::string_view Left(Call& c) {
  std::string_view s = c.arg(0).Str();
  size_t len = LengthArg(c, s);
  c.buf.assign(TrimLeft(s).substr(0, len));
  c.buf.append(len - c.buf.size(), ' ');
  return c.buf;
}

std::string_view Right(Call& c) {
  std::string_view s = c.arg(0).Str();
  size_t len = LengthArg(c, s);
  std::string_view t = TrimRight(s);
  if (t.size() > len) t = t.substr(t.size() - len);
  c.buf.assign(len - t.size(), ' ');
  c.buf.append(t);
  return c.buf;
}

std::string_view Fold(Call& c, uint8_t from_class) {
  const CharTables& t = *c.tables;
  std::string_view s = c.arg(0).Str();
  c.buf.resize(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    c.buf[i] = static_cast<char>((t.klass[b] & from_class) ? t.partner[b] : b);
  }
  return c.buf;
}
std::string_view UpperFn(Call& c) {
  return Fold(c, kClassLower);
}
std::string_view LowerFn(Call& c) {
  return Fold(c, kClassUpper);
}

std::string_view Sub(Call& c) {
  std::string_view s = c.arg(0).Str();
  int64_t pos = c.arg(1).Int();
  int64_t len = c.IntOr(2, 1);
  int64_t size = static_cast<int64_t>(s.size());
  if (pos < 0) pos = size + pos + 1;
  if (pos < 1 || pos > size || len <= 0) return {};
  return s.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(std::min(len, size - pos + 1)));
}

constexpr ExprType kI = ExprType::kInteger;
constexpr ExprType kR = ExprType::kReal;
constexpr ExprType kS = ExprType::kString;

Builtin I(const char* name, int min, int max, IntFn fn) {
  return {{name, min, max, kI}, fn};
}
Builtin R(const char* name, int min, int max, RealFn fn) {
  return {{name, min, max, kR}, nullptr, fn};
}
Builtin S(const char* name, int min, int max, TextFn fn) {
  return {{name, min, max, kS}, nullptr, nullptr, fn};
}

const std::vector<Builtin>& Table() {
  static const std::vector<Builtin> table = {
      R("ABS", 1, 1, Abs),           R("ACOS", 1, 1, Acos),         S("AGE", 1, 2, Age),
      S("ALL", 1, 2, All),           R("ASIN", 1, 1, Asin),         R("ATAN", 1, 1, Atan),
      I("BAND", 2, 2, Band),         I("BOR", 2, 2, Bor),           I("BSHIFT", 2, 2, Bshift),
      I("BXOR", 2, 2, Bxor),         S("CENTER", 1, 2, Center),     S("CHOOSE", 2, 25, Choose),
      S("CHR", 1, 1, Chr),           S("CLIP", 1, 1, Clip),         I("CLOCK", 0, 0, ClockFn),
      R("COS", 1, 1, Cos),           I("DATE", 3, 3, DateFn),       I("DAY", 1, 1, DayFn),
      S("DEFORMAT", 1, 2, Deformat), S("FORMAT", 2, 2, Format),     S("GETINI", 2, 4, GetIni),
      I("INRANGE", 3, 3, Inrange),   I("INT", 1, 1, IntFn_),        S("LEFT", 1, 2, Left),
      I("LEN", 1, 1, Len),           R("LOG10", 1, 1, Log10),       R("LOGE", 1, 1, LogE),
      S("LOWER", 1, 1, LowerFn),     I("MEMORY", 0, 1, Memory),     I("MONTH", 1, 1, MonthFn),
      I("NUMERIC", 1, 1, Numeric),   I("RANDOM", 2, 2, Random),     S("RIGHT", 1, 2, Right),
      R("ROUND", 1, 2, Round),       R("SIN", 1, 1, Sin),           R("SQRT", 1, 1, Sqrt),
      S("SUB", 2, 3, Sub),           R("TAN", 1, 1, Tan),           I("TODAY", 0, 0, TodayFn),
      S("UPPER", 1, 1, UpperFn),     I("VAL", 1, 1, Val),           I("YEAR", 1, 1, YearFn),
      I("INLIST", 2, 25, Inlist),    I("INSTRING", 2, 4, Instring),
  };
  return table;
}

class IntegerCall final : public IntegralNode {
 public:
  IntegerCall(IntFn fn, Call call)
      : IntegralNode(ExprType::kInteger, DepthOver(call.args)), fn_(fn), call_(std::move(call)) {}
  int32_t Int() override { return fn_(call_); }

 private:
  IntFn fn_;
  Call call_;
};

class RealCall final : public RealNode {
 public:
  RealCall(RealFn fn, Call call)
      : RealNode(DepthOver(call.args)), fn_(fn), call_(std::move(call)) {}
  double Real() override { return fn_(call_); }

 private:
  RealFn fn_;
  Call call_;
};

class TextCall final : public TextNode {
 public:
  TextCall(TextFn fn, Call call)
      : TextNode(ExprType::kString, DepthOver(call.args)), fn_(fn), call_(std::move(call)) {}
  std::string_view Str() override { return fn_(call_); }

  // The class whose letters this call folds (UPPER: lower-case letters,
  // LOWER: upper-case ones), 0 for any other function.
  uint8_t FoldedClass() const {
    if (fn_ == UpperFn) return kClassLower;
    if (fn_ == LowerFn) return kClassUpper;
    return 0;
  }
  NodePtr TakeArgument() { return std::move(call_.args[0]); }

 private:
  TextFn fn_;
  Call call_;
};

// A text comparison whose sides are folded by UPPER or LOWER on the fly:
// each byte is mapped through one table that combines the fold with the
// collation weight, so no folded copy is built. The result is the same as
// comparing the folded texts, blank padding included.
class FoldedComparison final : public Node {
 public:
  FoldedComparison(CompareOp op, NodePtr left, uint8_t left_class, NodePtr right,
                   uint8_t right_class, const CharTables& t)
      : Node(ExprType::kBoolean, 1 + std::max(left->depth(), right->depth())),
        op_(op),
        left_(std::move(left)),
        right_(std::move(right)) {
    for (int c = 0; c < 256; ++c) {
      uint8_t b = static_cast<uint8_t>(c);
      left_weight_[c] = t.collation[(t.klass[b] & left_class) ? t.partner[b] : b];
      right_weight_[c] = t.collation[(t.klass[b] & right_class) ? t.partner[b] : b];
    }
    blank_ = t.collation[static_cast<uint8_t>(' ')];
  }
  int32_t Int() override { return Truth() ? 1 : 0; }
  double Real() override { return Truth() ? 1.0 : 0.0; }
  std::string_view Str() override { return Truth() ? "1" : "0"; }
  bool Truth() override { return Satisfies(op_, Compare(left_->Str(), right_->Str())); }

 private:
  int Compare(std::string_view a, std::string_view b) const {
    const auto* x = reinterpret_cast<const uint8_t*>(a.data());
    const auto* y = reinterpret_cast<const uint8_t*>(b.data());
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      uint8_t wx = left_weight_[x[i]], wy = right_weight_[y[i]];
      if (wx != wy) return wx < wy ? -1 : 1;
    }
    for (size_t i = n; i < a.size(); ++i) {
      if (left_weight_[x[i]] != blank_) return left_weight_[x[i]] < blank_ ? -1 : 1;
    }
    for (size_t i = n; i < b.size(); ++i) {
      if (right_weight_[y[i]] != blank_) return blank_ < right_weight_[y[i]] ? -1 : 1;
    }
    return 0;
  }

  CompareOp op_;
  NodePtr left_;
  NodePtr right_;
  uint8_t left_weight_[256];
  uint8_t right_weight_[256];
  uint8_t blank_;
};

uint8_t FoldedClassOf(const NodePtr& node) {
  auto* call = dynamic_cast<TextCall*>(node.get());
  return call != nullptr ? call->FoldedClass() : 0;
}

// The text a side compares: the argument of its UPPER or LOWER, or itself.
NodePtr Unfolded(NodePtr node) {
  auto* call = dynamic_cast<TextCall*>(node.get());
  if (call == nullptr || call->FoldedClass() == 0) return node;
  return call->TakeArgument();
}

}  // namespace

int BuiltinCount() {
  return static_cast<int>(Table().size());
}

const BuiltinInfo& BuiltinAt(int function) {
  return Table()[static_cast<size_t>(function)].info;
}

int FindBuiltin(std::string_view name) {
  for (int i = 0; i < BuiltinCount(); ++i) {
    if (name == BuiltinAt(i).name) return i;
  }
  return -1;
}

NodePtr MakeFoldedComparison(CompareOp op, NodePtr& left, NodePtr& right) {
  if (!IsText(left->type()) || !IsText(right->type())) return nullptr;
  uint8_t left_class = FoldedClassOf(left);
  uint8_t right_class = FoldedClassOf(right);
  if (left_class == 0 && right_class == 0) return nullptr;
  NodePtr l = Unfolded(std::move(left));
  NodePtr r = Unfolded(std::move(right));
  return std::make_unique<FoldedComparison>(op, std::move(l), left_class, std::move(r), right_class,
                                            ProcessCharTables());
}

NodePtr MakeCall(int function, NodeList args) {
  const Builtin& b = Table()[static_cast<size_t>(function)];
  Call call;
  call.args = std::move(args);
  call.tables = &ProcessCharTables();
  if (b.int_fn != nullptr) return std::make_unique<IntegerCall>(b.int_fn, std::move(call));
  if (b.real_fn != nullptr) return std::make_unique<RealCall>(b.real_fn, std::move(call));
  return std::make_unique<TextCall>(b.text_fn, std::move(call));
}

std::string ReadIniEntry(std::string_view path, std::string_view section, std::string_view entry,
                         std::string_view fallback) {
  // Settings files are small; only regular files are read (a device or a
  // pipe named in an expression must not block or flood the evaluation), and
  // only their first megabyte.
  constexpr size_t kMaxBytes = 1 << 20;
  std::string name(path);
  struct stat st;
  if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::string(fallback);
  std::ifstream in{name, std::ios::binary};
  if (!in) return std::string(fallback);
  std::string content(std::min<size_t>(static_cast<size_t>(st.st_size), kMaxBytes), '\0');
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  content.resize(static_cast<size_t>(in.gcount()));
  section = Trim(section);
  entry = Trim(entry);
  bool in_section = false;
  std::string_view rest = content;
  while (!rest.empty()) {
    size_t eol = rest.find('\n');
    std::string_view l = Trim(rest.substr(0, eol));
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (!l.empty() && l.front() == '[') {
      size_t close = l.find(']');
      in_section =
          close != std::string_view::npos && EqualsNoCase(Trim(l.substr(1, close - 1)), section);
      continue;
    }
    if (!in_section) continue;
    size_t eq = l.find('=');
    if (eq == std::string_view::npos || !EqualsNoCase(Trim(l.substr(0, eq)), entry)) continue;
    return std::string(Trim(l.substr(eq + 1)));
  }
  return std::string(fallback);
}

}  // namespace kavo::expr
