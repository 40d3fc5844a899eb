// The columns kavo-tool shows for a table: every field of the stored
// definition in field order, then every memo, each named as the definition
// names it. Converts one column between a row (and its memo buffers) and the
// text of one TSV cell:
//   - STRING, CSTRING, PSTRING and MEMO: code page 1251 in the row, UTF-8 in
//     the cell, trailing blanks removed; a longer text is cut to the field;
//   - BYTE, SHORT, USHORT, LONG, ULONG, DATE, TIME: plain decimal integers
//     (dates and times as day and time numbers);
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

struct Column {
  std::string name;
  bool memo = false;
  int index = 0;  // position in fields or memos
};

std::vector<Column> TableColumns(const TableDef& def);

// Appends the cell text (escaped for TSV) of column c.
void AppendCell(const TableDef& def, const Column& c, const std::uint8_t* row,
                const std::vector<std::string>& memos, std::string* out);

// Stores the cell text (still escaped) into the row or memo. Returns an
// empty string on success, else why the cell was refused; the row is then
// unspecified for that column.
std::string StoreCell(const TableDef& def, const Column& c, std::string_view cell,
                      std::uint8_t* row, std::vector<std::string>* memos);

}  // namespace kavo::tool
