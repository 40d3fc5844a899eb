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

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "kavo-bench-store: %s\n", what.c_str());
  std::exit(1);
}

void Check(const Status& st, const char* what) {
  if (!st.ok()) Die(std::string(what) + ": " + ErrorText(st.code()) + " " + st.detail());
}

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

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
    Check(t.Stream(), "stream");
    for (const LogRow& r : rows) {
      r.ToRecord(Buffer(t));
      Check(t.Add(), "add");
    }
    Check(t.Flush(), "flush");
    double seconds = clock.Seconds();
    Check(t.Close(), "close");
    return seconds;
  }

  double Scan(std::size_t expected) {
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

  double Get(const Workload& w) {
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

  double Page(const Workload& w) {
    Table t;
    Check(t.Open(name_, &dict::AAAA()), "open");
    int key = dict::AAAA().FindKey("AAA:BEY_P");
    Stopwatch clock;
    for (const std::string& call : w.calls) {
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
  ~Sqlite() { Close(); }

  double Load(const std::vector<LogRow>& rows) {
    Open();
    for (const char* sql : kLogSchema) Exec(sql);
    sqlite3_stmt* insert = Prepare(kLogInsert);
    Stopwatch clock;
    Exec("BEGIN");
    for (const LogRow& r : rows) {
      BindLogRow(insert, r);
      if (sqlite3_step(insert) != SQLITE_DONE) Die(std::string("insert: ") + sqlite3_errmsg(db_));
      sqlite3_reset(insert);
    }
    Exec("COMMIT");
    double seconds = clock.Seconds();
    sqlite3_finalize(insert);
    Close();
    return seconds;
  }

  double Scan(std::size_t expected) {
    Open();
    sqlite3_stmt* scan = Prepare("SELECT * FROM log ORDER BY PREF COLLATE NOCASE, DATA, TIM");
    Stopwatch clock;
    std::size_t n = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      ReadRow(scan);
      ++n;
    }
    double seconds = clock.Seconds();
    if (n != expected) Die("sqlite scan read " + std::to_string(n) + " rows");
    sqlite3_finalize(scan);
    Close();
    return seconds;
  }

  double Get(const Workload& w) {
    Open();
    sqlite3_stmt* get = Prepare("SELECT * FROM log WHERE N_QSO = ?");
    Stopwatch clock;
    for (std::int64_t serial : w.serials) {
      sqlite3_bind_int64(get, 1, serial);
      if (sqlite3_step(get) != SQLITE_ROW) Die("sqlite get found nothing");
      ReadRow(get);
      sqlite3_reset(get);
    }
    double seconds = clock.Seconds();
    sqlite3_finalize(get);
    Close();
    return seconds;
  }

  double Page(const Workload& w) {
    Open();
    sqlite3_stmt* page = Prepare(
        "SELECT * FROM log WHERE POZ COLLATE NOCASE >= ? "
        "ORDER BY POZ COLLATE NOCASE, DATA, TIM LIMIT 30");
    Stopwatch clock;
    for (const std::string& call : w.calls) {
      BindLogText(page, 1, call);
      while (sqlite3_step(page) == SQLITE_ROW) ReadRow(page);
      sqlite3_reset(page);
    }
    double seconds = clock.Seconds();
    sqlite3_finalize(page);
    Close();
    return seconds;
  }

  double Size() { return FileBytes(path_); }
  std::int64_t sink() const { return sink_; }

 private:
  void Open() {
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) Die("cannot open " + path_);
    Exec("PRAGMA journal_mode=DELETE");
    Exec("PRAGMA synchronous=FULL");
  }
  void Close() {
    if (db_ != nullptr) sqlite3_close(db_);
    db_ = nullptr;
  }
  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "";
      sqlite3_free(message);
      Die(sql + ": " + text);
    }
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) {
      Die(std::string(sql) + ": " + sqlite3_errmsg(db_));
    }
    return st;
  }
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
  sqlite3* db_ = nullptr;
  std::int64_t sink_ = 0;
};

void Figure(const char* name, double ours, double sqlite, bool bytes) {
  double ratio = sqlite > 0 ? ours / sqlite : 0;
  if (bytes) {
    std::printf("figure %s ours %.0f sqlite %.0f ratio %.3f\n", name, ours, sqlite, ratio);
  } else {
    std::printf("figure %s ours %.6f sqlite %.6f ratio %.3f\n", name, ours, sqlite, ratio);
  }
  std::fflush(stdout);
}

int Run(int argc, char** argv) {
  int count = 100000;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--rows" && i + 1 < argc) {
      count = std::atoi(argv[++i]);
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: kavo-bench-store [--rows N] [--dir DIR]\n");
      return 2;
    }
  }
  if (count < 1 || count > 9999999) Die("--rows takes 1 to 9999999");
  bool own_dir = dir.empty();
  if (own_dir) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Die("cannot make a temporary directory");
    dir = pattern;
  }

  std::vector<LogRow> rows = GenerateRows(count, 20261208);
  Workload work = MakeWorkload(rows);
  Ours ours(dir);
  Sqlite sqlite(dir);
  Figure("load", ours.Load(rows), sqlite.Load(rows), false);
  Figure("scan", ours.Scan(rows.size()), sqlite.Scan(rows.size()), false);
  Figure("get", ours.Get(work), sqlite.Get(work), false);
  Figure("page", ours.Page(work), sqlite.Page(work), false);
  Figure("size", ours.Size(), sqlite.Size(), true);
  if (ours.sink() == 42) std::fputs("\n", stderr);

  if (own_dir) std::filesystem::remove_all(dir);
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  return kavo::bench::Run(argc, argv);
}
