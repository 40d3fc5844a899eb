#include "tools/dxcc_seed.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "data/transaction_scope.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "store/table.h"

namespace kavo::tool {
namespace {

// Fields of a cty.csv line before the prefix list, and the list's place.
constexpr std::size_t kListField = 9;
constexpr std::size_t kNameWidth = sizeof(dict::DXCCRecord::STRANA);
constexpr std::size_t kPrefixWidth = sizeof(dict::DXCCRecord::PR);
// How long seeding waits for another writer of the country table.
constexpr int kSeedWaitSeconds = 10;

// The file's names of the countries the program calls "RUSSIA".
constexpr const char* kRussianCountries[] = {"European Russia", "Asiatic Russia", "Kaliningrad"};
constexpr char kRussia[] = "RUSSIA";

bool IsPrefixChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A list entry without its overrides; empty for a callsign entry or one
// that is not a plain prefix.
std::string PrefixOf(std::string_view entry) {
  if (entry.empty() || entry[0] == '=') return {};
  const std::size_t end = entry.find_first_of("([<{~");
  entry = entry.substr(0, end);
  std::string prefix;
  for (char c : entry) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!IsPrefixChar(c)) return {};
    prefix.push_back(c);
  }
  return prefix;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(separator, start);
    parts.push_back(line.substr(start, at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

// The name as stored: code page 1251, Russian countries as "RUSSIA", cut to
// the field's width. Empty when the name has a character outside the code
// page.
std::string StoredName(const std::string& name) {
  for (const char* russian : kRussianCountries) {
    if (name == russian) return kRussia;
  }
  std::string text = Cp1251FromUtf8(name);
  if (Utf8FromCp1251(text) != name) return {};
  if (text.size() > kNameWidth) text.resize(kNameWidth);
  return text;
}

std::string Describe(const Status& st) {
  return ErrorText(st.code()) + " (" + std::to_string(st.code()) + ")";
}

}  // namespace

bool ParseCtyCsv(std::string_view text, std::vector<CtyCountry>* countries, std::string* error) {
  countries->clear();
  int number = 0;
  for (std::string_view line : Split(text, '\n')) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    const std::vector<std::string_view> fields = Split(line, ',');
    const std::string where = "line " + std::to_string(number) + ": ";
    if (fields.size() <= kListField) {
      *error = where + "a country takes " + std::to_string(kListField + 1) + " fields, found " +
               std::to_string(fields.size());
      return false;
    }
    // The list is what follows the ninth comma, up to its ";".
    std::size_t start = 0;
    for (std::size_t commas = 0; commas < kListField; ++commas) start = line.find(',', start) + 1;
    std::string_view list = line.substr(start);
    const std::size_t end = list.find(';');
    if (end == std::string_view::npos) {
      *error = where + "the prefix list does not end with \";\"";
      return false;
    }
    list = list.substr(0, end);
    const std::string_view primary = fields[0];
    const std::string_view name = fields[1];
    if (primary.empty() || name.empty()) {
      *error = where + "a country needs a prefix and a name";
      return false;
    }
    if (primary[0] == '*') continue;
    CtyCountry country;
    country.name = std::string(name);
    for (std::string_view entry : Split(list, ' ')) {
      std::string prefix = PrefixOf(entry);
      if (!prefix.empty()) country.prefixes.push_back(std::move(prefix));
    }
    countries->push_back(std::move(country));
  }
  return true;
}

std::vector<SeedRow> SeedRows(const std::vector<CtyCountry>& countries, int* shared) {
  static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::vector<SeedRow> rows;
  int left_out = 0;
  for (const char first : std::string_view(kChars)) {
    for (const char second : std::string_view(kChars)) {
      const std::string xy{first, second};
      const CtyCountry* best = nullptr;
      std::size_t best_length = 0;
      std::set<const CtyCountry*> owners;
      for (const CtyCountry& country : countries) {
        for (const std::string& prefix : country.prefixes) {
          if (prefix.size() <= kPrefixWidth && xy.starts_with(prefix) &&
              prefix.size() > best_length) {
            best = &country;
            best_length = prefix.size();
          }
          if (prefix.starts_with(xy)) owners.insert(&country);
        }
      }
      if (!best && owners.size() == 1) best = *owners.begin();
      if (!best) {
        if (owners.size() > 1) ++left_out;
        continue;
      }
      const std::string name = StoredName(best->name);
      if (!name.empty()) rows.push_back({xy, name});
    }
  }
  if (shared) *shared = left_out;
  return rows;
}

bool SeedDxcc(const std::string& dir, const std::string& cty_path, SeedResult* result,
              std::string* error) {
  *result = {};
  std::ifstream in(cty_path, std::ios::binary);
  if (!in) {
    *error = cty_path + ": cannot be read";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<CtyCountry> countries;
  std::string parse_error;
  if (!ParseCtyCsv(text.str(), &countries, &parse_error)) {
    *error = cty_path + ": " + parse_error;
    return false;
  }
  const std::vector<SeedRow> rows = SeedRows(countries, &result->shared);

  const std::string name = dir + "/" + dict::DXCC().disk_name;
  const std::string file = ParseTableName(name).file;
  Table table;
  Status st = table.Open(name, &dict::DXCC());
  if (st.code() == err::kFileNotFound) {
    st = Table::Create(name, dict::DXCC());
    if (st.ok()) st = table.Open(name, &dict::DXCC());
  }
  if (!st.ok()) {
    *error = file + ": " + Describe(st);
    return false;
  }
  std::set<std::string> present;
  (void)table.Set();
  while ((st = table.Next()).ok()) {
    dict::DXCCRecord rec;
    std::memcpy(&rec, table.record(), sizeof rec);
    std::string prefix(dict::TextOf(rec.PR));
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    present.insert(prefix);
  }
  if (st.code() != err::kRecordNotAvailable) {
    *error = file + ": " + Describe(st);
    (void)table.Close();
    return false;
  }

  TransactionScope transaction;
  st = transaction.Logout(kSeedWaitSeconds, {&table});
  for (const SeedRow& row : rows) {
    if (!st.ok()) break;
    if (present.count(row.PR) != 0) {
      ++result->kept;
      continue;
    }
    dict::DXCCRecord rec;
    rec.Clear();
    dict::SetText(rec.PR, row.PR);
    dict::SetText(rec.STRANA, row.STRANA);
    std::memcpy(table.record(), &rec, sizeof rec);
    st = table.Add();
    if (st.ok()) ++result->added;
  }
  if (st.ok()) st = transaction.Commit();
  if (!st.ok()) {
    *error = file + ": " + Describe(st) + "; nothing was added";
    result->added = 0;
    (void)table.Close();
    return false;
  }
  st = table.Close();
  if (!st.ok()) {
    *error = file + ": " + Describe(st);
    return false;
  }
  return true;
}

}  // namespace kavo::tool
