// kavo-tool check NAME: verifies one table of a store file without changing
// it. The whole page tree is walked once: every page must decode, children
// must sit one level below their parent with the parent's separator equal to
// their first record, and all records must come in strictly increasing
// order. The table's rows, key entries, counters and character tables are
// collected on the way; then every counter must equal what it counts and
// every kept key must hold exactly the entries its rows produce, no more and
// no fewer. Problems are listed on standard output; the exit code is 0 when
// the table is sound, 1 when it is not.

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "store/chartab.h"
#include "store/format.h"
#include "store/key_codec.h"
#include "store/store_file.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace kavo::tool {
namespace {

constexpr int kShownPerKind = 10;

using Entry = std::pair<std::string, std::string>;  // key part, data part

class Checker {
 public:
  Checker(const Table& table, StoreFile* store)
      : def_(table.def()), store_(store), number_(table.table_number()) {
    fmt::AppendBE32(&prefix_, number_);
    entries_.resize(def_.keys.size());
  }

  Status Run() {
    KAVO_RETURN_IF_ERROR(store_->Begin(false));
    std::shared_ptr<Page> root;
    Status st = store_->Root(&root);
    if (st.ok()) st = Walk(root, nullptr, -1);
    st = store_->End(st);
    if (!st.ok()) return st;
    CheckCounters();
    CheckKeys();
    return Status::OK();
  }

  int problems() const { return problems_; }
  std::size_t pages() const { return pages_; }
  std::size_t rows() const { return rows_.size(); }

 private:
  void Problem(const std::string& kind, const std::string& text) {
    ++problems_;
    if (++shown_[kind] <= kShownPerKind) {
      std::printf("%s: %s\n", kind.c_str(), text.c_str());
    } else if (shown_[kind] == kShownPerKind + 1) {
      std::printf("%s: more problems of this kind not shown\n", kind.c_str());
    }
  }

  static std::string Hex(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes.substr(0, 48)) {
      out.push_back(kDigits[c >> 4]);
      out.push_back(kDigits[c & 15]);
    }
    if (bytes.size() > 48) out.append("...");
    return out;
  }

  // Depth-first walk in record order; expected_level is -1 for the root.
  Status Walk(const std::shared_ptr<Page>& page, const Record* separator, int expected_level) {
    ++pages_;
    if (!visited_.insert(page->ref).second) {
      Problem("page tree", "page " + std::to_string(page->ref) + " is reached twice");
      return Status::OK();
    }
    if (expected_level >= 0 && page->level != expected_level) {
      Problem("page tree", "page " + std::to_string(page->ref) + " has level " +
                               std::to_string(page->level) + " under a page of level " +
                               std::to_string(expected_level + 1));
    }
    if (separator != nullptr &&
        (page->records.empty() || page->records[0].bytes != separator->bytes ||
         page->records[0].key_length != separator->key_length)) {
      Problem("page tree",
              "the separator of page " + std::to_string(page->ref) + " is not its first record");
    }
    if (page->records.empty() && expected_level >= 0) {
      Problem("page tree", "page " + std::to_string(page->ref) + " is empty");
    }
    if (page->leaf()) {
      for (const Record& r : page->records) Visit(r);
      return Status::OK();
    }
    if (page->children.size() != page->records.size()) {
      Problem("page tree", "index page " + std::to_string(page->ref) + " has " +
                               std::to_string(page->children.size()) + " children for " +
                               std::to_string(page->records.size()) + " records");
      return Status::OK();
    }
    // Children are read one at a time; a copy of the list keeps it valid
    // even when the cache drops the parent meanwhile.
    std::vector<int32_t> children = page->children;
    std::vector<Record> separators = page->records;
    int level = page->level;
    for (std::size_t i = 0; i < children.size(); ++i) {
      std::shared_ptr<Page> child;
      KAVO_RETURN_IF_ERROR(store_->ReadPage(children[i], &child));
      KAVO_RETURN_IF_ERROR(Walk(child, &separators[i], level - 1));
    }
    return Status::OK();
  }

