// The starting country list: DXCC rows made from a country file in the
// cty.csv format (Debian's hamradio-files package), so that a new user's
// entry form finds a country for most callsigns.
//
// cty.csv has one country per line: primary prefix, name, DXCC number,
// continent, CQ zone, ITU zone, latitude, longitude, offset from UTC and a
// blank-separated prefix list ended by ";". List entries beginning with "="
// are single callsigns; "(..)", "[..]", "<..>", "{..}" and "~..~" after an
// entry override its zones, place or offset. Countries whose primary prefix
// begins with "*" are not DXCC countries (they exist for other award
// programs) and are not used.
//
// The table keys countries by two-character prefix, so the seed has one row
// per two-character prefix XY of letters and digits:
//  - the country with the longest prefix of XY in its list ("U" covers
//    "UA" unless a country lists "UA" itself);
//  - failing that, the one country all of whose list entries beginning with
//    XY belong to ("3B" when only one country used 3B..); prefixes shared
//    by several countries that way ("VP", "3B") get no row;
//  - names are cut to the field's 20 characters; the Russian countries
//    (European and Asiatic Russia, Kaliningrad) are all "RUSSIA", the name
//    the entry form's region rule keys on.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavo::tool {

// Where Debian's hamradio-files package puts its country file.
inline constexpr char kDebianCtyCsv[] = "/usr/share/hamradio-files/cty.csv";

struct CtyCountry {
  std::string name;  // as the file spells it
  std::vector<std::string> prefixes;
};

// Reads the text of a cty.csv file. False, with the line and the reason in
// *error, when a line is not a country record. Empty lines are passed over.
bool ParseCtyCsv(std::string_view text, std::vector<CtyCountry>* countries, std::string* error);

// A row of the seed: a two-character prefix and the country's name in code
// page 1251, at most 20 characters.
struct SeedRow {
  std::string PR;
  std::string STRANA;
};

// The seed rows in prefix order (digits before letters), and the number of
// prefixes left out because several countries share them.
std::vector<SeedRow> SeedRows(const std::vector<CtyCountry>& countries, int* shared = nullptr);

struct SeedResult {
  int added = 0;   // rows added
  int kept = 0;    // prefixes that already had a row: left as they were
  int shared = 0;  // prefixes no single country covers
};

// Adds the seed rows from the file at cty_path to the DXCC table of dir
// (creating the table when it is missing), for every prefix that has no row
// yet; rows already there are never changed. All rows are added in one
// commit. False with a message in *error when the file cannot be read or
// parsed or the table cannot be written.
bool SeedDxcc(const std::string& dir, const std::string& cty_path, SeedResult* result,
              std::string* error);

}  // namespace kavo::tool
