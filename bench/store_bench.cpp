// kavo-bench-store: the QSO log (AAAA layout, its 12 keys) in the record
// store against the same rows in SQLite (one table, the serial number as the
// primary key, one index per other key, case-insensitive like the keys;
// journal_mode=DELETE, synchronous=FULL, default page and cache sizes,
// prepared statements). Figures, one line each:
//   load  N rows added in one batch (one commit / one transaction), seconds
//   scan  every row in the order of AAA:BEY_SS, whole rows, seconds
//   get   10k random reads by AAA:BEY_N, seconds
//   page  1k browse pages: a set on AAA:BEY_P at a random callsign, then 30
//         rows onward, seconds
//   size  file bytes
// Each store is reopened before the reading figures, so both start them with
// their own caches empty.
//
// Usage: kavo-bench-store [--rows N] [--dir DIR]

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "log_sqlite.h"
#include "runtime/errors.h"
#include "store/table.h"
#include "store_bench_rows.h"

namespace kavo::bench {
namespace {

constexpr int kGets = 10000;
constexpr int kPages = 1000;
constexpr int kPageRows = 30;

double FileBytes(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) Die("cannot stat " + path);
  return static_cast<double>(st.st_size);
}

// The random choices of the reading figures, the same for both stores.
struct Workload {
  std::vector<std::int64_t> serials;
  std::vector<std::string> calls;
};

Workload MakeWorkload(const std::vector<LogRow>& rows) {
  std::mt19937 rng(1234);
  Workload w;
  for (int i = 0; i < kGets; ++i) w.serials.push_back(1 + rng() % rows.size());
  for (int i = 0; i < kPages; ++i) w.calls.push_back(rows[rng() % rows.size()].POZ);
  return w;
}

// ---- The record store ----

class Ours {
 public:
  explicit Ours(std::string dir) : name_(dir + "/AAAA") {}

  double Load(const std::vector<LogRow>& rows) {
    Check(Table::Create(name_, dict::AAAA()), "create");
    Table t;
    Check(t.Open(name_, &dict::AAAA()), "open");
    Stopwatch clock;
    StreamRows(t, rows);
    double seconds = clock.Seconds();
    Check(t.Close(), "close");
    return seconds;
  }

  [[gnu::noinline]] double Scan(std::size_t expected) {
    Table t;
    Check(t.Open(name_, &dict::AAAA()), "open");
    Stopwatch clock;
    Check(t.SetKey(dict::AAAA().FindKey("AAA:BEY_SS")), "set");
    std::size_t n = 0;
    std::int64_t sum = 0;
    for (;;) {
      Status st = t.Next();
      if (st.code() == err::kRecordNotAvailable) break;
      Check(st, "next");
      sum += Buffer(t)->DATA;
      ++n;
    }
    double seconds = clock.Seconds();
    // Rows whose country is blank are not in the key; the generator makes none.
    if (n != expected) Die("scan read " + std::to_string(n) + " rows");
    sink_ += sum;
    return seconds;
  }

  [[gnu::noinline]] double Get(const Workload& w) {
    Table t;
    Check(t.Open(name_, &dict::AAAA()), "open");
    int key = dict::AAAA().FindKey("AAA:BEY_N");
    Stopwatch clock;
    for (std::int64_t serial : w.serials) {
      t.ClearRecord();
      Buffer(t)->N_QSO.set(serial);
      Check(t.Get(key), "get");
      sink_ += Buffer(t)->TIM;
    }
    return clock.Seconds();
  }

  [[gnu::noinline]] double Page(const Workload& w) {
    Table t;
    Check(t.Open(name_, &dict::AAAA()), "open");
    int key = dict::AAAA().FindKey("AAA:BEY_P");
    Stopwatch clock;
    for (const std::string& call : w.calls) {
      // One page is one run of reads under one lock, as one SELECT is.
      Table::ReadBatch batch(t);
      t.ClearRecord();
      dict::SetText(Buffer(t)->POZ, call);
      Check(t.SetKeyValue(key), "set");
      for (int i = 0; i < kPageRows; ++i) {
        Status st = t.Next();
        if (st.code() == err::kRecordNotAvailable) break;
        Check(st, "next");
        sink_ += Buffer(t)->DATA;
      }
    }
    return clock.Seconds();
  }

