// kavo-bench-adif [COUNT]: a log of COUNT generated contacts (100,000 by
// default, Cyrillic QTH and remarks) in a scratch directory, exported to
// .adi and imported into an empty log, in one transaction as the program
// does. Prints
//   figure adif-fill contacts <n> seconds <s> cpu_seconds <c>
//   figure adif-export contacts <n> seconds <s> cpu_seconds <c> target_seconds 2
//   figure adif-import contacts <n> seconds <s> cpu_seconds <c> target_seconds 5
// (wall-clock seconds, and the processor seconds of this process, which a
// busy machine does not inflate) and exits 1 when the import does not give back every contact.

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "adif/adif_export.h"
#include "adif/adif_import.h"
#include "data/dict_records.h"
#include "log/band_plan.h"
#include "log/qso_lists.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "store/store_transaction.h"
#include "store/table.h"

namespace {

using kavo::Status;
using kavo::Table;
namespace dict = kavo::dict;
namespace fs = std::filesystem;

constexpr int kDefaultCount = 100000;

void Check(const Status& st, const char* what) {
  if (st.ok()) return;
  std::fprintf(stderr, "kavo-bench-adif: %s failed with error %d\n", what, st.code());
  std::exit(1);
}

void OpenLog(const fs::path& dir, Table* AAAA, Table* DXCC) {
  fs::create_directories(dir);
  const std::string aaaa = (dir / "AAAA").string();
  const std::string dxcc = (dir / "DXCC").string();
  Check(Table::Create(aaaa, dict::AAAA()), "create AAAA");
  Check(Table::Create(dxcc, dict::DXCC()), "create DXCC");
  Check(AAAA->Open(aaaa, &dict::AAAA()), "open AAAA");
  Check(DXCC->Open(dxcc, &dict::DXCC()), "open DXCC");
}

void FillLog(Table& AAAA, int count) {
  const std::string qth[] = {kavo::Cp1251FromUtf8("Москва"),
                             kavo::Cp1251FromUtf8("Санкт-Петербург"), "Berlin"};
  const std::string remark[] = {kavo::Cp1251FromUtf8("привет"), "tnx QSO", ""};
  const auto bands = kavo::log::BandList();
  const auto modes = kavo::log::ModeList();
  const auto qsl = kavo::log::QslStates();
  auto& AAA = *reinterpret_cast<dict::AAAARecord*>(AAAA.record());
  Check(kavo::Logout(AAAA), "logout");
  for (int n = 1; n <= count; ++n) {
    AAA.Clear();
    const std::string call = "UA" + std::to_string(n % 10) + "A" + std::to_string(n);
    dict::SetText(AAA.POZ, call);
    AAA.N_QSO.set(n);
    AAA.DATA = kavo::DateFromParts(2000 + n % 25, 1 + n % 12, 1 + n % 28);
    AAA.TIM = kavo::TimeFromParts(n % 24, n % 60, 0, 0) + n % 100;
    AAA.DIAPAZ = bands[static_cast<std::size_t>(n) % bands.size()];
    dict::SetText(AAA.MODE, modes[static_cast<std::size_t>(n) % modes.size()]);
    dict::SetText(AAA.RPT_1, "59");
    dict::SetText(AAA.RPT_2, "57");
    dict::SetText(AAA.QSL, qsl[static_cast<std::size_t>(n) % qsl.size()].QSL);
    dict::SetText(AAA.QTH, qth[n % 3]);
    dict::SetText(AAA.PRIMEC, remark[n % 3]);
    dict::SetText(AAA.PREF, "RUSSIA");
    dict::SetText(AAA.PR, "3A");
    Check(AAAA.Add(), "add");
  }
  Check(kavo::CommitTransaction(), "commit");
}

// Wall-clock and processor time since it was made.
class Stopwatch {
 public:
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
  }
  double cpu_seconds() const { return static_cast<double>(std::clock() - cpu_) / CLOCKS_PER_SEC; }

 private:
  std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
  std::clock_t cpu_ = std::clock();
};

void Figure(const char* name, long long contacts, const Stopwatch& watch, const char* target) {
  std::printf("figure %s contacts %lld seconds %.3f cpu_seconds %.3f%s\n", name, contacts,
              watch.seconds(), watch.cpu_seconds(), target);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : kDefaultCount;
  const fs::path dir = fs::temp_directory_path() / ("kavo-bench-adif-" + std::to_string(getpid()));
  int result = 0;
  {
    Table AAAA, DXCC, copy_AAAA, copy_DXCC;
    OpenLog(dir / "source", &AAAA, &DXCC);
    Stopwatch fill;
    FillLog(AAAA, count);
    Figure("adif-fill", count, fill, "");
    const std::string file = (dir / "log.adi").string();

    Stopwatch export_watch;
    kavo::adif::ExportSummary exported = kavo::adif::ExportAdifFile(AAAA, file, {});
    Figure("adif-export", exported.written, export_watch, " target_seconds 2");

    OpenLog(dir / "copy", &copy_AAAA, &copy_DXCC);
    Stopwatch import_watch;
    kavo::adif::ImportSummary imported = kavo::adif::ImportAdifFile(copy_AAAA, copy_DXCC, file, {});
    Figure("adif-import", imported.imported, import_watch, " target_seconds 5");
    if (!exported.failure.empty() || imported.imported != count || !imported.committed) {
      std::fprintf(stderr, "kavo-bench-adif: %s%s", exported.failure.c_str(),
                   imported.Text().c_str());
      result = 1;
    }
  }
  fs::remove_all(dir);
  return result;
}
