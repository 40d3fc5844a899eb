// kavo-bench-log: the operator's log at work on N generated contacts (the
// store benchmark's rows), through the log browse's and the entry form's
// screen-free logic:
//   count   the "Автоподсчет" pass over the whole log in number order
//   tagall  tag all over the whole log, the count off (its own pass)
//   insert  1,000 contacts saved through the entry form: the reservation
//           made by priming, the write over it and the next reservation,
//           each a durable commit of its own
// count and tagall are printed in contacts per second of processor time,
// insert in contacts per second of wall time (it waits for the disk) and
// durable commits per contact (read from the change counter of the log's
// file header, against the step one commit of its own moves it). Each
// figure is taken --repeat times; the median and the lowest and highest are
// printed.
// Targets: count and tagall at least 1,000,000 contacts per second; an
// insert at most two durable commits.
//
// Usage: kavo-bench-log [--rows N] [--dir DIR] [--repeat K]; 100,000 rows and
// five repeats unless given.

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "forms/update_form.h"
#include "log/browse_aaaa.h"
#include "log/update_aaaa_form.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "scripted_browse.h"
#include "store/header.h"
#include "store/table.h"
#include "store_bench_rows.h"

namespace kavo::bench {
namespace {

constexpr int kInserts = 1000;
// The entry form's day and clock for the benchmark: any fixed moment.
constexpr int32_t kToday = 82000;
constexpr int32_t kNoon = 12 * 360000 + 1;

// The processor time of the process, in seconds: the passes are pure
// computation, and on a shared machine this is what they cost.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The form's window, for a form nobody looks at.
class NoFormView : public forms::FormView {
 public:
  void SetTitle(const std::string&) override {}
  void DisplayAll() override {}
  void DisplayField(int) override {}
  void DisplayChoices(int) override {}
  void SelectField(int) override {}
  void Beep() override {}
  void SetWaitCursor(bool) override {}
  void PostClose() override {}
};

void CreateTables(const std::string& dir) {
  for (const TableDef* def : {&dict::AAAA(), &dict::DXCC(), &dict::PREFRUS(), &dict::SETUP()}) {
    Check(Table::Create(dir + "/" + def->disk_name, *def), "create");
  }
  DataContext context(dir);
  UseFile(context.SETUP, 1);
  context.SETUP.rec().Clear();
  Check(context.SETUP.file().Add(), "station");
  ReleaseFile(context.SETUP);
  UseFile(context.DXCC, 1);
  context.DXCC.rec().Clear();
  dict::SetText(context.DXCC.rec().PR, "UA");
  dict::SetText(context.DXCC.rec().STRANA, "RUSSIA");
  Check(context.DXCC.file().Add(), "country");
  ReleaseFile(context.DXCC);
}

void Load(const std::string& dir, int count) {
  DataContext context(dir);
  UseFile(context.AAAA, 1);
  StreamRows(context.AAAA.file(), GenerateRows(count, 20261208));
  ReleaseFile(context.AAAA);
}

// The change counter of a file's header as it stands on disk.
int32_t ChangeCounter(const std::string& dir, const TableDef& def) {
  std::ifstream in(ParseTableName(dir + "/" + def.disk_name).file, std::ios::binary);
  uint8_t bytes[512] = {};
  if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) Die("a header is unreadable");
  FileHeader header;
  Check(FileHeader::Decode(bytes, &header), "header");
  return header.change_counter;
}

// How far one durable commit moves the change counter: one row added to
// the region table, alone.
int32_t CounterStep(const std::string& dir) {
  DataContext context(dir);
  UseFile(context.PREFRUS, 1);
  const int32_t before = ChangeCounter(dir, dict::PREFRUS());
  context.PREFRUS.rec().Clear();
  Check(context.PREFRUS.file().Add(), "region");
  const int32_t step = ChangeCounter(dir, dict::PREFRUS()) - before;
  ReleaseFile(context.PREFRUS);
  if (step <= 0) Die("a commit did not move the change counter");
  return step;
}

struct Spread {
  double median, low, high;
};

Spread SpreadOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

void Print(const char* name, const char* unit, const std::vector<double>& values) {
  const Spread s = SpreadOf(values);
  std::printf("figure %s %s median %.0f low %.0f high %.0f\n", name, unit, s.median, s.low, s.high);
  std::fflush(stdout);
}

// The browse figures: the count pass and tag all over the whole log.
void BrowseFigures(const std::string& dir, int count, int repeat) {
  DataContext context(dir);
  ProcedureFiles files(context, procedure_files::BrowseAAAA);
  files.Open();
  BrowseAAAA logic(context);
  testing::ScriptedBrowse list;
  list.tab = browse_aaaa::kNumberTab;
  list.rows = 30;
  std::string error;
  std::unique_ptr<BrowseEngine> engine = testing::OpenBrowse(list, logic.Describe({}), &error);
  if (!engine) Die(error);
  logic.Attach(engine.get(), &list, &list);

  std::vector<double> counts, tags;
  logic.SetAutoCount(true);
  for (int i = 0; i < repeat; ++i) {
    const double start = CpuSeconds();
    engine->InitializeBrowse();
    counts.push_back(count / (CpuSeconds() - start));
    if (logic.KOLQSO() != count) Die("the count is not the log's size");
  }
  logic.SetAutoCount(false);
  for (int i = 0; i < repeat; ++i) {
    const double start = CpuSeconds();
    logic.C3_TagAll(browse_aaaa::kTagAll);
    tags.push_back(count / (CpuSeconds() - start));
    if (TAG_AAAA.Records() != static_cast<size_t>(count)) Die("tag all missed contacts");
    logic.C3_TagAll(browse_aaaa::kUntagAll);
  }
  engine->Close();
  files.Release();
  Print("count", "contacts/cpu-s", counts);
  Print("tagall", "contacts/cpu-s", tags);
}

// The insert figure: contacts saved one after another in the form's loop.
void InsertFigure(const std::string& dir, int repeat) {
  UpdateAAAAServices services;
  services.Today = [] { return kToday; };
  services.Clock = [] { return kNoon; };
  services.UpdateDXCC = [](DataContext&) { return kRequestCancelled; };
  SetUpdateAAAAServices(&services);
  const int32_t step = CounterStep(dir);
  std::vector<double> rates, commits;
  for (int round = 0; round < repeat; ++round) {
    DataContext context(dir);
    NoFormView view;
    GlobalRequest = kInsertRecord;
    forms::UpdateForm form(UpdateAAAAForm(), context, view);
    if (!form.Open()) Die("the entry form did not open");
    form.WindowOpenedEvent();
    const int call = form.FieldIndex("AAA:POZ");
    const int32_t before = ChangeCounter(dir, dict::AAAA());
    const Stopwatch watch;
    for (int i = 0; i < kInserts; ++i) {
      form.FieldSelectedEvent(call);
      std::vector<std::string> texts;
      for (int f = 0; f < form.FieldCount(); ++f)
        texts.push_back(Utf8FromCp1251(form.FieldText(f)));
      texts[static_cast<size_t>(call)] = "UA" + std::to_string(i % 10) + "BENCH";
      form.OkPressed(texts);
      if (form.closed()) Die("the entry form closed");
    }
    rates.push_back(kInserts / watch.Seconds());
    commits.push_back(static_cast<double>(ChangeCounter(dir, dict::AAAA()) - before) / step /
                      kInserts);
    form.CancelPressed();
    form.Close();
  }
  SetUpdateAAAAServices(nullptr);
  Print("insert", "contacts/s", rates);
  const Spread c = SpreadOf(commits);
  std::printf("figure insert-commits per-contact median %.3f low %.3f high %.3f\n", c.median, c.low,
              c.high);
}

int Run(int argc, char** argv) {
  // --repeat K is this benchmark's own; the rest are the common options.
  int repeat = 5;
  std::vector<char*> common;
  for (int i = 0; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
    } else {
      common.push_back(argv[i]);
    }
  }
  Options options;
  options.rows = 100000;
  ParseOptions(static_cast<int>(common.size()), common.data(), 1, &options);
  if (repeat < 1) Die("--repeat takes 1 or more");
  const ScratchDir dir(options.dir, std::filesystem::temp_directory_path());
  ResetGlobals();
  CreateTables(dir.path());
  Load(dir.path(), options.rows);
  BrowseFigures(dir.path(), options.rows, repeat);
  InsertFigure(dir.path(), repeat);
  return 0;
}

}  // namespace
}  // namespace kavo::bench

int main(int argc, char** argv) {
  kavo::bench::program_name = "kavo-bench-log";
  return kavo::bench::Run(argc, argv);
}
