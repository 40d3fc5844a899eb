#include "expr/expr_view.h"

#include "expr/expr_builtins.h"
#include "expr/expr_parser.h"
#include "runtime/errors.h"

namespace kavo::expr {

namespace {

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

NodePtr Side(const VarRef& var, bool nocase) {
  NodePtr node = MakeVariable(var);
  if (!nocase) return node;
  NodeList args;
  args.push_back(std::move(node));
  return MakeCall(FindBuiltin("LOWER"), std::move(args));
}

}  // namespace

bool FieldVar(const FieldDef& f, const uint8_t* record, VarRef* out) {
  VarRef v;
  v.address = record + f.offset;
  v.type = f.type;
  v.places = f.places;
  v.size = f.size;
  if (f.elements > 1) {
    if (f.size % f.elements != 0) return false;
    v.size = f.size / f.elements;
    v.dim_count = 1;
    v.dims[0] = f.elements;
  }
  if (!IsValid(v)) return false;
  *out = v;
  return true;
}

void BindTable(BindScopes& scopes, const TableDef& def, const uint8_t* record) {
  std::vector<RecordField> fields;
  fields.reserve(def.fields.size());
  for (const FieldDef& f : def.fields) {
    RecordField rf;
    if (!FieldVar(f, record, &rf.var)) continue;
    std::string_view name = f.name;
    size_t colon = name.find(':');
    if (colon != std::string_view::npos && NameEquals(name.substr(0, colon), def.prefix)) {
      rf.prefixed = name;
      rf.label = name.substr(colon + 1);
    } else {
      rf.label = name;
    }
    fields.push_back(rf);
  }
  scopes.BindRecord(fields);
}

Status ViewConditions::SetFilter(std::string_view text, BindScopes& scopes) {
  filter_.reset();
  if (IsBlank(text)) {
    ClearError();
    return Status::OK();
  }
  NodePtr root;
  Status s = ParseExpression(text, scopes, &root);
  if (!s.ok()) {
    PostError(s.code());
    return s;
  }
  filter_ = std::move(root);
  ClearError();
  return s;
}

Status ViewConditions::AddJoin(const TableDef& child, const uint8_t* child_record, int key,
                               std::span<const VarRef> parent_fields) {
  if (key < 0 || static_cast<size_t>(key) >= child.keys.size()) {
    return Status::Error(err::kInvalidParameterCount, "no such key");
  }
  const KeyDef& k = child.keys[static_cast<size_t>(key)];
  size_t pairs = std::min(k.components.size(), parent_fields.size());
  if (pairs == 0) return Status::Error(err::kInvalidParameterCount, "nothing to join");
  NodeList added;
  for (size_t i = 0; i < pairs; ++i) {
    VarRef child_var;
    size_t field = k.components[i].field;
    if (field >= child.fields.size() || !FieldVar(child.fields[field], child_record, &child_var) ||
        !IsValid(parent_fields[i])) {
      return Status::Error(err::kInvalidParameterCount, "field cannot be joined");
    }
    added.push_back(MakeComparison(CompareOp::kEq, Side(child_var, k.nocase()),
                                   Side(parent_fields[i], k.nocase())));
  }
  for (NodePtr& n : added) joins_.push_back(std::move(n));
  return Status::OK();
}

bool ViewConditions::Test() {
  if (filter_ && !filter_->Truth()) return false;
  for (const NodePtr& join : joins_) {
    if (!join->Truth()) return false;
  }
  return true;
}

Status RecordFilter::Compile(const TableDef& def, const uint8_t* record, std::string_view text,
                             std::unique_ptr<RecordFilter>* out) {
  out->reset();
  BindScopes scopes;
  BindTable(scopes, def, record);
  std::unique_ptr<Expression> e;
  Status s = Expression::Compile(text, &e, scopes);
  if (s.ok()) out->reset(new RecordFilter(std::move(e)));
  return s;
}

}  // namespace kavo::expr
