#include "tools/eval_command.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "expr/expr.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"

namespace kavo::tool {

namespace {

// The storage of the values bound from the command line; a deque keeps every
// address stable while more are added.
struct BoundValues {
  std::deque<int32_t> ints;
  std::deque<double> reals;
  std::deque<std::string> texts;
};

bool ParseQuoted(std::string_view v, std::string* out) {
  if (v.size() < 2 || v.front() != '\'' || v.back() != '\'') return false;
  out->clear();
  for (size_t i = 1; i + 1 < v.size(); ++i) {
    if (v[i] == '\'') {
      if (i + 2 >= v.size() || v[i + 1] != '\'') return false;
      ++i;
    }
    out->push_back(v[i]);
  }
  return true;
}

// Binds NAME=VALUE; false with a message for a malformed argument.
bool BindArgument(std::string_view arg, expr::BindScopes& scopes, BoundValues* values,
                  std::string* error) {
  size_t eq = arg.find('=');
  if (eq == std::string_view::npos || eq == 0) {
    *error = "--bind needs NAME=VALUE";
    return false;
  }
  std::string name(arg.substr(0, eq));
  std::string_view value = arg.substr(eq + 1);
  expr::VarRef var;
  if (!value.empty() && value.front() == '\'') {
    std::string text;
    if (!ParseQuoted(value, &text)) {
      *error = "unbalanced quotes in the value of " + name;
      return false;
    }
    // A CSTRING keeps an empty text empty; its terminator is the extra byte.
    values->texts.push_back(Cp1251FromUtf8(text) + '\0');
    std::string& t = values->texts.back();
    var = {t.data(), FieldType::kCString, static_cast<uint32_t>(t.size())};
  } else if (value.find('.') == std::string_view::npos) {
    int32_t v = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || end != value.data() + value.size()) {
      *error = "the value of " + name + " is not a 32-bit integer, a real or a quoted string";
      return false;
    }
    values->ints.push_back(v);
    var = expr::VarRef::Long(&values->ints.back());
  } else {
    double v = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || end != value.data() + value.size()) {
      *error = "the value of " + name + " is not a real";
      return false;
    }
    values->reals.push_back(v);
    var = expr::VarRef::Real(&values->reals.back());
  }
  if (!scopes.Bind(Cp1251FromUtf8(name), var)) {
    *error = "'" + name + "' is not a name";
    return false;
  }
  return true;
}

std::string ErrorLine(const Status& s) {
  return "error " + std::to_string(s.code()) + ": " + ErrorText(s.code()) + " (" + s.detail() + ")";
}

constexpr const char* kUsage =
    "usage: kavo-tool eval EXPR [--bind NAME=VALUE]...\n"
    "  VALUE: 'text' (a string), digits without a point (an integer), else a real\n";

}  // namespace

int RunEvalCommand(int argc, char** argv) {
  // The bindings live in a scope of their own: they point into `values`.
  expr::BindScopes scopes;
  BoundValues values;
  const char* text = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--bind") == 0) {
      std::string error = "--bind needs NAME=VALUE";
      if (i + 1 >= argc || !BindArgument(argv[++i], scopes, &values, &error)) {
        std::fprintf(stderr, "kavo-tool eval: %s\n%s", error.c_str(), kUsage);
        return 2;
      }
    } else if (text == nullptr) {
      text = argv[i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (text == nullptr) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string result;
  Status s = expr::Evaluate(Cp1251FromUtf8(text), &result, scopes);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", ErrorLine(s).c_str());
    return 1;
  }
  std::string out = Utf8FromCp1251(result);
  out.push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

std::unique_ptr<expr::RecordFilter> CompileRowFilter(const TableDef& def, const uint8_t* record,
                                                     std::string_view utf8_text,
                                                     std::string* error) {
  std::unique_ptr<expr::RecordFilter> filter;
  Status s = expr::RecordFilter::Compile(def, record, Cp1251FromUtf8(utf8_text), &filter);
  if (!s.ok()) *error = ErrorLine(s);
  return filter;
}

}  // namespace kavo::tool
