// Logs for the import and export tests: tables on an in-memory file system
// and generated contacts that cover every band, mode and QSL state of the
// lists, with Cyrillic text.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/dict_records.h"
#include "log/band_plan.h"
#include "log/qso_lists.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "store/mem_file.h"
#include "store/table.h"

namespace kavo::adif::testing {

// AAAA and DXCC of one log.
class TestLog {
 public:
  explicit TestLog(FileSystem* fs, const std::string& directory = "log") {
    OpenOptions options;
    options.fs = fs;
    const std::string aaaa = directory + "/AAAA";
    const std::string dxcc = directory + "/DXCC";
    if (!fs->Exists(aaaa + ".VTF")) {
      EXPECT_TRUE(Table::Create(aaaa, dict::AAAA(), options).ok());
    }
    if (!fs->Exists(dxcc + ".VTF")) {
      EXPECT_TRUE(Table::Create(dxcc, dict::DXCC(), options).ok());
    }
    EXPECT_TRUE(AAAA.Open(aaaa, &dict::AAAA(), options).ok());
    EXPECT_TRUE(DXCC.Open(dxcc, &dict::DXCC(), options).ok());
  }

  dict::AAAARecord& AAA() { return *reinterpret_cast<dict::AAAARecord*>(AAAA.record()); }

  void AddCountry(const char* PR, const std::string& STRANA_utf8) {
    auto& DXC = *reinterpret_cast<dict::DXCCRecord*>(DXCC.record());
    DXC.Clear();
    dict::SetText(DXC.PR, PR);
    dict::SetText(DXC.STRANA, Cp1251FromUtf8(STRANA_utf8));
    EXPECT_TRUE(DXCC.Add().ok());
  }

  void Add(const dict::AAAARecord& record) {
    std::memcpy(&AAA(), &record, sizeof record);
    EXPECT_TRUE(AAAA.Add().ok());
  }

  // Every contact in file order.
  std::vector<dict::AAAARecord> All() {
    std::vector<dict::AAAARecord> all;
    EXPECT_TRUE(AAAA.Set().ok());
    while (AAAA.Next().ok()) all.push_back(AAA());
    return all;
  }

  Table AAAA;
  Table DXCC;
};

inline dict::AAAARecord Contact(int n, const char* POZ, double DIAPAZ, std::string_view MODE,
                                std::string_view QSL) {
  dict::AAAARecord AAA;
  AAA.Clear();
  dict::SetText(AAA.POZ, POZ);
  AAA.N_QSO.set(n);
  AAA.DATA = DateFromParts(2020 + n % 5, 1 + n % 12, 1 + n % 28);
  // Some times carry hundredths, as the entry form stamps them.
  AAA.TIM = TimeFromParts(n % 24, (n * 7) % 60, (n * 13) % 60, 0) + (n % 3 == 0 ? n % 100 : 0);
  if (AAA.TIM == 0) AAA.TIM = kFirstTime;
  AAA.DIAPAZ = DIAPAZ;
  dict::SetText(AAA.MODE, MODE);
  dict::SetText(AAA.RPT_1, n % 2 ? "599" : "59");
  dict::SetText(AAA.RPT_2, "57");
  dict::SetText(AAA.QSL, QSL);
  static const char* kQth[] = {"Москва", "Санкт-Петербург", "Ёлкино, обл. 42", "Berlin"};
  static const char* kRemark[] = {"привет & <ок>", "", "tnx QSO", "Ъ\"Ь'"};
  static const char* kCountry[] = {"RUSSIA", "Россия", "GERMANY", "ЮАР"};
  dict::SetText(AAA.QTH, Cp1251FromUtf8(kQth[n % 4]));
  dict::SetText(AAA.PRIMEC, Cp1251FromUtf8(kRemark[(n / 4) % 4]));
  dict::SetText(AAA.PREF, Cp1251FromUtf8(kCountry[(n / 16) % 4]));
  dict::SetText(AAA.PR, n % 5 == 0 ? "" : "3A");
  return AAA;
}

// One contact for every band, mode and QSL state of the lists.
inline std::vector<dict::AAAARecord> EveryKindOfContact() {
  std::vector<dict::AAAARecord> log;
  int n = 0;
  for (double band : log::BandList()) {
    for (std::string_view mode : log::ModeList()) {
      for (const log::QslState& qsl : log::QslStates()) {
        ++n;
        const std::string call = "UA" + std::to_string(n % 10) + "A" + std::to_string(n);
        log.push_back(Contact(n, call.c_str(), band, mode, qsl.QSL));
      }
    }
  }
  return log;
}

}  // namespace kavo::adif::testing
