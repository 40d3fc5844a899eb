// The environment file: optional start-up settings for the character tables
// and the regional settings.
//
// The file sits next to the program and is named as the program with the
// extension ".ENV" (kavo.ENV for kavo). It is read once, at the first use of a
// date, time, picture or character-table service; when it is absent or
// unreadable the defaults stand. Its text is code page 1251, one "key=value"
// per line in sections:
//
//   [intl]    iTime, iTLzero (0 or 1), sTime, s1159, s2359 (at most 2
//             characters), sShortDate, sLongDate
//   [names]   month1..month12, mon1..mon12 (abbreviations),
//             day0..day6, dy0..dy6 (Sunday first)
//   [tables]  upper=<letters>, lower=<letters> (paired by position, added to
//             the default Latin pairs), collate=<bytes in sort order>
//
// Blank lines and lines starting with ';' or '#' are comments. A value keeps
// the text after '=' with blanks at both ends removed, unless it is enclosed
// in double quotes. Keys are case-insensitive. Unknown sections, unknown keys
// and bad values are skipped and counted; the rest of the file still applies.
#pragma once

#include <string>
#include <string_view>

#include "runtime/chartab.h"
#include "runtime/regional.h"

namespace kavo {

struct EnvironmentParse {
  int applied = 0;              // entries taken over
  int rejected = 0;             // lines skipped as malformed or unknown
  int first_rejected_line = 0;  // 1-based, 0 when none
};

// Applies the file text to settings and tables (which start as given).
EnvironmentParse ParseEnvironment(std::string_view text, RegionalSettings* settings,
                                  CharTables* tables);

// <directory of the running program>/<program name>.ENV; empty when the
// program's own path cannot be found.
std::string EnvironmentFilePath();

// Reads the file at path into settings and tables; false when it cannot be
// read (settings and tables are then left as they are).
bool LoadEnvironmentFile(const std::string& path, RegionalSettings* settings, CharTables* tables,
                         EnvironmentParse* parse = nullptr);

}  // namespace kavo
