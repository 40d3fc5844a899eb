// The QSO log as the SQLite side of the benchmarks keeps it: one table with
// the serial number as the primary key and one index per other key of the
// AAAA layout, case-insensitive where the key is, so that SQLite maintains
// the same orders the record store does.
#pragma once

#include <sqlite3.h>

#include <string>

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

}  // namespace kavo::bench
