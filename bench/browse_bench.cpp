// kavo-bench-browse: the browse engine on the QSO log against SQLite with
// the same rows (the store benchmark's layout), through a scripted list of
// 30 rows in the order of AAA:BEY_P (callsign, date, time). Figures:
//   open      the view opened and the first page filled (engine: the first
//             refresh with its distribution); SQLite: ORDER BY ... LIMIT 30.
//             Each open is on the file just opened, with nothing of it
//             cached; the median of kOpens, after one that warms the
//             process for each peer, so that neither pays the other's
//             first use of the heap and of its own code
//   scroll    10,000 one-row scrolls down from a random start; SQLite:
//             keyset pagination one row at a time
//   pagedown  1,000 page-downs; SQLite: keyset pagination 30 rows at a time
//   locate    1,000 locator jumps to random callsign prefixes; SQLite:
//             WHERE key >= ? ORDER BY ... LIMIT 30
//   drag      1,000 thumb drags to random positions; SQLite as locate, on
//             the stop the thumb maps to
//   first-open        the engine's first open in the process, the warming
//                     one: what the operator waits for the first page
//   reads-per-scroll  records the engine read per one-row scroll
//   page-memory       bytes held by the page queue
// Times in seconds, both stores reopened before the figures.
//
// Usage: kavo-bench-browse [--rows N] [--dir DIR]
// A --dir that an earlier run loaded with the same --rows is read as it is.

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
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
constexpr int kOpens = 7;

// The median of the open times of a run, the warming one left out.
double MedianOpen(std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

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
  double open = 0, first_open = 0, scroll = 0, pagedown = 0, locate = 0, drag = 0;
  double reads_per_scroll = 0;
  double page_memory = 0;
};

// ---- The engine over the record store ----

// Each figure is a function of its own, so that a profile can tell them apart.
class Ours {
 public:
  explicit Ours(const std::string& dir) : context_(dir) {}

  void Load(const std::vector<LogRow>& rows) {
    UseFile(context_.AAAA, 1);
    StreamRows(context_.AAAA.file(), rows);
    ReleaseFile(context_.AAAA);
  }

  Figures Run(const Workload& w, std::vector<std::string>* stops) {
    Figures f;
    std::vector<double> opens;
    for (int i = 0; i <= kOpens; ++i) {
      UseFile(context_.AAAA, 1);
      const double seconds = Open();
      if (i == 0) f.first_open = seconds;
      if (i > 0) opens.push_back(seconds);
      if (i == kOpens) break;
      engine_->Close();
      engine_.reset();
      ReleaseFile(context_.AAAA);
    }
    f.open = MedianOpen(std::move(opens));
    for (const std::string& s : engine_->sorts[0].string_stops) stops->push_back(s);
    f.scroll = Scroll(w.starts[0], &f.reads_per_scroll);
    f.pagedown = PageDown(w.starts[1]);
    f.locate = Locate(w.prefixes);
    f.drag = Drag(w.thumbs);
    f.page_memory = static_cast<double>(engine_->PageBytes());
    engine_->Close();
    engine_.reset();
    ReleaseFile(context_.AAAA);
    return f;
  }

 private:
  [[gnu::noinline]] double Open() {
    std::string error;
    Stopwatch clock;
    engine_ = BrowseEngine::Create(LogByCallsign(context_), &list_, &list_, &error);
    if (!engine_) Die(error);
    engine_->Start();
    engine_->OpenWindow();
    list_.Event(*engine_, 0);
    const double seconds = clock.Seconds();
    if (engine_->RecordCount != kRows) Die("the first page is not full");
    return seconds;
  }

  // From a random start, with the last row selected, every step reads.
  [[gnu::noinline]] double Scroll(const std::string& start, double* reads_per_scroll) {
    engine_->LocatorAccepted(start);
    list_.Event(*engine_, browse_event::kScrollDown);
    list_.SetSelection(kRows);
    list_.Event(*engine_, browse_event::kNewSelection);
    const uint64_t reads = engine_->RecordsRead();
    Stopwatch clock;
    for (int i = 0; i < kScrolls; ++i) list_.Event(*engine_, browse_event::kScrollDown);
    const double seconds = clock.Seconds();
    *reads_per_scroll = static_cast<double>(engine_->RecordsRead() - reads) / kScrolls;
    return seconds;
  }

  [[gnu::noinline]] double PageDown(const std::string& start) {
    engine_->LocatorAccepted(start);
    list_.Event(*engine_, browse_event::kScrollDown);
    Stopwatch clock;
    for (int i = 0; i < kPageDowns; ++i) list_.Event(*engine_, browse_event::kPageDown);
    return clock.Seconds();
  }

  [[gnu::noinline]] double Locate(const std::vector<std::string>& prefixes) {
    Stopwatch clock;
    for (const std::string& prefix : prefixes) engine_->LocatorAccepted(prefix);
    return clock.Seconds();
  }

  [[gnu::noinline]] double Drag(const std::vector<int32_t>& thumbs) {
    Stopwatch clock;
    for (int32_t p : thumbs) {
      list_.set_thumb(p);
      list_.Event(*engine_, browse_event::kScrollDrag);
    }
    return clock.Seconds();
  }

  DataContext context_;
  BenchList list_;
  std::unique_ptr<BrowseEngine> engine_;
};

// ---- SQLite ----

class Sqlite {
 public:
  explicit Sqlite(const std::string& dir) : path_(dir + "/aaaa.sqlite") {}

