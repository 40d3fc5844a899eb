// `kavo print REPORT [options] --pdf FILE`: runs a report in the working
// directory through the report frame without a window and writes its pages
// as a PDF file. The options carry what the dialogs and the browse would
// supply: the period and title of the period dialog, the selection the
// browse's highlighted contact gives, the QSO numbers of the QSL cards
// (one run, and one page, per card), the tagged contacts of the labels.
//
// An option the report does not use is refused, so a script that asks for
// something the report cannot do hears about it.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "reports/print_preview_queue.h"
#include "reports/setdata.h"
#include "runtime/status.h"

namespace kavo::reports {

// Exit codes of the command.
inline constexpr int kPrintWritten = 0;
inline constexpr int kPrintBadOption = 1;
inline constexpr int kPrintNothingMatched = 2;
inline constexpr int kPrintFailed = 3;  // the pages or the PDF could not be written

struct PrintOptions {
  std::string report;
  std::optional<int32_t> from;  // day numbers
  std::optional<int32_t> to;
  std::optional<std::string> title;  // code page 1251
  std::optional<std::string> country;
  std::optional<double> band;
  std::optional<std::string> mode;
  std::optional<std::string> region;
  std::vector<int32_t> qsos;      // QSO numbers of the QSL cards, one card each
  std::optional<int32_t> labels;  // 2 or 3 across
  std::vector<int32_t> tags;      // QSO numbers
  std::string pdf;
};

// Parses the arguments after "print". False with a message (UTF-8) for a
// missing report or --pdf, an unknown option, a missing or malformed value.
bool ParsePrintOptions(std::span<const std::string> args, PrintOptions* out, std::string* error);

// Writes the pages of `queue` in order as a PDF file at `path`. The file
// appears whole or not at all: a failure leaves nothing at `path`. The
// status's detail, when set, says why in UTF-8.
using PdfWriter = std::function<Status(const PrintPreviewQueue& queue, const std::string& path)>;

// Runs the command in `directory` (the working directory when empty) and
// returns its exit code; messages go to `err` in UTF-8.
int RunPrintCommand(std::span<const std::string> args, const std::string& directory,
                    const PdfWriter& write_pdf, TodayService& today, std::ostream& err);

}  // namespace kavo::reports
