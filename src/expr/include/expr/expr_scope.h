// Binding scopes: the names an expression may use and what each one means.
//
// A binding maps a name to a variable (expr_var.h), a built-in function or
// one of the operator keywords AND, OR, XOR and NOT. Bindings live in scopes:
// the current scope and a stack of saved ones. Each procedure pushes a scope
// when it starts and pops it when it returns; a push with argument 0 hides
// every outer scope (the stop flag), any other argument leaves them visible.
// A fresh scope is filled with the built-in functions and keywords at the
// first bind or parse in it, so they are found in every scope and ahead of a
// variable of the same name bound further out.
//
// Names: a name is cut at its first character that cannot belong to a name
// (a letter or "?" first, then letters, digits, "_" and ":", then at most one
// of "#", "$" or a double quote), only its first 100 characters count, and
// case never matters. A second binding of a name in the same scope replaces
// the first.
//
// Every thread has its own scopes (ForThread), as every procedure runs its
// own window on its own thread. A BindScopes object is not shared between
// threads.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "expr/expr_var.h"

namespace kavo::expr {

inline constexpr size_t kMaxNameLength = 100;

enum class Keyword : uint8_t { kAnd, kOr, kXor, kNot };

struct Binding {
  enum class Kind : uint8_t { kVariable, kFunction, kKeyword };
  Kind kind = Kind::kVariable;
  VarRef var;        // kVariable
  int function = 0;  // kFunction: index into the built-in table (expr_builtins.h)
  Keyword keyword = Keyword::kAnd;
};

// Length of the name at the start of text (0 when text does not start with
// one), before the 100-character limit.
size_t NameLength(std::string_view text);

// The lookup form of a bind name: cut as above and folded to upper case;
// empty when the text does not start with a name.
std::string NormalizeName(std::string_view text);

// A field of a record structure: its label and, where it has one, its
// prefixed name ("DIAPAZ" and "AAA:DIAPAZ"); empty names are not bound.
struct RecordField {
  std::string_view label;
  std::string_view prefixed;
  VarRef var;
};

// Receives the fatal error of a pop without a matching push. The program
// installs one that shows the runtime's fatal-error box and ends the
// program; the default writes the text to stderr and exits.
class FatalErrorService {
 public:
  virtual ~FatalErrorService() = default;
  virtual void Halt(int code, std::string_view text) = 0;
};

// Installs the service for the whole process (nullptr: the default).
void SetFatalErrorService(FatalErrorService* service);

class BindScopes {
 public:
  BindScopes();
  ~BindScopes();
  BindScopes(const BindScopes&) = delete;
  BindScopes& operator=(const BindScopes&) = delete;

  // The calling thread's scopes.
  static BindScopes& ForThread();

  // BIND of a variable in the current scope. False (nothing bound) when the
  // name does not start with a name or the reference is not valid.
  bool Bind(std::string_view name, const VarRef& var);

  // BIND of a record structure: every field under its prefixed name, and
  // under its label unless the label already means something in the current
  // scope. Labels such as MODE, PR or DIAPAZ are also the names procedures
  // bind their own variables under ("UPPER(AAA:MODE) = UPPER(MODE)"); a
  // label that replaced such a binding would compare the field with itself.
  void BindRecord(std::span<const RecordField> fields);

  // PUSHBIND: a new empty current scope; the old one is saved with the stop
  // flag set when visible_outside is 0.
  void Push(int visible_outside);

  // POPBIND: restores the last saved scope. Without one: code 802 with
  // "Mismatched POPSCOPE" through the fatal-error service, and nothing
  // changes if the service returns.
  void Pop();

  // Number of saved scopes.
  size_t depth() const { return saved_.size(); }

  // Fills the current scope with the built-ins if it is still fresh; the
  // parser calls it before it looks names up.
  void PrepareCurrent();

  // The binding of a name (any case, cut as above) seen from the current
  // scope, or nullptr when it is bound nowhere visible.
  const Binding* Lookup(std::string_view name) const;

 private:
  struct Scope {
    std::unordered_map<std::string, Binding> names;
    bool filled = false;  // built-ins and keywords visible
    bool stop = false;    // saved with the stop flag: the search ends here
  };

  static const Binding* Find(const Scope& scope, const std::string& key);

  Scope current_;
  std::vector<Scope> saved_;
};

}  // namespace kavo::expr
