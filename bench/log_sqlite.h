// The QSO log as the SQLite side of the benchmarks keeps it: one table with
// the serial number as the primary key and one index per other key of the
// AAAA layout, case-insensitive where the key is, so that SQLite maintains
// the same orders the record store does.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "bench_util.h"
#include "store_bench_rows.h"

namespace kavo::bench {

// Run in order on an empty database.
inline const char* const kLogSchema[] = {
    "CREATE TABLE log (POZ TEXT, PR TEXT, N_QSO INTEGER PRIMARY KEY, PREF TEXT, "
    "DATA INTEGER, TIM INTEGER, DIAPAZ REAL, MODE TEXT, RPT_1 TEXT, RPT_2 TEXT, QTH TEXT, "
    "QSL TEXT, PRIMEC TEXT)",
    "CREATE INDEX BEY_QSL ON log (QSL COLLATE NOCASE)",
    "CREATE INDEX BEY_SS ON log (PREF COLLATE NOCASE, DATA, TIM)",
    "CREATE INDEX BEY_D ON log (DATA)",
    "CREATE INDEX BEY_DIAP ON log (DIAPAZ)",
    "CREATE INDEX BEY_DD ON log (DIAPAZ, DATA, TIM)",
    "CREATE INDEX BEY_P ON log (POZ COLLATE NOCASE, DATA, TIM)",
    "CREATE INDEX BEY_MODE ON log (MODE COLLATE NOCASE, DATA, TIM)",
    "CREATE INDEX BEY_SPDT ON log (PREF COLLATE NOCASE, POZ COLLATE NOCASE, DATA, TIM)",
    "CREATE INDEX BEY_MODEDIA ON log (MODE COLLATE NOCASE, DIAPAZ, DATA, TIM)",
    "CREATE INDEX BEY_SDIA ON log (PREF COLLATE NOCASE, DIAPAZ, DATA, TIM)",
    "CREATE INDEX BEY_PR ON log (PR COLLATE NOCASE, POZ COLLATE NOCASE, DATA, TIM)",
};

inline constexpr char kLogInsert[] = "INSERT INTO log VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)";

// The texts are bound without a copy: the row must outlive the step.
inline void BindLogText(sqlite3_stmt* st, int i, const std::string& text) {
  sqlite3_bind_text(st, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Binds every column of kLogInsert; the caller steps and resets.
inline void BindLogRow(sqlite3_stmt* insert, const LogRow& r) {
  BindLogText(insert, 1, r.POZ);
  BindLogText(insert, 2, r.PR);
  sqlite3_bind_int64(insert, 3, r.N_QSO);
  BindLogText(insert, 4, r.PREF);
  sqlite3_bind_int(insert, 5, r.DATA);
  sqlite3_bind_int(insert, 6, r.TIM);
  sqlite3_bind_double(insert, 7, r.DIAPAZ);
  BindLogText(insert, 8, r.MODE);
  BindLogText(insert, 9, r.RPT_1);
  BindLogText(insert, 10, r.RPT_2);
  BindLogText(insert, 11, r.QTH);
  BindLogText(insert, 12, r.QSL);
  BindLogText(insert, 13, r.PRIMEC);
}

// One SQLite database of the log with the journal mode given and
// synchronous=FULL. Every failure ends the benchmark.
class LogDb {
 public:
  LogDb() = default;
  LogDb(const LogDb&) = delete;
  LogDb& operator=(const LogDb&) = delete;
  ~LogDb() { Close(); }

  void Open(const std::string& path, const char* journal_mode = "DELETE") {
    Close();
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) Die("cannot open " + path);
    Exec(std::string("PRAGMA journal_mode=") + journal_mode);
    Exec("PRAGMA synchronous=FULL");
  }
  // Finalizes the statements prepared since the open.
  void Close() {
    for (sqlite3_stmt* st : statements_) sqlite3_finalize(st);
    statements_.clear();
    insert_ = nullptr;
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
  // The statement stays with the database until Close.
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      Die(sql + ": " + sqlite3_errmsg(db_));
    }
    statements_.push_back(st);
    return st;
  }
  void CreateSchema() {
    for (const char* sql : kLogSchema) Exec(sql);
  }
  // One row through kLogInsert, committed on its own outside a transaction.
  void Insert(const LogRow& r) {
    if (insert_ == nullptr) insert_ = Prepare(kLogInsert);
    BindLogRow(insert_, r);
    if (sqlite3_step(insert_) != SQLITE_DONE) Die(std::string("insert: ") + sqlite3_errmsg(db_));
    sqlite3_reset(insert_);
  }
  // Every row in one transaction.
  void InsertAll(const std::vector<LogRow>& rows) {
    Exec("BEGIN");
    for (const LogRow& r : rows) Insert(r);
    Exec("COMMIT");
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
};

}  // namespace kavo::bench
