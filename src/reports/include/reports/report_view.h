// The view a report reads: one table in the order of one key, limited by a
// filter expression, read forward one record at a time into the table's
// record buffer.
//
// ReportView is an interface so that the report frame can be driven over a
// view that fails on purpose; TableReportView is the view over a data file.
//
// REQUIRES: one thread at a time; the table stays open while the view is.
#pragma once

#include <memory>
#include <string_view>

#include "data/context.h"
#include "expr/expr_scope.h"
#include "expr/expr_view.h"
#include "runtime/status.h"

namespace kavo::reports {

class ReportView {
 public:
  virtual ~ReportView() = default;
  // Chooses the key that orders the view, by its name ("AAA:BEY_DIAP").
  virtual Status SetOrder(std::string_view key_name) = 0;
  // Sets the filter; names resolve in `scopes` now. On error the view has no
  // filter and passes every record.
  virtual Status SetFilter(std::string_view filter, expr::BindScopes& scopes) = 0;
  // Positions before the first record in key order.
  virtual Status Open() = 0;
  // Reads the next record that passes the filter into the record buffer;
  // error 33 after the last one.
  virtual Status Next() = 0;
};

class TableReportView final : public ReportView {
 public:
  explicit TableReportView(DataFile& file) : file_(file) {}

  Status SetOrder(std::string_view key_name) override;
  Status SetFilter(std::string_view filter, expr::BindScopes& scopes) override;
  Status Open() override;
  Status Next() override;

 private:
  DataFile& file_;
  int key_ = -1;  // record order when no key is chosen
  expr::ViewConditions conditions_;
};

}  // namespace kavo::reports
