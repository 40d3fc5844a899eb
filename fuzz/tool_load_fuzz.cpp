// Input: TSV text as kavo-tool load reads it. Every cell of every line is
// stored (cut to its field where too long) into every column of a table with
// fields of all the types the tool converts; a cell that is taken must show
// again, as people read it and as raw numbers, as a cell that stores the
// very same bytes, and escaping must undo exactly.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/table_def.h"
#include "tools/tool_columns.h"
#include "tools/tool_tsv.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

kavo::TableDef MakeTable() {
  using kavo::FieldType;
  struct Column {
    FieldType type;
    std::uint16_t size;
    std::uint16_t elements;
    std::uint8_t places;
  };
  const Column columns[] = {
      {FieldType::kString, 5, 1, 0},  {FieldType::kCString, 4, 1, 0},
      {FieldType::kPString, 4, 1, 0}, {FieldType::kByte, 1, 1, 0},
      {FieldType::kShort, 2, 1, 0},   {FieldType::kUShort, 2, 1, 0},
      {FieldType::kLong, 4, 1, 0},    {FieldType::kULong, 4, 1, 0},
      {FieldType::kDate, 4, 1, 0},    {FieldType::kTime, 4, 1, 0},
      {FieldType::kSReal, 4, 1, 0},   {FieldType::kReal, 8, 1, 0},
      {FieldType::kDecimal, 4, 1, 0}, {FieldType::kDecimal, 6, 1, 3},
      {FieldType::kGroup, 3, 1, 0},   {FieldType::kLong, 8, 2, 0},
  };
  kavo::TableDef def;
  std::uint16_t offset = 0;
  for (const Column& s : columns) {
    kavo::FieldDef f;
    f.name = "F:" + std::to_string(def.fields.size());
    f.type = s.type;
    f.offset = offset;
    f.size = s.size;
    f.elements = s.elements;
    f.places = s.places;
    offset = static_cast<std::uint16_t>(offset + s.size);
    def.fields.push_back(f);
  }
  kavo::MemoDef memo;
  memo.name = "F:MEMO";
  memo.size = 16;
  def.memos.push_back(memo);
  def.record_length = offset;
  return def;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kavo::TableDef def = MakeTable();
  static const std::vector<kavo::tool::Column> columns = kavo::tool::TableColumns(def);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> row(def.record_length, 0);
  std::vector<std::uint8_t> again(def.record_length, 0);
  std::vector<std::string> memos(1), memos_again(1);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    for (std::string_view cell : kavo::tool::SplitCells(text.substr(start, end - start))) {
      std::string escaped;
      kavo::tool::AppendEscaped(cell, &escaped);
      Check(kavo::tool::Unescape(escaped) == cell);
      for (const kavo::tool::Column& c : columns) {
        bool cut = false;
        if (!kavo::tool::StoreCell(def, c, cell, {.truncate = true}, row.data(), &memos, &cut)
                 .empty()) {
          continue;
        }
        for (bool raw : {false, true}) {
          std::string shown;
          kavo::tool::AppendCell(def, c, row.data(), memos, {.raw = raw}, &shown);
          again = row;
          memos_again = memos;
          Check(kavo::tool::StoreCell(def, c, shown, {}, again.data(), &memos_again, &cut).empty());
          Check(!cut);
          Check(again == row);
        }
      }
    }
    start = end + 1;
  }
  return 0;
}
