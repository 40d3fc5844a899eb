#include "reports/print_command.h"

#include <charconv>
#include <filesystem>
#include <ostream>

#include "data/context.h"
#include "data/globals.h"
#include "reports/log_reports.h"
#include "reports/report_procedure.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "store/table.h"

namespace kavo::reports {
namespace {

// The selection options that fill a field of the highlighted contact, as the
// calling browse would leave it in the record buffer.
struct RecordOption {
  const char* option;
  std::optional<std::string> PrintOptions::*value;
  const char* field;
};
constexpr RecordOption kRecordOptions[] = {
    {"--country", &PrintOptions::country, "AAA:PREF"},
    {"--mode", &PrintOptions::mode, "AAA:MODE"},
    {"--region", &PrintOptions::region, "AAA:PR"},
};

bool ParseInt(std::string_view text, int32_t* out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseDate(std::string_view text, int32_t* out) {
  int32_t y, m, d;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ParseInt(text.substr(0, 4), &y) ||
      !ParseInt(text.substr(5, 2), &m) || !ParseInt(text.substr(8, 2), &d)) {
    return false;
  }
  *out = DateFromParts(y, m, d);
  return *out > 0;
}

bool ParseBand(std::string_view text, double* out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && end == text.data() + text.size() && *out > 0;
}

bool ParseTags(std::string_view text, std::vector<int32_t>* out) {
  while (true) {
    size_t comma = text.find(',');
    int32_t n;
    if (!ParseInt(text.substr(0, comma), &n) || n <= 0) return false;
    out->push_back(n);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

bool Binds(const ReportInstance& r, SelectionVar var) {
  for (const BoundName& b : r.bound) {
    if (b.var == var) return true;
  }
  return false;
}

bool Saves(const ReportInstance& r, std::string_view field) {
  for (const SavedSelection& s : r.saved) {
    if (s.field == field) return true;
  }
  return false;
}

// The first option given that `report` has no use for, or nullptr.
const char* UnusedOption(const PrintOptions& o, const ReportInstance& r) {
  if ((o.from || o.to || o.title) && !r.period_dialog) return "--from/--to/--title";
  if (o.band && !Binds(r, SelectionVar::kDIAPAZ)) return "--band";
  if (o.qso && !Binds(r, SelectionVar::kQSO)) return "--qso";
  if (!o.tags.empty()) return "--tag";
  for (const RecordOption& ro : kRecordOptions) {
    if (o.*ro.value && !Saves(r, ro.field) &&
        !(ro.field == std::string_view("AAA:MODE") && Binds(r, SelectionVar::kMODE))) {
      return ro.option;
    }
  }
  return nullptr;
}

// The services of a run without windows: the period dialog takes its values
// from the options, and the "preview" writes the PDF.
class CommandServices final : public ReportServices {
 public:
  CommandServices(const PrintOptions& options, const PdfWriter& write_pdf, TodayService& today)
      : options_(options), write_pdf_(write_pdf), today_(today) {}

  void SETDATA() override {
    SETDATAStart(today_);
    if (options_.from) D1 = *options_.from;
    if (options_.to) D2 = *options_.to;
    if (options_.title) ZAGOL.Set(*options_.title);
    SETDATAEnd();
  }

  bool ReportPreview(const PrintPreviewQueue& queue) override {
    pages_ = queue.size();
    written_ = write_pdf_(queue, options_.pdf);
    return false;
  }

  void PrintPages(const PrintPreviewQueue&) override {}

  const Status& written() const { return written_; }
  size_t pages() const { return pages_; }

 private:
  const PrintOptions& options_;
  const PdfWriter& write_pdf_;
  TodayService& today_;
  Status written_;
  size_t pages_ = 0;
};

// Fills the record buffer's fields that the selection options name.
void FillSelection(const PrintOptions& o, Table& table) {
  for (const RecordOption& ro : kRecordOptions) {
    if (!(o.*ro.value)) continue;
    int index = table.def().FindField(ro.field);
    if (index < 0) continue;
    const FieldDef& f = table.def().fields[static_cast<size_t>(index)];
    std::string value = Cp1251FromUtf8(*(o.*ro.value));
    value.resize(f.size, ' ');
    value.copy(reinterpret_cast<char*>(table.record()) + f.offset, f.size);
  }
}

}  // namespace

bool ParsePrintOptions(std::span<const std::string> args, PrintOptions* out, std::string* error) {
  PrintOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!o.report.empty()) {
        *error = "unexpected argument: " + arg;
        return false;
      }
      o.report = arg;
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = arg + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (arg == "--from" || arg == "--to") {
      int32_t date = 0;
      ok = ParseDate(value, &date);
      (arg == "--from" ? o.from : o.to) = date;
    } else if (arg == "--title") {
      o.title = Cp1251FromUtf8(value);
    } else if (arg == "--country") {
      o.country = value;
    } else if (arg == "--mode") {
      o.mode = value;
    } else if (arg == "--region") {
      o.region = value;
    } else if (arg == "--band") {
      double band = 0;
      ok = ParseBand(value, &band);
      o.band = band;
    } else if (arg == "--qso") {
      int32_t qso = 0;
      ok = ParseInt(value, &qso) && qso > 0;
      o.qso = qso;
    } else if (arg == "--tag") {
      ok = ParseTags(value, &o.tags);
    } else if (arg == "--pdf") {
      o.pdf = value;
      ok = !value.empty();
    } else {
      *error = "unknown option: " + arg;
      return false;
    }
    if (!ok) {
      *error = "bad value for " + arg + ": " + value;
      return false;
    }
  }
  if (o.report.empty()) {
    *error = "no report named";
    return false;
  }
  if (o.pdf.empty()) {
    *error = "--pdf FILE is required";
    return false;
  }
  *out = std::move(o);
  return true;
}

int RunPrintCommand(std::span<const std::string> args, const std::string& directory,
                    const PdfWriter& write_pdf, TodayService& today, std::ostream& err) {
  PrintOptions options;
  std::string error;
  if (!ParsePrintOptions(args, &options, &error)) {
    err << "kavo print: " << error << "\n";
    return kPrintBadOption;
  }
  const ReportInstance* report = FindLogReport(options.report);
  if (report == nullptr) {
    err << "kavo print: no report named " << options.report << "; reports:";
    for (const ReportInstance* r : LogReports()) err << " " << r->name;
    err << "\n";
    return kPrintBadOption;
  }
  if (const char* unused = UnusedOption(options, *report)) {
    err << "kavo print: " << report->name << " does not use " << unused << "\n";
    return kPrintBadOption;
  }
  if (Binds(*report, SelectionVar::kDIAPAZ) && !options.band) {
    err << "kavo print: " << report->name << " needs --band MHZ\n";
    return kPrintBadOption;
  }
  if (Binds(*report, SelectionVar::kQSO) && !options.qso) {
    err << "kavo print: " << report->name << " needs --qso N\n";
    return kPrintBadOption;
  }

  DataContext context(directory);
  DataFile& primary = FileOf(context, report->primary);
  if (!std::filesystem::exists(ParseTableName(primary.path()).file)) {
    err << "kavo print: no " << primary.def().disk_name << " in "
        << (directory.empty() ? "the working directory" : directory) << "\n";
    return kPrintBadOption;
  }
  if (options.band) DIAPAZ = *options.band;
  if (options.qso) QSO = *options.qso;
  if (options.mode) MODE.Set(Cp1251FromUtf8(*options.mode));

  CommandServices services(options, write_pdf, today);
  // Like the calling browse, hold the primary table with the selection in
  // its record buffer while the report runs.
  UseFile(primary, 1);
  primary.file().ClearRecord();
  FillSelection(options, primary.file());
  ReportOutcome outcome;
  {
    ReportProcedure procedure(*report, context, services);
    procedure.RunWithoutWindow();
    outcome = procedure.outcome();
  }
  ReleaseFile(primary);

  switch (outcome) {
    case ReportOutcome::kPreviewed:
      if (!services.written().ok()) {
        const Status& st = services.written();
        err << "kavo print: cannot write " << options.pdf << ": "
            << (st.detail().empty() ? Utf8FromCp1251(ErrorText(st.code())) : st.detail()) << "\n";
        return kPrintFailed;
      }
      err << "kavo print: " << report->name << ": " << services.pages() << " page(s) written to "
          << options.pdf << "\n";
      return kPrintWritten;
    case ReportOutcome::kEmpty:
      err << "kavo print: " << report->name << ": no record matched the selection\n";
      return kPrintNothingMatched;
    default:
      err << "kavo print: " << report->name << ": the report was not completed\n";
      return kPrintFailed;
  }
}

}  // namespace kavo::reports
