// kavo-bench-browse: the browse engine on the QSO log against SQLite with
// the same rows (the store benchmark's layout), through a scripted list of
// 30 rows in the order of AAA:BEY_P (callsign, date, time). Figures:
//   open      the view opened and the first page filled (engine: the first
//             refresh with its distribution); SQLite: ORDER BY ... LIMIT 30
//   scroll    10,000 one-row scrolls down from a random start; SQLite:
//             keyset pagination one row at a time
//   pagedown  1,000 page-downs; SQLite: keyset pagination 30 rows at a time
//   locate    1,000 locator jumps to random callsign prefixes; SQLite:
//             WHERE key >= ? ORDER BY ... LIMIT 30
//   drag      1,000 thumb drags to random positions; SQLite as locate, on
//             the stop the thumb maps to
//   reads-per-scroll  records the engine read per one-row scroll
//   page-memory       bytes held by the page queue
// Times in seconds, both stores reopened before the figures.
//
// Usage: kavo-bench-browse [--rows N] [--dir DIR]

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "browse/browse_engine.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "log_sqlite.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "store_bench_rows.h"

namespace kavo::bench {
namespace {

constexpr int kRows = 30;
constexpr int kScrolls = 10000;
constexpr int kPageDowns = 1000;
constexpr int kLocates = 1000;
constexpr int kDrags = 1000;
constexpr int kCallsignSize = 12;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "kavo-bench-browse: %s\n", what.c_str());
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

// A list of 30 rows and a window that only queue what the engine posts.
class BenchList : public BrowseList, public BrowseWindow {
 public:
  int32_t VisibleRows() const override { return kRows; }
  int32_t Selection() const override { return selection_; }
  void SetSelection(int32_t row) override { selection_ = row; }
  int32_t Thumb() const override { return thumb_; }
  void SetThumb(int32_t position) override { thumb_ = position; }
  void ShowScrollBar(bool) override {}
  void PostEvent(int32_t event) override { posted_.push_back(event); }
  int32_t PopupMenu(std::string_view) override { return 0; }
  void PageChanged() override {}
  void PostAccepted(int32_t) override {}
  void PostCloseRequest() override { Die("the browse asked to close"); }
  void EnableControl(int32_t, bool) override {}
  void FocusControl(int32_t) override {}
  void TypeInto(int32_t, char) override {}
  int32_t SelectedTab() const override { return 0; }
  void SetWaitCursor(bool) override {}
  void Redisplay() override {}

  void Event(BrowseEngine& engine, int32_t event) {
    engine.TakeEvent(ListEvent{event});
    while (!posted_.empty()) {
      int32_t e = posted_.front();
      posted_.pop_front();
      engine.TakeEvent(ListEvent{e});
    }
  }
  void set_thumb(int32_t p) { thumb_ = p; }

 private:
  int32_t selection_ = 0;
  int32_t thumb_ = 0;
  std::deque<int32_t> posted_;
};

// The log in callsign order, as the log browse's callsign tab shows it.
BrowseDescription LogByCallsign(DataContext& context) {
  BrowseDescription d;
  d.table = &context.AAAA;
  d.table_name = "AAAA";
  BrowseSortOrder s;
  s.key = "AAA:BEY_P";
  s.locator = LocatorKind::kIncremental;
  s.locator_field = "AAA:POZ";
  s.locator_clears = {"AAA:DATA", "AAA:TIM"};
  s.thumb = ThumbKind::kString;
  s.thumb_field = "AAA:POZ";
  d.sorts = {s};
  d.format = Cp1251FromUtf8(
      "48L(2)|M~Callsign~C@s12@37R(1)|M~Номер QSO~C(0)@n10.0@50L(1)|M~Страна~C(2)S(20)@s20@"
      "47R(1)|M~Дата~C(0)@D6@28R(1)|M~Время~C(0)@T1@35C(1)|M~Диапазон~C(0)@n5.1@");
  d.column_fields = {"AAA:POZ", "AAA:N_QSO", "AAA:PREF", "AAA:DATA", "AAA:TIM", "AAA:DIAPAZ"};
  d.buttons.list = 1;
  return d;
}

struct Workload {
  std::vector<std::string> starts;    // callsigns the scroll figures start from
  std::vector<std::string> prefixes;  // locator jumps
  std::vector<int32_t> thumbs;        // 2..99
};

Workload MakeWorkload(const std::vector<LogRow>& rows) {
  std::mt19937 rng(4321);
  Workload w;
  w.starts.push_back(rows[rng() % rows.size()].POZ);
  w.starts.push_back(rows[rng() % rows.size()].POZ);
  for (int i = 0; i < kLocates; ++i) {
    const std::string& call = rows[rng() % rows.size()].POZ;
    w.prefixes.push_back(call.substr(0, 1 + rng() % 3));
  }
  for (int i = 0; i < kDrags; ++i) w.thumbs.push_back(2 + static_cast<int32_t>(rng() % 98));
  return w;
}

struct Figures {
  double open = 0, scroll = 0, pagedown = 0, locate = 0, drag = 0;
  double reads_per_scroll = 0;
  double page_memory = 0;
};

// ---- The engine over the record store ----

class Ours {
 public:
  explicit Ours(const std::string& dir) : dir_(dir) {}

