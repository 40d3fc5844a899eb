// Binding scopes and the name rules shared with the lexer.
#include "expr/expr_scope.h"

#include <cstdio>
#include <cstdlib>

#include "expr/expr_builtins.h"
#include "runtime/errors.h"

namespace kavo::expr {

namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

class DefaultFatalErrorService : public FatalErrorService {
 public:
  void Halt(int code, std::string_view text) override {
    std::fprintf(stderr, "Runtime error: %.*s (%d)\n", static_cast<int>(text.size()), text.data(),
                 code);
    std::exit(EXIT_FAILURE);
  }
};

FatalErrorService* g_fatal = nullptr;

FatalErrorService& Fatal() {
  static DefaultFatalErrorService fallback;
  return g_fatal != nullptr ? *g_fatal : fallback;
}

struct KeywordName {
  const char* name;
  Keyword keyword;
};
constexpr KeywordName kKeywords[] = {
    {"AND", Keyword::kAnd}, {"OR", Keyword::kOr}, {"XOR", Keyword::kXor}, {"NOT", Keyword::kNot}};

}  // namespace

size_t NameLength(std::string_view text) {
  if (text.empty() || !(IsLetter(text[0]) || text[0] == '?')) return 0;
  size_t i = 1;
  while (i < text.size() &&
         (IsLetter(text[i]) || IsDigit(text[i]) || text[i] == '_' || text[i] == ':')) {
    ++i;
  }
  if (i < text.size() && (text[i] == '#' || text[i] == '$' || text[i] == '"')) ++i;
  return i;
}

std::string NormalizeName(std::string_view text) {
  std::string name(text.substr(0, NameLength(text.substr(0, kMaxNameLength))));
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

void SetFatalErrorService(FatalErrorService* service) {
  g_fatal = service;
}

BindScopes::BindScopes() = default;
BindScopes::~BindScopes() = default;

BindScopes& BindScopes::ForThread() {
  thread_local BindScopes scopes;
  return scopes;
}

bool BindScopes::Bind(std::string_view name, const VarRef& var) {
  std::string key = NormalizeName(name);
  if (key.empty() || !IsValid(var)) return false;
  PrepareCurrent();
  Binding& b = current_.names[key];
  b = Binding{};
  b.kind = Binding::Kind::kVariable;
  b.var = var;
  return true;
}

void BindScopes::BindRecord(std::span<const RecordField> fields) {
  PrepareCurrent();
  for (const RecordField& f : fields) {
    if (!f.label.empty() && Find(current_, NormalizeName(f.label)) == nullptr) {
      Bind(f.label, f.var);
    }
    if (!f.prefixed.empty()) Bind(f.prefixed, f.var);
  }
}

void BindScopes::Push(int visible_outside) {
  current_.stop = visible_outside == 0;
  saved_.push_back(std::move(current_));
  current_ = Scope{};
}

void BindScopes::Pop() {
  if (saved_.empty()) {
    Fatal().Halt(err::kMismatchedScope, "Mismatched POPSCOPE");
    return;
  }
  current_ = std::move(saved_.back());
  current_.stop = false;
  saved_.pop_back();
}

void BindScopes::PrepareCurrent() {
  current_.filled = true;
}

const Binding* BindScopes::Find(const Scope& scope, const std::string& key) {
  auto it = scope.names.find(key);
  if (it != scope.names.end()) return &it->second;
  if (!scope.filled) return nullptr;
  static const std::unordered_map<std::string, Binding> builtins = [] {
    std::unordered_map<std::string, Binding> m;
    for (const KeywordName& k : kKeywords) {
      Binding b;
      b.kind = Binding::Kind::kKeyword;
      b.keyword = k.keyword;
      m[k.name] = b;
    }
    for (int i = 0; i < BuiltinCount(); ++i) {
      Binding b;
      b.kind = Binding::Kind::kFunction;
      b.function = i;
      m[BuiltinAt(i).name] = b;
    }
    return m;
  }();
  auto b = builtins.find(key);
  return b != builtins.end() ? &b->second : nullptr;
}

const Binding* BindScopes::Lookup(std::string_view name) const {
  std::string key = NormalizeName(name);
  if (key.empty()) return nullptr;
  if (const Binding* b = Find(current_, key)) return b;
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->stop) break;
    if (const Binding* b = Find(*it, key)) return b;
  }
  return nullptr;
}

}  // namespace kavo::expr