  void Visit(const Record& r) {
    std::string_view key = r.key();
    if (have_last_ && !(last_ < key)) {
      Problem("record order", "record " + Hex(key) + " does not follow " + Hex(last_));
    }
    last_.assign(key);
    have_last_ = true;
    if (key.size() < 5 || key.substr(0, 4) != prefix_) return;
    std::uint8_t kind = static_cast<std::uint8_t>(key[4]);
    if (kind == fmt::kKindRow) {
      if (key.size() != 9 || r.data().size() != def_.record_length) {
        Problem("rows", "row " + Hex(key) + " has a wrong length");
        return;
      }
      rows_.emplace_back(fmt::GetBE32(fmt::U8(key.substr(5))), std::string(r.data()));
    } else if (kind == fmt::kKindCounter && key.size() == 6) {
      if (r.data().size() < 4) {
        Problem("counters", "counter " + Hex(key) + " is too short");
        return;
      }
      counters_[static_cast<std::uint8_t>(key[5])] = fmt::Get32(fmt::U8(r.data()));
    } else if (kind == fmt::kKindCharTables && key.size() == 6) {
      have_tables_ = KeyCharTables::Parse(fmt::U8(r.data()), r.data().size(), &tables_);
      if (!have_tables_) Problem("character tables", "the record has a wrong length");
    } else if (kind < def_.keys.size()) {
      entries_[kind].emplace_back(std::string(key), std::string(r.data()));
    }
  }

  void CheckCounters() {
    auto expect = [&](std::uint8_t which, std::size_t count, const std::string& what) {
      auto it = counters_.find(which);
      if (it == counters_.end()) {
        Problem("counters", what + " has no counter record");
      } else if (it->second != count) {
        Problem("counters", what + " counts " + std::to_string(it->second) + " but holds " +
                                std::to_string(count));
      }
    };
    expect(fmt::kKindRow, rows_.size(), "the table");
    for (std::size_t k = 0; k < def_.keys.size(); ++k) {
      if (def_.keys[k].dynamic_index()) continue;
      expect(static_cast<std::uint8_t>(k), entries_[k].size(), "key " + def_.keys[k].name);
    }
  }

  void CheckKeys() {
    KeyCharTables tables =
        have_tables_ ? tables_ : KeyCharTables::FromProcess(ProcessCharTables(), false);
    KeyCodec codec(tables);
    for (std::size_t k = 0; k < def_.keys.size(); ++k) {
      const KeyDef& key = def_.keys[k];
      if (key.dynamic_index()) continue;
      std::vector<Entry> expected;
      expected.reserve(rows_.size());
      for (const auto& [number, row] : rows_) {
        const auto* bytes = fmt::U8(row);
        if (key.opt() && IsKeyEmpty(def_, key, bytes)) continue;
        Entry e;
        e.first = prefix_;
        e.first.push_back(static_cast<char>(k));
        codec.AppendKeyValue(def_, key, bytes, &e.first);
        if (key.dup()) {
          fmt::AppendBE32(&e.first, number);
        } else {
          fmt::AppendBE32(&e.second, number);
        }
        expected.push_back(std::move(e));
      }
      std::sort(expected.begin(), expected.end());
      CompareEntries(key, expected, entries_[k]);
    }
  }

  void CompareEntries(const KeyDef& key, const std::vector<Entry>& expected,
                      const std::vector<Entry>& stored) {
    const std::string kind = "key " + key.name;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < expected.size() || j < stored.size()) {
      if (j == stored.size() || (i < expected.size() && expected[i] < stored[j])) {
        if (i > 0 && key.unique() && expected[i].first == expected[i - 1].first) {
          Problem(kind, "two rows share the unique value " + Hex(expected[i].first));
        } else {
          Problem(kind, "entry " + Hex(expected[i].first) + " is missing");
        }
        ++i;
      } else if (i == expected.size() || stored[j] < expected[i]) {
        Problem(kind, "entry " + Hex(stored[j].first) + " belongs to no row");
        ++j;
      } else {
        ++i;
        ++j;
      }
    }
  }

  const TableDef& def_;
  StoreFile* store_;
  std::uint32_t number_;
  std::string prefix_;
  std::set<int32_t> visited_;
  std::size_t pages_ = 0;
  std::string last_;
  bool have_last_ = false;
  std::vector<std::pair<std::uint32_t, std::string>> rows_;
  std::vector<std::vector<Entry>> entries_;
  std::map<std::uint8_t, std::uint32_t> counters_;
  KeyCharTables tables_;
  bool have_tables_ = false;
  int problems_ = 0;
  std::map<std::string, int> shown_;
};

}  // namespace

int RunCheckCommand(int argc, char** argv) {
  if (argc != 2) return ReportError("usage: kavo-tool check NAME", 2);
  std::string name = argv[1];
  Table table;
  Status st = OpenStored(name, false, &table);
  if (!st.ok()) return ReportFailure(name, st);
  Checker checker(table, table.store());
  st = checker.Run();
  if (!st.ok()) return ReportFailure(name, st);
  if (checker.problems() > 0) {
    std::printf("%s: NOT SOUND, %d problems\n", table.Name().c_str(), checker.problems());
    return 1;
  }
  std::printf("%s: sound, %zu rows, %zu keys, %zu pages\n", table.Name().c_str(), checker.rows(),
              table.def().keys.size(), checker.pages());
  return 0;
}

}  // namespace kavo::tool