  void Load(const std::vector<LogRow>& rows) {
    db_.Open(path_);
    db_.CreateSchema();
    db_.InsertAll(rows);
    db_.Close();
  }

  Figures Run(const Workload& w, const std::vector<std::string>& stops) {
    Figures f;
    std::vector<double> opens;
    for (int i = 0; i <= kOpens; ++i) {
      db_.Open(path_);
      const double seconds = Open();
      if (i > 0) opens.push_back(seconds);
      if (i < kOpens) db_.Close();
    }
    f.open = MedianOpen(std::move(opens));
    at_ = db_.Prepare(
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
    one_ = db_.Prepare(after);
    sqlite3_bind_int(one_, 5, 1);
    page_ = db_.Prepare(after);
    sqlite3_bind_int(page_, 5, kRows);
    f.scroll = Scroll(w.starts[0]);
    f.pagedown = PageDown(w.starts[1]);
    f.locate = Locate(w.prefixes);
    f.drag = Drag(w.thumbs, stops);
    db_.Close();
    return f;
  }

 private:
  // The key of the last row read, where keyset pagination goes on from.
  struct Last {
    std::string poz;
    int64_t data = 0, tim = 0, n_qso = 0;
  };

  [[gnu::noinline]] double Open() {
    Stopwatch clock;
    Rows(db_.Prepare("SELECT * FROM log ORDER BY POZ COLLATE NOCASE, DATA, TIM LIMIT 30"), nullptr);
    return clock.Seconds();
  }

  [[gnu::noinline]] double Scroll(const std::string& start) {
    Rows(Bind(at_, start), &last_);
    Stopwatch clock;
    for (int i = 0; i < kScrolls; ++i) Rows(Keyset(one_), &last_);
    return clock.Seconds();
  }

  [[gnu::noinline]] double PageDown(const std::string& start) {
    Rows(Bind(at_, start), &last_);
    Stopwatch clock;
    for (int i = 0; i < kPageDowns; ++i) Rows(Keyset(page_), &last_);
    return clock.Seconds();
  }

  [[gnu::noinline]] double Locate(const std::vector<std::string>& prefixes) {
    Stopwatch clock;
    for (const std::string& prefix : prefixes) Rows(Bind(at_, prefix), nullptr);
    return clock.Seconds();
  }

  [[gnu::noinline]] double Drag(const std::vector<int32_t>& thumbs,
                                const std::vector<std::string>& stops) {
    Stopwatch clock;
    for (int32_t p : thumbs) {
      std::string stop = stops[static_cast<size_t>(p - 1)].substr(0, kCallsignSize);
      Rows(Bind(at_, stop), nullptr);
    }
    return clock.Seconds();
  }

  sqlite3_stmt* Bind(sqlite3_stmt* st, const std::string& text) {
    sqlite3_bind_text(st, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return st;
  }
  sqlite3_stmt* Keyset(sqlite3_stmt* st) {
    // Copied: the rows read overwrite last_ while the statement runs.
    sqlite3_bind_text(st, 1, last_.poz.data(), static_cast<int>(last_.poz.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 2, last_.data);
    sqlite3_bind_int64(st, 3, last_.tim);
    sqlite3_bind_int64(st, 4, last_.n_qso);
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
      }
    }
    sqlite3_reset(st);
  }

  std::string path_;
  LogDb db_;
  sqlite3_stmt* at_ = nullptr;
  sqlite3_stmt* one_ = nullptr;
  sqlite3_stmt* page_ = nullptr;
  Last last_;
  int64_t sink_ = 0;
};

// Whether the file says the directory was loaded with `rows` rows.
bool ReadsRows(const std::filesystem::path& file, int rows) {
  std::ifstream in(file);
  int n = 0;
  return static_cast<bool>(in >> n) && n == rows;
}

int Run(int argc, char** argv) {
  Options options;
  options.rows = 1000000;
  ParseOptions(argc, argv, kRows, &options);
  ScratchDir dir(options.dir, std::filesystem::temp_directory_path());
  ResetGlobals();
  std::vector<LogRow> rows = GenerateRows(options.rows, 20261208);
  const Workload work = MakeWorkload(rows);
  Ours ours(dir.path());
  Sqlite sqlite(dir.path());
  // A directory given that holds the logs of an earlier run with as many
  // rows is used as it stands: loading a million rows twice takes minutes.
  const std::filesystem::path loaded = std::filesystem::path(dir.path()) / "loaded-rows";
  if (!ReadsRows(loaded, options.rows)) {
    ours.Load(rows);
    sqlite.Load(rows);
    std::ofstream(loaded) << options.rows << "\n";
  }
  rows.clear();
  std::vector<std::string> stops;
  const Figures a = ours.Run(work, &stops);
  const Figures b = sqlite.Run(work, stops);
  Figure("open", a.open, b.open);
  Figure("scroll", a.scroll, b.scroll);
  Figure("pagedown", a.pagedown, b.pagedown);
  Figure("locate", a.locate, b.locate);
  Figure("drag", a.drag, b.drag);
  std::printf("figure first-open ours %.6f\n", a.first_open);
  std::printf("figure reads-per-scroll ours %.3f\n", a.reads_per_scroll);
  std::printf("figure page-memory ours %.0f\n", a.page_memory);
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  kavo::bench::program_name = "kavo-bench-browse";
  return kavo::bench::Run(argc, argv);
}
