// Filters of views: a table's record buffer bound for expressions, and the
// list of conditions a view tests for every record combination it reads.
//
// A view compiles its filter once, when the filter is set; names are resolved
// then (every variable the filter names must already be bound) and values
// are read at every test. Join conditions tie each secondary table to its
// parent: for each component of the joining key, child field = parent field,
// both sides in LOWER when the key is NOCASE. A combination passes only when
// every condition is true; the conditions are tested in order and the test
// stops at the first false one.
//
// A filter text that fails to compile leaves the view without a filter (it
// then passes every record, as the view-open warning announces: "Filter and
// Range Limits ignored") and returns the error, which is also posted.
#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "expr/expr.h"
#include "expr/expr_scope.h"
#include "runtime/status.h"
#include "runtime/table_def.h"

namespace kavo::expr {

// The variable of field f in a record buffer; false for fields an expression
// cannot read (ARRAY, BLOB, unknown codes, sizes that do not fit the type).
bool FieldVar(const FieldDef& f, const uint8_t* record, VarRef* out);

// Binds every readable field of the table in the scopes' current scope,
// under its full name ("AAA:DIAPAZ") and its label ("DIAPAZ"), as
// BindScopes::BindRecord does.
void BindTable(BindScopes& scopes, const TableDef& def, const uint8_t* record);

class ViewConditions {
 public:
  // Sets the filter; an empty or all-blank text means none.
  Status SetFilter(std::string_view text, BindScopes& scopes = BindScopes::ForThread());

  // Adds the join conditions of a secondary table: child key `key`'s
  // components against parent_fields in order (pairs beyond the shorter list
  // are not joined). Error 78 (Invalid Parameter Count) without any pair, or
  // for a key or field that cannot be read.
  Status AddJoin(const TableDef& child, const uint8_t* child_record, int key,
                 std::span<const VarRef> parent_fields);

  void ClearJoins() { joins_.clear(); }
  bool has_filter() const { return filter_ != nullptr; }

  // Whether the current record combination passes every condition.
  bool Test();

 private:
  NodePtr filter_;
  NodeList joins_;
};

// A filter over the rows of one table, with the table's fields bound in a
// scope of their own: what a tool uses to list only the rows that pass.
class RecordFilter {
 public:
  static Status Compile(const TableDef& def, const uint8_t* record, std::string_view text,
                        std::unique_ptr<RecordFilter>* out);

  // The filter's truth for the row now in the record buffer.
  bool Matches() { return expression_->Test(); }

 private:
  explicit RecordFilter(std::unique_ptr<Expression> e) : expression_(std::move(e)) {}

  std::unique_ptr<Expression> expression_;
};

}  // namespace kavo::expr
