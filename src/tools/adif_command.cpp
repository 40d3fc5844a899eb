#include "tools/adif_command.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "adif/adif_export.h"
#include "adif/adif_import.h"
#include "data/dict_tables.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "store/table.h"

namespace kavo::tool {
namespace {

constexpr char kImportUsage[] =
    "usage: kavo-tool import DIR FILE [--dry-run] [--truncate] [--replace]";
constexpr char kExportUsage[] =
    "usage: kavo-tool export DIR FILE [--from YYYY-MM-DD --to YYYY-MM-DD]";

int Fail(const std::string& message, int code = 1) {
  std::fprintf(stderr, "kavo-tool: %s\n", message.c_str());
  return code;
}

std::string Describe(const Status& st) {
  return ErrorText(st.code()) + " (" + std::to_string(st.code()) + ")";
}

// Opens DIR/NAME shared, as the program does; creates it first when asked
// and it is missing.
Status OpenTable(const std::string& dir, const TableDef& def, bool create, Table* table) {
  const std::string name = dir + "/" + def.disk_name;
  OpenOptions options;
  options.share = ShareMode::kDenyNone;
  Status st = table->Open(name, &def, options);
  if (st.code() == err::kFileNotFound && create) {
    KAVO_RETURN_IF_ERROR(Table::Create(name, def, options));
    st = table->Open(name, &def, options);
  }
  return st;
}

// A day number from "YYYY-MM-DD", 0 when the text is not such a date.
std::int32_t ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return 0;
  int parts[3] = {0, 0, 0};
  const std::size_t starts[3] = {0, 5, 8};
  const std::size_t lengths[3] = {4, 2, 2};
  for (int i = 0; i < 3; ++i) {
    for (std::size_t k = starts[i]; k < starts[i] + lengths[i]; ++k) {
      if (text[k] < '0' || text[k] > '9') return 0;
      parts[i] = parts[i] * 10 + (text[k] - '0');
    }
  }
  if (parts[0] < kFirstYear) return 0;
  const std::int32_t day = DateFromParts(parts[0], parts[1], parts[2]);
  return day > 0 ? day : 0;
}

}  // namespace

int RunImportCommand(int argc, char** argv) {
  adif::ImportOptions options;
  std::string positional[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--dry-run") {
      options.dry_run = true;
    } else if (arg == "--truncate") {
      options.mapping.truncate = true;
    } else if (arg == "--replace") {
      options.mapping.replace = true;
    } else if (arg.starts_with("--") || count == 2) {
      return Fail(kImportUsage, 2);
    } else {
      positional[count++] = std::string(arg);
    }
  }
  if (count != 2) return Fail(kImportUsage, 2);
  const std::string& dir = positional[0];
  const std::string& file = positional[1];
  if (!adif::FormatOfPath(file)) return Fail(file + ": the name must end in .adi or .adx");

  Table AAAA;
  Table DXCC;
  Status st = OpenTable(dir, dict::AAAA(), true, &AAAA);
  if (st.ok()) st = OpenTable(dir, dict::DXCC(), true, &DXCC);
  if (!st.ok()) return Fail(dir + ": " + Describe(st));
  const adif::ImportSummary summary = adif::ImportAdifFile(AAAA, DXCC, file, options);
  std::fputs(summary.Text().c_str(), stdout);
  if (!summary.failure.empty()) return 1;
  return summary.refused == 0 ? 0 : 1;
}

int RunExportCommand(int argc, char** argv) {
  adif::ExportOptions options;
  std::string positional[2];
  int count = 0;
  bool from = false;
  bool to = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if ((arg == "--from" || arg == "--to") && i + 1 < argc) {
      const std::int32_t day = ParseDate(argv[++i]);
      if (day == 0) return Fail(std::string(argv[i]) + ": not a date of the form YYYY-MM-DD", 2);
      (arg == "--from" ? options.from : options.to) = day;
      (arg == "--from" ? from : to) = true;
    } else if (arg.starts_with("--") || count == 2) {
      return Fail(kExportUsage, 2);
    } else {
      positional[count++] = std::string(arg);
    }
  }
  if (count != 2 || from != to) return Fail(kExportUsage, 2);
  if (options.from > options.to) return Fail("--from is after --to", 2);
  const std::string& dir = positional[0];
  const std::string& file = positional[1];
  if (!adif::FormatOfPath(file)) return Fail(file + ": the name must end in .adi or .adx");

  Table AAAA;
  Status st = OpenTable(dir, dict::AAAA(), false, &AAAA);
  if (!st.ok()) return Fail(dir + ": " + Describe(st));
  const adif::ExportSummary summary = adif::ExportAdifFile(AAAA, file, options);
  if (!summary.failure.empty()) return Fail(summary.failure);
  std::printf("exported %lld contacts to %s\n", static_cast<long long>(summary.written),
              file.c_str());
  return 0;
}

}  // namespace kavo::tool
