// kavo-bench-expr: how fast compiled filters test a bound record buffer, and
// how the filter's share of a filtered full scan of the log compares with the
// time spent reading the rows.
//
// Prints one line per figure:
//   figure filter-<name> tests_per_second <n>
//   figure scan-<name> rows <n> passed <n> read_seconds <s> filter_seconds <s>
// The filter time of the scan is measured around each test with the clock,
// so it includes two clock reads per row and overstates the filter's share.
// Options: --rows N (default 1000000), --tests N (default 50000000).
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "expr/expr_view.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "store/table.h"
#include "store_bench_rows.h"

namespace {

using namespace kavo;
using bench::Check;
using bench::Die;
using Clock = std::chrono::steady_clock;

const char* kPeriod = "aaa:data>=d1 and aaa:data<=d2";
const char* kCountry = "UPPER(AAA:PREF) = UPPER(BRW1::Sort1:Reset:DXC:STRANA)";

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The variables a browse or report binds besides the record.
struct Bound {
  int32_t d1 = 0;
  int32_t d2 = 0;
  char strana[20];
};

void BindAll(expr::BindScopes& scopes, Bound& b, const uint8_t* record) {
  scopes.Bind("d1", expr::VarRef::Long(&b.d1));
  scopes.Bind("d2", expr::VarRef::Long(&b.d2));
  scopes.Bind("BRW1::Sort1:Reset:DXC:STRANA", expr::VarRef::String(b.strana, 20));
  expr::BindTable(scopes, dict::AAAA(), record);
}

// Tests per second of one filter over a buffer whose fields change between
// tests the way consecutive rows differ.
void FilterRate(const char* name, const char* text, const std::vector<dict::AAAARecord>& rows,
                long tests) {
  dict::AAAARecord buffer = rows[0];
  Bound b;
  b.d1 = rows[0].DATA;
  b.d2 = b.d1 + 365;
  dict::SetText(b.strana, "country " + std::string(rows[0].PREF + 8, 6));
  expr::BindScopes scopes;
  BindAll(scopes, b, reinterpret_cast<uint8_t*>(&buffer));
  expr::ViewConditions view;
  Check(view.SetFilter(text, scopes), text);
  size_t mask = rows.size() - 1;  // a power of two
  long passed = 0;
  Clock::time_point start = Clock::now();
  for (long i = 0; i < tests; ++i) {
    const dict::AAAARecord& r = rows[static_cast<size_t>(i) & mask];
    buffer.DATA = r.DATA;
    std::memcpy(buffer.PREF, r.PREF, sizeof buffer.PREF);
    passed += view.Test();
  }
  double s = Seconds(start);
  std::printf("figure filter-%s tests_per_second %.0f passed %ld\n", name, tests / s, passed);
}

void Scan(const char* name, const char* text, const std::string& table_name, long rows,
          const std::string& country) {
  Table t;
  Check(t.Open(table_name, nullptr), "open");
  Bound b;
  b.d1 = DateFromParts(2000, 1, 1);
  b.d2 = DateFromParts(2004, 12, 31);
  dict::SetText(b.strana, country);
  expr::BindScopes scopes;
  BindAll(scopes, b, t.record());
  expr::ViewConditions view;
  Check(view.SetFilter(text, scopes), text);
  Check(t.Set(), "set");
  long n = 0, passed = 0;
  double filter_seconds = 0;
  Clock::time_point start = Clock::now();
  for (;;) {
    Status st = t.Next();
    if (st.code() == err::kRecordNotAvailable) break;
    Check(st, "next");
    ++n;
    Clock::time_point f = Clock::now();
    passed += view.Test();
    filter_seconds += Seconds(f);
  }
  double total = Seconds(start);
  if (n != rows) Die("scan read " + std::to_string(n) + " rows");
  std::printf("figure scan-%s rows %ld passed %ld read_seconds %.3f filter_seconds %.3f\n", name, n,
              passed, total - filter_seconds, filter_seconds);
}

}  // namespace

int main(int argc, char** argv) {
  bench::program_name = "kavo-bench-expr";
  long rows = 1000000;
  long tests = 50000000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--tests") == 0) tests = std::atol(argv[i + 1]);
  }
  if (rows < 1 || tests < 1) Die("usage: kavo-bench-expr [--rows N] [--tests N]");

  std::vector<bench::LogRow> generated = bench::GenerateRows(static_cast<int>(rows), 42);
  std::vector<dict::AAAARecord> sample(1024);
  for (size_t i = 0; i < sample.size(); ++i) generated[i % generated.size()].ToRecord(&sample[i]);
  FilterRate("period", kPeriod, sample, tests);
  FilterRate("country", kCountry, sample, tests);

  // The scan reads the log in record order; the table carries the log's
  // fields without its keys, which a record-order scan does not touch and
  // which would only slow the loading down.
  char dir_template[] = "/tmp/kavo-bench-expr-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) Die("cannot make a temporary directory");
  std::string dir = dir_template;
  std::string name = dir + "/AAAA";
  TableDef def = dict::AAAA();
  def.keys.clear();
  Check(Table::Create(name, def), "create");
  {
    Table t;
    Check(t.Open(name, &def), "open");
    Check(t.Stream(), "stream");
    for (const bench::LogRow& r : generated) {
      r.ToRecord(reinterpret_cast<dict::AAAARecord*>(t.record()));
      Check(t.Add(), "add");
    }
    Check(t.Flush(), "flush");
    Check(t.Close(), "close");
  }
  // The country the browse chose, in other letter case than in the log.
  std::string country = generated[0].PREF;
  for (char& c : country) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Scan("period", kPeriod, name, rows, country);
  Scan("country", kCountry, name, rows, country);
  Check(Table::Remove(name), "remove");
  rmdir(dir.c_str());
  return 0;
}
