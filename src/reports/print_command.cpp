#include "reports/print_command.h"

#include <charconv>
#include <filesystem>
#include <ostream>

#include "data/context.h"
#include "data/dict_records.h"
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

// "N,N,...": positive numbers.
bool ParseNumbers(std::string_view text, std::vector<int32_t>* out) {
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
  if (!o.qsos.empty() && !Binds(r, SelectionVar::kQSO)) return "--qso";
  if ((!o.tags.empty() || o.labels) && !r.routine) return "--labels/--tag";
  for (const RecordOption& ro : kRecordOptions) {
    if (o.*ro.value && !Saves(r, ro.field) &&
        !(ro.field == std::string_view("AAA:MODE") && Binds(r, SelectionVar::kMODE))) {
      return ro.option;
    }
  }
  return nullptr;
}

// The services of a run without windows: the period dialog takes its values
// from the options, and the "preview" gathers the pages, those of several
// runs one after the other, for the PDF written at the end.
class CommandServices final : public ReportServices {
 public:
  CommandServices(const PrintOptions& options, TodayService& today)
      : options_(options), today_(today) {}

  void SETDATA() override {
    SETDATAStart(today_);
    if (options_.from) D1 = *options_.from;
    if (options_.to) D2 = *options_.to;
    if (options_.title) ZAGOL.Set(*options_.title);
    SETDATAEnd();
  }

  bool ReportPreview(const PrintPreviewQueue& queue) override {
    for (size_t i = 0; i < queue.size() && gathered_.ok(); ++i) {
      PageImage page;
      gathered_ = queue.ReadPage(i, &page);
      if (gathered_.ok()) gathered_ = pages_.AddPage(page);
    }
    return false;
  }

  void PrintPages(const PrintPreviewQueue&) override {}

  const PrintPreviewQueue& pages() const { return pages_; }
  // Not OK when a page could not be read back or kept.
  const Status& gathered() const { return gathered_; }

 private:
  const PrintOptions& options_;
  TodayService& today_;
  PrintPreviewQueue pages_;
  Status gathered_;
};

// The status's own words, or the text of its error code.
std::string Reason(const Status& st) {
  return st.detail().empty() ? Utf8FromCp1251(ErrorText(st.code())) : st.detail();
}

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

// Tags the contacts numbered `numbers`, as the browse would; numbers that no
// contact has are reported and left out. False when none was found.
bool TagContacts(const std::vector<int32_t>& numbers, DataContext& context, std::ostream& err) {
  if (numbers.empty()) return true;
  DataFile& log = context.AAAA;
  UseFile(log, 1);
  Table& table = log.file();
  const int key = table.def().FindKey("AAA:BEY_N");
  for (int32_t number : numbers) {
    table.ClearRecord();
    auto& rec = *reinterpret_cast<dict::AAAARecord*>(table.record());
    if (key >= 0 && rec.N_QSO.set(number) && table.Get(key).ok()) {
      TAG_AAAA.Add(static_cast<int32_t>(table.Pointer()));
    } else {
      err << "kavo print: no contact numbered " << number << "; skipped\n";
    }
  }
  ReleaseFile(log);
  return TAG_AAAA.Records() > 0;
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
      ok = ParseNumbers(value, &o.qsos);
    } else if (arg == "--labels") {
      int32_t across = 0;
      ok = ParseInt(value, &across) && (across == 2 || across == 3);
      o.labels = across;
    } else if (arg == "--tag") {
      ok = ParseNumbers(value, &o.tags);
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
  if (o.report.empty() && o.labels) o.report = *o.labels == 3 ? "PECAT_NAKL" : "PEC1_NAKL";
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
  if (Binds(*report, SelectionVar::kQSO) && options.qsos.empty()) {
    err << "kavo print: " << report->name << " needs --qso N,N,...\n";
    return kPrintBadOption;
  }

  DataContext context(directory);
  DataFile& primary = FileOf(context, report->primary);
  if (!std::filesystem::exists(ParseTableName(primary.path()).file)) {
    err << "kavo print: no " << primary.def().disk_name << " in "
        << (directory.empty() ? "the working directory" : directory) << "\n";
    return kPrintBadOption;
  }
  if (report->routine && options.tags.empty()) {
    err << "kavo print: " << report->name << " needs --tag N,N,...\n";
    return kPrintBadOption;
  }
  if (!TagContacts(options.tags, context, err)) {
    err << "kavo print: " << report->name << ": no record matched the selection\n";
    return kPrintNothingMatched;
  }
  if (options.band) DIAPAZ = *options.band;
  if (options.mode) MODE.Set(Cp1251FromUtf8(*options.mode));

  CommandServices services(options, today);
  // A QSL card per QSO number, each a run of its own; other reports run once.
  std::vector<int32_t> numbers = options.qsos;
  if (numbers.empty()) numbers.push_back(0);
  size_t previewed = 0;
  for (int32_t number : numbers) {
    if (number != 0) QSO = number;
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
    if (outcome == ReportOutcome::kPreviewed) {
      ++previewed;
    } else if (outcome == ReportOutcome::kEmpty) {
      if (numbers.size() > 1) err << "kavo print: no contact numbered " << number << "; skipped\n";
    } else {
      err << "kavo print: " << report->name << ": the report was not completed\n";
      return kPrintFailed;
    }
  }
  if (previewed == 0) {
    err << "kavo print: " << report->name << ": no record matched the selection\n";
    return kPrintNothingMatched;
  }
  Status written = services.gathered();
  if (written.ok()) written = write_pdf(services.pages(), options.pdf);
  if (!written.ok()) {
    err << "kavo print: cannot write " << options.pdf << ": " << Reason(written) << "\n";
    return kPrintFailed;
  }
  err << "kavo print: " << report->name << ": " << services.pages().size() << " page(s) written to "
      << options.pdf << "\n";
  return kPrintWritten;
}

}  // namespace kavo::reports
