// kavo-bench-journal: durable commits of the record store against SQLite with
// the same guarantee. Figures, one line each:
//   durable           median seconds of one QSO-log row added and committed on
//                     its own (journal and flushes included), over 1,000 adds,
//                     against SQLite autocommit inserts with
//                     journal_mode=DELETE, synchronous=FULL
//   durable-wal       the same against SQLite with journal_mode=WAL,
//                     synchronous=FULL
// The durable adds of both stores take turns, one row each, so that both
// meet the same disk load.
//   load-transaction  N rows added in one LOGOUT/COMMIT transaction, against
//                     one SQLite transaction (DELETE, FULL), seconds
// and one line "flushes durable-add <n>": the flush calls of one durable add.
// The files go to a directory on disk (a memory file system would make the
// flushes free).
//
// Usage: kavo-bench-journal [--rows N] [--adds N] [--dir DIR]

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "log_sqlite.h"
#include "runtime/errors.h"
#include "store/store_file.h"
#include "store/store_transaction.h"
#include "store/table.h"
#include "store_bench_rows.h"

namespace kavo::bench {
namespace {

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "kavo-bench-journal: %s\n", what.c_str());
  std::exit(1);
}

void Check(const Status& st, const char* what) {
  if (!st.ok()) Die(std::string(what) + ": " + ErrorText(st.code()) + " " + st.detail());
}

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

dict::AAAARecord* Buffer(Table& t) {
  return reinterpret_cast<dict::AAAARecord*>(t.record());
}

// ---- The record store ----

double OursLoadTransaction(const std::string& dir, const std::vector<LogRow>& rows) {
  std::string name = dir + "/AAAA";
  Check(Table::Create(name, dict::AAAA()), "create");
  Table t;
  Check(t.Open(name, &dict::AAAA()), "open");
  auto start = Clock::now();
  Check(Logout(t), "logout");
  for (const LogRow& r : rows) {
    t.ClearRecord();
    r.ToRecord(Buffer(t));
    Check(t.Add(), "add");
  }
  Check(CommitTransaction(), "commit");
  double seconds = Since(start);
  Check(t.Close(), "close");
  return seconds;
}

// ---- SQLite ----

class Sqlite {
 public:
  Sqlite(const std::string& path, const char* journal_mode) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) Die("cannot open " + path);
    Exec(std::string("PRAGMA journal_mode=") + journal_mode);
    Exec("PRAGMA synchronous=FULL");
    for (const char* sql : kLogSchema) Exec(sql);
    if (sqlite3_prepare_v2(db_, kLogInsert, -1, &insert_, nullptr) != SQLITE_OK) {
      Die(std::string("prepare: ") + sqlite3_errmsg(db_));
    }
  }
  ~Sqlite() {
    sqlite3_finalize(insert_);
    sqlite3_close(db_);
  }

  void Insert(const LogRow& r) {
    BindLogRow(insert_, r);
    if (sqlite3_step(insert_) != SQLITE_DONE) Die(std::string("insert: ") + sqlite3_errmsg(db_));
    sqlite3_reset(insert_);
  }

  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "";
      sqlite3_free(message);
      Die(sql + ": " + text);
    }
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
};

// Adds the rows one by one, each committed on its own, to the record store
// and to SQLite in turns, so that both meet the same disk weather.
struct Durable {
  double ours = 0;
  double sqlite = 0;
  double flushes_per_add = 0;
};

Durable DurableAdds(const std::string& dir, const char* sqlite_mode,
                    const std::vector<LogRow>& rows) {
  std::string name = dir + "/DURABLE" + sqlite_mode;
  Check(Table::Create(name, dict::AAAA()), "create");
  Table t;
  Check(t.Open(name, &dict::AAAA()), "open");
  Sqlite db(dir + "/durable-" + sqlite_mode + ".sqlite", sqlite_mode);
  std::vector<double> ours, theirs;
  int flushes_before = t.store()->flushes();
  for (const LogRow& r : rows) {
    t.ClearRecord();
    r.ToRecord(Buffer(t));
    auto start = Clock::now();
    Check(t.Add(), "add");
    ours.push_back(Since(start));
    start = Clock::now();
    db.Insert(r);
    theirs.push_back(Since(start));
  }
  Durable d;
  d.ours = Median(ours);
  d.sqlite = Median(theirs);
  d.flushes_per_add =
      static_cast<double>(t.store()->flushes() - flushes_before) / static_cast<double>(rows.size());
  Check(t.Close(), "close");
  return d;
}

double SqliteLoadTransaction(const std::string& path, const std::vector<LogRow>& rows) {
  Sqlite db(path, "DELETE");
  auto start = Clock::now();
  db.Exec("BEGIN");
  for (const LogRow& r : rows) db.Insert(r);
  db.Exec("COMMIT");
  return Since(start);
}

void Figure(const char* name, double ours, double sqlite) {
  std::printf("figure %s ours %.6f sqlite %.6f ratio %.3f\n", name, ours, sqlite,
              sqlite > 0 ? ours / sqlite : 0);
  std::fflush(stdout);
}

int Run(int argc, char** argv) {
  int count = 100000;
  int adds = 1000;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--rows" && i + 1 < argc) {
      count = std::atoi(argv[++i]);
    } else if (arg == "--adds" && i + 1 < argc) {
      adds = std::atoi(argv[++i]);
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: kavo-bench-journal [--rows N] [--adds N] [--dir DIR]\n");
      return 2;
    }
  }
  if (count < 1 || count > 9999999) Die("--rows takes 1 to 9999999");
  if (adds < 1 || adds > 100000) Die("--adds takes 1 to 100000");
  bool own_dir = dir.empty();
  if (own_dir) {
    // The working directory rather than the temporary one: the latter may be
    // a memory file system, where flushes cost nothing.
    std::string pattern = (std::filesystem::current_path() / "kavo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Die("cannot make a temporary directory");
    dir = pattern;
  }

  std::vector<LogRow> few = GenerateRows(adds, 20261208);
  Durable plain = DurableAdds(dir, "DELETE", few);
  Figure("durable", plain.ours, plain.sqlite);
  Durable wal = DurableAdds(dir, "WAL", few);
  Figure("durable-wal", wal.ours, wal.sqlite);
  std::printf("flushes durable-add %.2f\n", plain.flushes_per_add);

  std::vector<LogRow> rows = GenerateRows(count, 20261208);
  Figure("load-transaction", OursLoadTransaction(dir, rows),
         SqliteLoadTransaction(dir + "/load.sqlite", rows));

  if (own_dir) std::filesystem::remove_all(dir);
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  return kavo::bench::Run(argc, argv);
}
