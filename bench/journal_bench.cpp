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
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
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
  Stopwatch clock;
  Check(Logout(t), "logout");
  for (const LogRow& r : rows) {
    r.ToRecord(Buffer(t));
    Check(t.Add(), "add");
  }
  Check(CommitTransaction(), "commit");
  double seconds = clock.Seconds();
  Check(t.Close(), "close");
  return seconds;
}

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
  LogDb db;
  db.Open(dir + "/durable-" + sqlite_mode + ".sqlite", sqlite_mode);
  db.CreateSchema();
  std::vector<double> ours, theirs;
  int flushes_before = t.store()->flushes();
  for (const LogRow& r : rows) {
    r.ToRecord(Buffer(t));
    Stopwatch add;
    Check(t.Add(), "add");
    ours.push_back(add.Seconds());
    Stopwatch insert;
    db.Insert(r);
    theirs.push_back(insert.Seconds());
  }
  Durable d;
  d.ours = Median(ours);
  d.sqlite = Median(theirs);
  d.flushes_per_add =
      static_cast<double>(t.store()->flushes() - flushes_before) / static_cast<double>(rows.size());
  Check(t.Close(), "close");
  return d;
}

// ---- SQLite ----

double SqliteLoadTransaction(const std::string& path, const std::vector<LogRow>& rows) {
  LogDb db;
  db.Open(path);
  db.CreateSchema();
  Stopwatch clock;
  db.InsertAll(rows);
  return clock.Seconds();
}

int Run(int argc, char** argv) {
  Options options;
  options.rows = 100000;
  options.adds = 1000;
  ParseOptions(argc, argv, 1, &options);
  if (options.adds < 1 || options.adds > 100000) Die("--adds takes 1 to 100000");
  // The working directory rather than the temporary one: the latter may be
  // a memory file system, where flushes cost nothing.
  ScratchDir scratch(options.dir, std::filesystem::current_path());
  const std::string& dir = scratch.path();

  std::vector<LogRow> few = GenerateRows(options.adds, 20261208);
  Durable plain = DurableAdds(dir, "DELETE", few);
  Figure("durable", plain.ours, plain.sqlite);
  Durable wal = DurableAdds(dir, "WAL", few);
  Figure("durable-wal", wal.ours, wal.sqlite);
  std::printf("flushes durable-add %.2f\n", plain.flushes_per_add);

  std::vector<LogRow> rows = GenerateRows(options.rows, 20261208);
  Figure("load-transaction", OursLoadTransaction(dir, rows),
         SqliteLoadTransaction(dir + "/load.sqlite", rows));
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  kavo::bench::program_name = "kavo-bench-journal";
  return kavo::bench::Run(argc, argv);
}
