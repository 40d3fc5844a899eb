#include "reports/report_view.h"

#include "runtime/errors.h"

namespace kavo::reports {

Status TableReportView::SetOrder(std::string_view key_name) {
  int key = file_.def().FindKey(key_name);
  if (key < 0) return Status::Error(err::kInvalidKeyFile, std::string(key_name));
  key_ = key;
  return Status::OK();
}

Status TableReportView::SetFilter(std::string_view filter, expr::BindScopes& scopes) {
  return conditions_.SetFilter(filter, scopes);
}

Status TableReportView::Open() {
  Table& table = file_.file();
  return key_ < 0 ? table.Set() : table.SetKey(key_);
}

Status TableReportView::Next() {
  Table& table = file_.file();
  for (;;) {
    KAVO_RETURN_IF_ERROR(table.Next());
    if (!conditions_.has_filter() || conditions_.Test()) return Status::OK();
  }
}

}  // namespace kavo::reports