  void Load(const std::vector<LogRow>& rows) {
    DataContext context(dir_);
    UseFile(context.AAAA, 1);
    Table& t = context.AAAA.file();
    Check(t.Stream(), "stream");
    for (const LogRow& r : rows) {
      r.ToRecord(&context.AAAA.rec());
      Check(t.Add(), "add");
    }
    Check(t.Flush(), "flush");
    ReleaseFile(context.AAAA);
  }

  Figures Run(const Workload& w, std::vector<std::string>* stops) {
    Figures f;
    DataContext context(dir_);
    UseFile(context.AAAA, 1);
    BenchList list;
    std::string error;

    Stopwatch open;
    auto engine = BrowseEngine::Create(LogByCallsign(context), &list, &list, &error);
    if (!engine) Die(error);
    engine->Start();
    engine->OpenWindow();
    list.Event(*engine, 0);
    f.open = open.Seconds();
    if (engine->RecordCount != kRows) Die("the first page is not full");
    for (const std::string& s : engine->sorts[0].string_stops) stops->push_back(s);

    // From a random start, with the last row selected, every step reads.
    engine->LocatorAccepted(w.starts[0]);
    list.Event(*engine, browse_event::kScrollDown);
    list.SetSelection(kRows);
    list.Event(*engine, browse_event::kNewSelection);
    const uint64_t reads = engine->RecordsRead();
    Stopwatch scroll;
    for (int i = 0; i < kScrolls; ++i) list.Event(*engine, browse_event::kScrollDown);
    f.scroll = scroll.Seconds();
    f.reads_per_scroll = static_cast<double>(engine->RecordsRead() - reads) / kScrolls;

    engine->LocatorAccepted(w.starts[1]);
    list.Event(*engine, browse_event::kScrollDown);
    Stopwatch pages;
    for (int i = 0; i < kPageDowns; ++i) list.Event(*engine, browse_event::kPageDown);
    f.pagedown = pages.Seconds();

    Stopwatch locate;
    for (const std::string& prefix : w.prefixes) engine->LocatorAccepted(prefix);
    f.locate = locate.Seconds();

    Stopwatch drag;
    for (int32_t p : w.thumbs) {
      list.set_thumb(p);
      list.Event(*engine, browse_event::kScrollDrag);
    }
    f.drag = drag.Seconds();
    f.page_memory = static_cast<double>(engine->PageBytes());
    engine->Close();
    engine.reset();
    ReleaseFile(context.AAAA);
    return f;
  }

 private:
  std::string dir_;
};

// ---- SQLite ----

class Sqlite {
 public:
  explicit Sqlite(const std::string& dir) : path_(dir + "/aaaa.sqlite") {}
  ~Sqlite() {
    if (db_) sqlite3_close(db_);
  }

  void Load(const std::vector<LogRow>& rows) {
    Open();
    for (const char* sql : kLogSchema) Exec(sql);
    sqlite3_stmt* insert = Prepare(kLogInsert);
    Exec("BEGIN");
    for (const LogRow& r : rows) {
      BindLogRow(insert, r);
      if (sqlite3_step(insert) != SQLITE_DONE) Die(std::string("insert: ") + sqlite3_errmsg(db_));
      sqlite3_reset(insert);
    }
    Exec("COMMIT");
    sqlite3_finalize(insert);
    sqlite3_close(db_);
    db_ = nullptr;
  }

