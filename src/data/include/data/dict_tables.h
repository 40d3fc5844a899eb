// The program's eight tables, declared once and compiled in: label, prefix,
// disk name, attributes, fields with type, offset and size, and keys with
// their components and attributes in declaration order (the key number of a
// key in the store is its position here).
//
// The descriptors are immutable and live for the whole program; the record
// store compares them with the definitions stored in the files on open, so
// any change here is a change of the file format.
#pragma once

#include <span>
#include <string_view>

#include "runtime/table_def.h"

namespace kavo::dict {

const TableDef& SETUP();
const TableDef& DXCC();
const TableDef& NA_IOTA();
const TableDef& IOTA();
const TableDef& RAJON();
const TableDef& PREFRUS();
const TableDef& AAAAPRINT();
const TableDef& AAAA();

// What the number in a LONG field of the dictionary counts: the log's dates
// are day numbers and its times time numbers (0: none); every other LONG is
// a plain number. The field is named with its prefix ("AAA:DATA").
enum class LongMeaning { kNumber, kDate, kTime };
LongMeaning MeaningOfLong(std::string_view field_name);

// All eight, in the order of the dictionary's table list.
std::span<const TableDef* const> AllTables();

// The table with this label (letters compared without regard to case), or
// nullptr.
const TableDef* FindTable(std::string_view label);

}  // namespace kavo::dict
