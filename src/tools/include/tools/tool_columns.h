// The columns kavo-tool shows for a table: every field of the stored
// definition in field order, then every memo, each named as the definition
// names it. Converts one column between a row (and its memo buffers) and the
// text of one TSV cell:
//   - STRING, CSTRING, PSTRING and MEMO: code page 1251 in the row, UTF-8 in
//     the cell, trailing blanks removed; a text longer than its field is
//     refused, or cut to the field when the options allow it;
//   - dates (DATE fields and the log's LONG dates): "YYYY-MM-DD", blank for
//     no date; read also as "DD.MM.YYYY" and as the day number;
//   - times (TIME fields and the log's LONG times): "HH:MM:SS.cc", blank for
//     no time; read also as "HH:MM", "HH:MM:SS" and as the time number;
//   - BYTE, SHORT, USHORT, LONG, ULONG: plain decimal integers (and dates
//     and times too when the options ask for the raw numbers, or when the
//     number is no date or time);
//   - SREAL, REAL: plain decimal, the shortest text that reads back exactly;
//   - DECIMAL: plain decimal with the field's places;
//   - everything else (dimensioned fields, GROUP, PDECIMAL, BLOB, binary
//     memos, other types): "0x" and the bytes in hexadecimal.
// An empty cell is a blank text or zero.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/table_def.h"

namespace kavo::tool {

// What the number of an integer field counts.
enum class Counts { kNumber, kDays, kTime };

struct Column {
  std::string name;
  bool memo = false;
  int index = 0;  // position in fields or memos
  Counts counts = Counts::kNumber;
};

struct CellOptions {
  // Dates and times as their day and time numbers.
  bool raw = false;
  // A text longer than its field is stored cut instead of refused.
  bool truncate = false;
};

std::vector<Column> TableColumns(const TableDef& def);

// Appends the cell text (escaped for TSV) of column c.
void AppendCell(const TableDef& def, const Column& c, const std::uint8_t* row,
                const std::vector<std::string>& memos, const CellOptions& options,
                std::string* out);

// Stores the cell text (still escaped) into the row or memo. Returns an
// empty string on success, else why the cell was refused; the row is then
// unspecified for that column. *cut is set when a text was cut to its field.
std::string StoreCell(const TableDef& def, const Column& c, std::string_view cell,
                      const CellOptions& options, std::uint8_t* row,
                      std::vector<std::string>* memos, bool* cut);

}  // namespace kavo::tool
