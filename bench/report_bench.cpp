// kavo-bench-report: lays out 10,000 contacts in the band report's layout
// through the report frame without timer pacing, then writes the pages.
// Prints:
//   figure layout ours <seconds per 1,000 detail bands>
//   figure pdf ours <seconds per page>
//   figure total ours <seconds for the whole run>
//   cpu layout <s per 1,000 bands> pdf <s per page> total <s>
// The figures are wall time; the cpu line gives the process's processor
// time for the same steps, which a busy machine changes much less.
// The layout figure covers reading the log, laying out the bands and storing
// the page images; the pdf figure covers reading the stored pages back and
// writing them as one PDF file with the program's writer, as `kavo print`
// does.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <time.h>

#include "data/context.h"
#include "data/dict_tables.h"
#include "data/globals.h"
#include "report_bench_output.h"
#include "reports/log_reports.h"
#include "reports/report_procedure.h"
#include "store/table.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kContacts = 10000;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

double CpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool WriteLog(const std::string& directory) {
  const std::string path = directory + "/AAAA";
  kavo::Table table;
  if (!kavo::Table::Create(path, kavo::dict::AAAA()).ok() ||
      !table.Open(path, &kavo::dict::AAAA()).ok()) {
    return false;
  }
  if (!table.Stream().ok()) return false;
  for (int i = 1; i <= kContacts; ++i) {
    table.ClearRecord();
    auto& rec = *reinterpret_cast<kavo::dict::AAAARecord*>(table.record());
    std::string call = "UA" + std::to_string(i);
    call.copy(rec.POZ, std::min(call.size(), sizeof rec.POZ));
    std::string country = "European Russia";
    country.copy(rec.PREF, country.size());
    std::string qth = "Moscow";
    qth.copy(rec.QTH, qth.size());
    rec.N_QSO.set(i);
    rec.DATA = 80000 + i / 50;
    rec.TIM = 360001 + (i % 8640) * 1000;
    rec.DIAPAZ = 14.0;
    rec.RPT_1[0] = '5';
    rec.RPT_1[1] = '9';
    rec.RPT_2[0] = '5';
    rec.RPT_2[1] = '7';
    if (!table.Add().ok()) return false;
  }
  return table.Flush().ok() && table.Close().ok();
}

class BenchServices final : public kavo::reports::ReportServices {
 public:
  BenchServices(kavo::bench::PdfOutput& pdf, std::string output)
      : pdf_(pdf), output_(std::move(output)) {}
  void SETDATA() override {}
  bool ReportPreview(const kavo::reports::PrintPreviewQueue& queue) override {
    layout_seconds = Seconds(start);
    layout_cpu = CpuSeconds() - start_cpu;
    Clock::time_point t = Clock::now();
    const double cpu = CpuSeconds();
    ok = pdf_.WritePages(queue, output_).ok();
    output_seconds = Seconds(t);
    output_cpu = CpuSeconds() - cpu;
    pages = queue.size();
    return false;
  }
  void PrintPages(const kavo::reports::PrintPreviewQueue&) override {}

  Clock::time_point start;
  double start_cpu = 0;
  double layout_seconds = 0;
  double output_seconds = 0;
  double layout_cpu = 0;
  double output_cpu = 0;
  size_t pages = 0;
  bool ok = false;

 private:
  kavo::bench::PdfOutput& pdf_;
  std::string output_;
};

}  // namespace

int main(int argc, char** argv) {
  kavo::bench::PdfOutput pdf(argc, argv);
  std::string pattern = (std::filesystem::temp_directory_path() / "kavo-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string dir = pattern;
  int status = 1;
  if (WriteLog(dir)) {
    kavo::ResetGlobals();
    kavo::DIAPAZ = 14.0;
    kavo::DataContext context(dir);
    BenchServices services(pdf, dir + "/report.pdf");
    Clock::time_point total = Clock::now();
    services.start = total;
    services.start_cpu = CpuSeconds();
    {
      kavo::reports::ReportProcedure report(kavo::reports::PRINTDIAP(), context, services);
      report.RunWithoutWindow();
    }
    double total_seconds = Seconds(total);
    double total_cpu = CpuSeconds() - services.start_cpu;
    if (services.ok && services.pages > 0) {
      std::printf("figure layout ours %.4f\n", services.layout_seconds / (kContacts / 1000.0));
      std::printf("figure pdf ours %.5f\n", services.output_seconds / services.pages);
      std::printf("figure total ours %.3f pages %zu contacts %d\n", total_seconds, services.pages,
                  kContacts);
      std::printf("cpu layout %.4f pdf %.5f total %.3f\n",
                  services.layout_cpu / (kContacts / 1000.0), services.output_cpu / services.pages,
                  total_cpu);
      status = 0;
    } else {
      std::fprintf(stderr, "kavo-bench-report: the report was not written\n");
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return status;
}
