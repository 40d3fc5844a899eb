// Key parts of every record kind, and the table-definition stream.
//
// Record kinds (T table number, R record number, both 4-byte big-endian):
//   data row        T F3 R                      the row's bytes
//   key entry       T k value [R for DUP keys]  R for unique keys, else empty
//   memo segment    T FC R m seg(2, big-endian) up to 256 bytes
//   definition      T FA block(2, little-endian) up to 512 bytes of the stream
//   counter         T F6 (F3 | k)               count(4) flags(4)
//   char tables     T FB 01                     oem flag + 1152 bytes
//   table name      FE name                     T
//   transaction     FF                          number(4) control-file name, 0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/status.h"
#include "runtime/table_def.h"

namespace kavo::rec {

std::string RowKey(uint32_t table, uint32_t record);
std::string KindKey(uint32_t table, uint8_t kind);  // T kind: the start of a kind
std::string MemoKey(uint32_t table, uint32_t record, uint8_t memo, uint16_t segment);
std::string DefinitionKey(uint32_t table, uint16_t block);
std::string CounterKey(uint32_t table, uint8_t kind);
std::string CharTablesKey(uint32_t table);
std::string NameKey(std::string_view name);

// Counter data: record count and flags word, little-endian.
std::string CounterData(uint32_t count, uint32_t flags);
bool ParseCounter(std::string_view data, uint32_t* count, uint32_t* flags);

// The definition stream of a table.
std::string EncodeDefinition(const TableDef& def);
// Builds a definition from a stream; error 47 when it is malformed.
Status DecodeDefinition(std::string_view stream, TableDef* def);
// True when declared matches stored as the comparison on open requires:
// version, record length, counts, every field's type, offset, element count,
// size, flags and index, MEMO sizes, key flags (PRIMARY aside), component
// counts and components.
bool DefinitionsMatch(const TableDef& stored, const TableDef& declared);

}  // namespace kavo::rec