  double Size() { return FileBytes(name_ + ".VTF"); }
  std::int64_t sink() const { return sink_; }

 private:
  static dict::AAAARecord* Buffer(Table& t) {
    return reinterpret_cast<dict::AAAARecord*>(t.record());
  }

  std::string name_;
  std::int64_t sink_ = 0;
};

// ---- SQLite ----

class Sqlite {
 public:
  explicit Sqlite(std::string dir) : path_(dir + "/aaaa.sqlite") {}

  double Load(const std::vector<LogRow>& rows) {
    db_.Open(path_);
    db_.CreateSchema();
    Stopwatch clock;
    db_.InsertAll(rows);
    double seconds = clock.Seconds();
    db_.Close();
    return seconds;
  }

  [[gnu::noinline]] double Scan(std::size_t expected) {
    db_.Open(path_);
    sqlite3_stmt* scan = db_.Prepare("SELECT * FROM log ORDER BY PREF COLLATE NOCASE, DATA, TIM");
    Stopwatch clock;
    std::size_t n = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      ReadRow(scan);
      ++n;
    }
    double seconds = clock.Seconds();
    if (n != expected) Die("sqlite scan read " + std::to_string(n) + " rows");
    db_.Close();
    return seconds;
  }

  [[gnu::noinline]] double Get(const Workload& w) {
    db_.Open(path_);
    sqlite3_stmt* get = db_.Prepare("SELECT * FROM log WHERE N_QSO = ?");
    Stopwatch clock;
    for (std::int64_t serial : w.serials) {
      sqlite3_bind_int64(get, 1, serial);
      if (sqlite3_step(get) != SQLITE_ROW) Die("sqlite get found nothing");
      ReadRow(get);
      sqlite3_reset(get);
    }
    double seconds = clock.Seconds();
    db_.Close();
    return seconds;
  }

  [[gnu::noinline]] double Page(const Workload& w) {
    db_.Open(path_);
    sqlite3_stmt* page = db_.Prepare(
        "SELECT * FROM log WHERE POZ COLLATE NOCASE >= ? "
        "ORDER BY POZ COLLATE NOCASE, DATA, TIM LIMIT 30");
    Stopwatch clock;
    for (const std::string& call : w.calls) {
      BindLogText(page, 1, call);
      while (sqlite3_step(page) == SQLITE_ROW) ReadRow(page);
      sqlite3_reset(page);
    }
    double seconds = clock.Seconds();
    db_.Close();
    return seconds;
  }

  double Size() { return FileBytes(path_); }
  std::int64_t sink() const { return sink_; }

 private:
  // Takes every column, as a whole-row read through the record store does.
  void ReadRow(sqlite3_stmt* st) {
    for (int c = 0; c < 13; ++c) {
      switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER:
          sink_ += sqlite3_column_int64(st, c);
          break;
        case SQLITE_FLOAT:
          sink_ += static_cast<std::int64_t>(sqlite3_column_double(st, c));
          break;
        default:
          sink_ += sqlite3_column_bytes(st, c);
          if (const unsigned char* text = sqlite3_column_text(st, c)) sink_ += text[0];
      }
    }
  }

  std::string path_;
  LogDb db_;
  std::int64_t sink_ = 0;
};

int Run(int argc, char** argv) {
  Options options;
  options.rows = 100000;
  ParseOptions(argc, argv, 1, &options);
  ScratchDir dir(options.dir, std::filesystem::temp_directory_path());

  std::vector<LogRow> rows = GenerateRows(options.rows, 20261208);
  Workload work = MakeWorkload(rows);
  Ours ours(dir.path());
  Sqlite sqlite(dir.path());
  Figure("load", ours.Load(rows), sqlite.Load(rows));
  Figure("scan", ours.Scan(rows.size()), sqlite.Scan(rows.size()));
  Figure("get", ours.Get(work), sqlite.Get(work));
  Figure("page", ours.Page(work), sqlite.Page(work));
  Figure("size", ours.Size(), sqlite.Size(), true);
  if (ours.sink() + sqlite.sink() == 42) std::fputs("\n", stderr);
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  kavo::bench::program_name = "kavo-bench-store";
  return kavo::bench::Run(argc, argv);
}