  Figures Run(const Workload& w, const std::vector<std::string>& stops) {
    Figures f;
    Open();
    Stopwatch open;
    sqlite3_stmt* first =
        Prepare("SELECT * FROM log ORDER BY POZ COLLATE NOCASE, DATA, TIM LIMIT 30");
    Rows(first, nullptr);
    f.open = open.Seconds();
    sqlite3_finalize(first);

    sqlite3_stmt* at = Prepare(
        "SELECT * FROM log WHERE POZ COLLATE NOCASE >= ? "
        "ORDER BY POZ COLLATE NOCASE, DATA, TIM, N_QSO LIMIT 30");

    // Keyset pagination in the index's order: the rest of the last row's
    // callsign after its date, time and serial number, then the callsigns
    // after it.
    const std::string after =
        "SELECT * FROM (SELECT * FROM log WHERE POZ = ?1 COLLATE NOCASE AND "
        "(DATA, TIM, N_QSO) > (?2, ?3, ?4) ORDER BY DATA, TIM, N_QSO LIMIT ?5) "
        "UNION ALL SELECT * FROM (SELECT * FROM log WHERE POZ > ?1 COLLATE NOCASE "
        "ORDER BY POZ COLLATE NOCASE, DATA, TIM, N_QSO LIMIT ?5) LIMIT ?5";
    sqlite3_stmt* one = Prepare(after.c_str());
    sqlite3_bind_int(one, 5, 1);
    sqlite3_stmt* page = Prepare(after.c_str());
    sqlite3_bind_int(page, 5, kRows);

    Last last;
    Bind(at, w.starts[0]);
    Rows(at, &last);
    Stopwatch scroll;
    for (int i = 0; i < kScrolls; ++i) Rows(Keyset(one, last), &last);
    f.scroll = scroll.Seconds();

    Bind(at, w.starts[1]);
    Rows(at, &last);
    Stopwatch pages;
    for (int i = 0; i < kPageDowns; ++i) Rows(Keyset(page, last), &last);
    f.pagedown = pages.Seconds();

    Stopwatch locate;
    for (const std::string& prefix : w.prefixes) Rows(Bind(at, prefix), nullptr);
    f.locate = locate.Seconds();

    Stopwatch drag;
    for (int32_t p : w.thumbs) {
      std::string stop = stops[static_cast<size_t>(p - 1)].substr(0, kCallsignSize);
      Rows(Bind(at, stop), nullptr);
    }
    f.drag = drag.Seconds();
    sqlite3_finalize(at);
    sqlite3_finalize(one);
    sqlite3_finalize(page);
    return f;
  }

 private:
  // The key of the last row read, where keyset pagination goes on from.
  struct Last {
    std::string poz;
    int64_t data = 0, tim = 0, n_qso = 0;
    bool any = false;
  };

  void Open() {
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) Die("cannot open " + path_);
    Exec("PRAGMA journal_mode=DELETE");
    Exec("PRAGMA synchronous=FULL");
  }
  void Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "";
      sqlite3_free(message);
      Die(std::string(sql) + ": " + text);
    }
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) {
      Die(std::string(sql) + ": " + sqlite3_errmsg(db_));
    }
    return st;
  }
  sqlite3_stmt* Bind(sqlite3_stmt* st, const std::string& text) {
    sqlite3_bind_text(st, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return st;
  }
  sqlite3_stmt* Keyset(sqlite3_stmt* st, const Last& last) {
    sqlite3_bind_text(st, 1, last.poz.data(), static_cast<int>(last.poz.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 2, last.data);
    sqlite3_bind_int64(st, 3, last.tim);
    sqlite3_bind_int64(st, 4, last.n_qso);
    return st;
  }
  // Steps through the result taking every column, as the engine copies
  // whole rows; remembers the key of the last row.
  void Rows(sqlite3_stmt* st, Last* last) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < 13; ++c) {
        if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
          sink_ += sqlite3_column_bytes(st, c);
        } else {
          sink_ += sqlite3_column_int64(st, c);
        }
      }
      if (last) {
        const unsigned char* poz = sqlite3_column_text(st, 0);
        last->poz = poz ? reinterpret_cast<const char*>(poz) : "";
        last->data = sqlite3_column_int64(st, 4);
        last->tim = sqlite3_column_int64(st, 5);
        last->n_qso = sqlite3_column_int64(st, 2);
        last->any = true;
      }
    }
    sqlite3_reset(st);
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  int64_t sink_ = 0;
};

void Figure(const char* name, double ours, double sqlite) {
  std::printf("figure %s ours %.6f sqlite %.6f ratio %.3f\n", name, ours, sqlite,
              sqlite > 0 ? ours / sqlite : 0);
  std::fflush(stdout);
}

int Run(int argc, char** argv) {
  int count = 1000000;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--rows" && i + 1 < argc) {
      count = std::atoi(argv[++i]);
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: kavo-bench-browse [--rows N] [--dir DIR]\n");
      return 2;
    }
  }
  if (count < kRows || count > 9999999) Die("--rows takes 30 to 9999999");
  const bool own_dir = dir.empty();
  if (own_dir) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Die("cannot make a temporary directory");
    dir = pattern;
  }
  ResetGlobals();
  std::vector<LogRow> rows = GenerateRows(count, 20261208);
  const Workload work = MakeWorkload(rows);
  Ours ours(dir);
  Sqlite sqlite(dir);
  ours.Load(rows);
  sqlite.Load(rows);
  rows.clear();
  std::vector<std::string> stops;
  const Figures a = ours.Run(work, &stops);
  const Figures b = sqlite.Run(work, stops);
  Figure("open", a.open, b.open);
  Figure("scroll", a.scroll, b.scroll);
  Figure("pagedown", a.pagedown, b.pagedown);
  Figure("locate", a.locate, b.locate);
  Figure("drag", a.drag, b.drag);
  std::printf("figure reads-per-scroll ours %.3f\n", a.reads_per_scroll);
  std::printf("figure page-memory ours %.0f\n", a.page_memory);
  if (own_dir) std::filesystem::remove_all(dir);
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  return kavo::bench::Run(argc, argv);
}
