// A small table for the journal's store tests ("people": a number and a
// name, unique on the number, duplicates allowed on the name) and helpers to
// change it, read it back and verify its file.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "runtime/status.h"
#include "runtime/table_def.h"
#include "store/file.h"
#include "store/mem_file.h"
#include "store/table.h"

namespace kavo::testing {

using Rows = std::map<int, std::string>;

const TableDef& PeopleDef();
Status CreatePeople(const std::string& name, FileSystem* fs);
Status OpenPeople(Table* table, const std::string& name, FileSystem* fs);

Status AddPerson(Table* table, int number, const std::string& name);
// Reads the row by its number, then changes its name (PUT).
Status PutPerson(Table* table, int number, const std::string& name);
Status DeletePerson(Table* table, int number);
// The last number in key order, 0 when the table is empty.
Status LastNumber(Table* table, int* number);
int NumberOf(const Table& table);

Status ReadOpen(Table* table, Rows* rows);
Status ReadPeople(const std::string& name, FileSystem* fs, Rows* rows);

// Whether the header shows a pending journal.
bool JournalPending(const std::string& bytes);
// Records of a transaction-control file.
size_t ControlRecords(FileSystem* fs, const std::string& path);
// The data part of the file's transaction link record.
bool LinkOf(FileSystem* fs, const std::string& path, std::string* data);
// Runs "kavo-tool check" on the disk file path (DIR/NAME.VTF).
bool ToolCheck(const std::string& path, std::string* report);
// Runs kavo-tool with args (stdin from the file input when not empty);
// returns its exit code and its output in *output.
int RunTool(const std::string& args, const std::string& input, std::string* output);
// Copies an in-memory file to a scratch directory and checks it there.
bool CheckSound(MemFileSystem* mem, const std::string& path, std::string* report);

}  // namespace kavo::testing
