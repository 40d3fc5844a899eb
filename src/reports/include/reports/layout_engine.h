// The layout engine: lays out one report's bands onto pages and stores each
// finished page as a page image in the report's preview queue.
//
// Pages are started by the first detail band that needs one; a page starts
// with its header. A detail band that would reach below the detail area
// finishes the current page (its footer is printed then) and goes to the
// top of a new one. The count total (CISLO) counts the detail bands printed
// so far, so each footer shows the running number up to its page.
//
// Field values are read when their band is printed: a header shows the
// values of the record whose band starts the page.
//
// REQUIRES: one thread at a time; the variables the resolver names stay valid
// and at the same address while the report is open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "expr/expr_var.h"
#include "reports/page_image.h"
#include "reports/print_preview_queue.h"
#include "reports/report_layout.h"
#include "runtime/status.h"

namespace kavo::reports {

// Finds the variable a layout field names; false when the name means nothing.
using FieldResolver = std::function<bool(std::string_view name, expr::VarRef* out)>;

class LayoutEngine {
 public:
  LayoutEngine();
  ~LayoutEngine();
  LayoutEngine(const LayoutEngine&) = delete;
  LayoutEngine& operator=(const LayoutEngine&) = delete;

  // Opens a report from `layout`: compiles the pictures and resolves every
  // field's name. Error 801 for a name that cannot be resolved, error 36 for
  // a bad picture or a detail band that does not fit into the detail area.
  Status Open(const ReportLayout& layout, const FieldResolver& resolve);
  bool is_open() const { return open_; }

  // Directs the finished pages into `queue` (not owned).
  void DirectPages(PrintPreviewQueue* queue) { queue_ = queue; }

  // Prints the detail band with the values now in the variables, starting a
  // new page first when the band does not fit. An error storing a finished
  // page is returned; the report should then be closed.
  Status PrintDetail();

  // Finishes the current page, if one is started, with its footer.
  Status FinishPage();

  // Closes the report; an unfinished page is dropped.
  void Close();

  // The count total and the current page number.
  int32_t CISLO() const { return CISLO_; }
  int32_t PAGECOUNT() const { return PAGECOUNT_; }

 private:
  struct Compiled;
  struct CompiledBand;

  void StartPage();
  void PrintBand(const CompiledBand& band, double x, double y);

  std::unique_ptr<Compiled> compiled_;
  PrintPreviewQueue* queue_ = nullptr;
  bool open_ = false;
  bool page_started_ = false;
  PageImage page_;
  double used_mm_ = 0;  // height of the detail area taken on this page
  int32_t CISLO_ = 0;
  int32_t PAGECOUNT_ = 0;
};

}  // namespace kavo::reports
