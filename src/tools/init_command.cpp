#include "tools/init_command.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "store/file.h"
#include "store/table.h"
#include "tools/dxcc_seed.h"

namespace kavo::tool {
namespace {

constexpr const char* kUsage =
    "usage: kavo-tool init DIR --callsign CALL [--name N] [--surname S] [--qth Q] "
    "[--locator L] [--gmt H] [--cty FILE]";

int Fail(const std::string& message, int code = 1) {
  std::fprintf(stderr, "kavo-tool: %s\n", message.c_str());
  return code;
}

std::string Describe(const Status& st) {
  std::string text = ErrorText(st.code()) + " (" + std::to_string(st.code()) + ")";
  if (st.is_check()) text += ", check " + std::to_string(st.check());
  return text;
}

// Stores a UTF-8 argument into a text field; false when it does not fit.
template <std::size_t N>
bool StoreText(char (&field)[N], const std::string& utf8, const char* option, std::string* error) {
  const std::string text = Cp1251FromUtf8(utf8);
  if (text.size() > N) {
    *error = std::string(option) + " takes at most " + std::to_string(N) + " characters";
    return false;
  }
  dict::SetText(field, text);
  return true;
}

std::optional<double> ParseHours(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value) ||
      std::fabs(value) >= 24) {
    return std::nullopt;
  }
  return value;
}

int CreateTables(const std::string& dir) {
  int status = 0;
  for (const TableDef* def : dict::AllTables()) {
    if (!def->has(kTableCreate)) continue;
    const std::string name = dir + "/" + def->disk_name;
    const TableName parsed = ParseTableName(name);
    if (DefaultFileSystem()->Exists(parsed.file)) {
      std::printf("exists\t%s\t%s\n", def->label.c_str(), parsed.file.c_str());
      continue;
    }
    Status st = Table::Create(name, *def);
    if (!st.ok()) {
      status = Fail(parsed.file + ": " + Describe(st));
      continue;
    }
    std::printf("created\t%s\t%s\n", def->label.c_str(), parsed.file.c_str());
  }
  return status;
}

// Creates SETUP and adds the station record; a file left half made is
// removed so that the next run starts clean.
int CreateSetup(const std::string& dir, const dict::SETUPRecord& record) {
  const std::string name = dir + "/" + dict::SETUP().disk_name;
  const TableName parsed = ParseTableName(name);
  if (DefaultFileSystem()->Exists(parsed.file)) {
    std::printf("exists\tSETUP\t%s\tstation record kept\n", parsed.file.c_str());
    return 0;
  }
  Table setup;
  Status st = Table::Create(name, dict::SETUP());
  if (st.ok()) st = setup.Open(name, &dict::SETUP());
  if (st.ok()) {
    std::memcpy(setup.record(), &record, sizeof record);
    st = setup.Add();
    Status closed = setup.Close();
    if (st.ok()) st = closed;
  }
  if (!st.ok()) {
    (void)Table::Remove(name);
    return Fail(parsed.file + ": " + Describe(st));
  }
  std::printf("created\tSETUP\t%s\n", parsed.file.c_str());
  return 0;
}

// Fills the country table from the country file when the table is empty,
// so a new user's entry form finds countries; says what it did either way.
int SeedCountries(const std::string& dir, const std::string& cty) {
  Table dxcc;
  uint32_t rows = 0;
  Status st = dxcc.Open(dir + "/" + dict::DXCC().disk_name, &dict::DXCC());
  if (st.ok()) st = dxcc.Records(&rows);
  (void)dxcc.Close();
  if (!st.ok()) return Fail("DXCC: " + Describe(st));
  if (rows != 0) return 0;
  if (!std::filesystem::exists(cty)) {
    std::printf("empty\tDXCC\tno country file at %s: the country list stays empty\n", cty.c_str());
    return 0;
  }
  SeedResult result;
  std::string error;
  if (!SeedDxcc(dir, cty, &result, &error)) return Fail(error);
  std::printf("seeded\tDXCC\t%d countries by prefix from %s\n", result.added, cty.c_str());
  return 0;
}

// The IOTA programme's continent groups, which the island list is ranged by.
constexpr const char* kIotaGroups[] = {"AF", "AN", "AS", "EU", "NA", "OC", "SA"};

// Adds the continent groups to an empty group table: the program has no
// window that adds groups, so without them no island could be entered.
int SeedIotaGroups(const std::string& dir) {
  Table groups;
  uint32_t rows = 0;
  Status st = groups.Open(dir + "/" + dict::NA_IOTA().disk_name, &dict::NA_IOTA());
  if (st.ok()) st = groups.Records(&rows);
  int added = 0;
  if (st.ok() && rows == 0) {
    for (const char* name : kIotaGroups) {
      dict::NA_IOTARecord record;
      record.Clear();
      dict::SetText(record.NAIM, name);
      std::memcpy(groups.record(), &record, sizeof record);
      st = groups.Add();
      if (!st.ok()) break;
      ++added;
    }
  }
  Status closed = groups.Close();
  if (st.ok()) st = closed;
  if (!st.ok()) return Fail("NA_IOTA: " + Describe(st));
  if (added != 0) std::printf("seeded\tNA_IOTA\t%d IOTA continent groups\n", added);
  return 0;
}

}  // namespace

int RunInitCommand(int argc, char** argv) {
  if (argc < 2) return Fail(kUsage, 2);
  const std::string dir = argv[1];
  bool has_callsign = false;
  dict::SETUPRecord record;
  record.Clear();
  std::string cty = kDebianCtyCsv;
  std::string error;
  for (int i = 2; i < argc; i += 2) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) return Fail(std::string(option) + " needs a value\n" + kUsage, 2);
    const std::string value = argv[i + 1];
    bool ok = true;
    if (option == "--callsign") {
      has_callsign = !value.empty();
      ok = has_callsign && StoreText(record.CALLSIGN, value, "--callsign", &error);
      if (!has_callsign) error = "--callsign must not be empty";
    } else if (option == "--name") {
      ok = StoreText(record.IMJA, value, "--name", &error);
    } else if (option == "--surname") {
      ok = StoreText(record.FAM, value, "--surname", &error);
    } else if (option == "--qth") {
      ok = StoreText(record.QTH, value, "--qth", &error);
    } else if (option == "--locator") {
      ok = StoreText(record.LOC, value, "--locator", &error);
    } else if (option == "--gmt") {
      std::optional<double> hours = ParseHours(value);
      if (hours) {
        record.GMT = *hours;
      } else {
        ok = false;
        error = "--gmt takes hours from UTC, a number above -24 and below 24";
      }
    } else if (option == "--cty") {
      cty = value;
    } else {
      return Fail("unknown option '" + std::string(option) + "'\n" + kUsage, 2);
    }
    if (!ok) return Fail(error, 2);
  }
  if (!has_callsign) return Fail(std::string("--callsign is required\n") + kUsage, 2);

  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    return Fail(dir + ": not a directory that can be written");
  }
  const int tables = CreateTables(dir);
  const int setup = CreateSetup(dir, record);
  const int countries = tables != 0 ? 0 : SeedCountries(dir, cty);
  const int groups = tables != 0 ? 0 : SeedIotaGroups(dir);
  if (tables != 0) return tables;
  if (setup != 0) return setup;
  return countries != 0 ? countries : groups;
}

}  // namespace kavo::tool
