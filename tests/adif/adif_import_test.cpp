// Import and export against a log: the exact round trip, the three text
// encodings of .adi files, duplicates, refusals and their report, the
// numbering and the country of imported contacts, and broken files.
#include "adif/adif_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <sstream>

#include "adif/adif_export.h"
#include "adif/adif_worker.h"
#include "adif_test_log.h"
#include "data_test_util.h"

namespace kavo::adif {
namespace {

using testing::Contact;
using testing::TestLog;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

::testing::AssertionResult SameContacts(const std::vector<dict::AAAARecord>& want,
                                        const std::vector<dict::AAAARecord>& got) {
  if (want.size() != got.size()) {
    return ::testing::AssertionFailure() << want.size() << " contacts, got " << got.size();
  }
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (std::memcmp(&want[i], &got[i], sizeof want[i]) != 0) {
      return ::testing::AssertionFailure()
             << "contact " << i << " (" << dict::TextOf(want[i].POZ) << ") differs";
    }
  }
  return ::testing::AssertionSuccess();
}

class AdifImportTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name) { return dir_.File(name); }

  ImportSummary Import(TestLog& log, const std::string& path, ImportOptions options = {}) {
    return ImportAdifFile(log.AAAA, log.DXCC, path, options);
  }

  kavo::testing::ScratchDir dir_;
  MemFileSystem fs_;
};

TEST_F(AdifImportTest, RoundTripThroughBothFormatsGivesBackEveryField) {
  TestLog source(&fs_, "source");
  const std::vector<dict::AAAARecord> contacts = testing::EveryKindOfContact();
  for (const dict::AAAARecord& c : contacts) source.Add(c);
  for (const char* name : {"log.adi", "log.adx"}) {
    SCOPED_TRACE(name);
    ExportSummary exported = ExportAdifFile(source.AAAA, File(name), {});
    ASSERT_TRUE(exported.failure.empty()) << exported.failure;
    EXPECT_EQ(exported.written, static_cast<std::int64_t>(contacts.size()));
    TestLog target(&fs_, std::string("target-") + name);
    ImportSummary summary = Import(target, File(name));
    EXPECT_TRUE(summary.failure.empty()) << summary.failure;
    EXPECT_TRUE(summary.committed);
    EXPECT_EQ(summary.imported, static_cast<std::int64_t>(contacts.size()));
    EXPECT_EQ(summary.refused + summary.duplicates + summary.renumbered, 0);
    EXPECT_TRUE(summary.not_kept.empty());
    // The empty country table takes the four countries of the contacts.
    EXPECT_EQ(summary.countries_added, 4);
    EXPECT_EQ(summary.countries_replaced, 0);
    EXPECT_TRUE(SameContacts(contacts, target.All()));
  }
}

TEST_F(AdifImportTest, ByteCountCharacterCountAndCodePageFilesKeepTheCyrillic) {
  const std::string record_bytes =
      "<CALL:5>UA3AB <QSO_DATE:8>20240105 <TIME_ON:4>1230 <BAND:3>40m <MODE:2>CW "
      "<QTH:12>Москва <COMMENT:12>привет <EOR>\n";
  const std::string record_chars =
      "<CALL:5>UA3AB <QSO_DATE:8>20240105 <TIME_ON:4>1230 <BAND:3>40m <MODE:2>CW "
      "<QTH:6>Москва <COMMENT:6>привет <EOR>\n";
  const std::string cp1251 = Cp1251FromUtf8(record_chars);
  int n = 0;
  for (const std::string& text : {record_bytes, record_chars, cp1251}) {
    SCOPED_TRACE(n);
    const std::string path = File("other" + std::to_string(++n) + ".adi");
    WriteFile(path, "Other logger <EOH>\n" + text);
    TestLog log(&fs_, "log" + std::to_string(n));
    ImportSummary summary = Import(log, path);
    ASSERT_EQ(summary.imported, 1) << summary.Text();
    EXPECT_EQ(summary.character_counts, n == 2);
    EXPECT_EQ(summary.cp1251, n == 3);
    const dict::AAAARecord got = log.All().at(0);
    EXPECT_EQ(Utf8FromCp1251(dict::TextOf(got.QTH)), "Москва");
    EXPECT_EQ(Utf8FromCp1251(dict::TextOf(got.PRIMEC)), "привет");
    EXPECT_EQ(double{got.DIAPAZ}, 7.0);
    EXPECT_EQ(got.N_QSO.get(), 1);
  }
}

TEST_F(AdifImportTest, DuplicatesAreSkippedRefusalsReportedAndUnkeptFieldsCounted) {
  TestLog log(&fs_);
  dict::AAAARecord existing = Contact(1, "UA3AB", 14.0, "SSB", log::kDefaultQSL);
  existing.TIM = TimeFromParts(12, 30, 5, 0);
  existing.DATA = DateFromParts(2024, 1, 5);
  log.Add(existing);
  WriteFile(File("in.adi"),
            "<EOH>\n"
            // Same contact, other second of the same minute, lower case: duplicate.
            "<CALL:5>ua3ab <QSO_DATE:8>20240105 <TIME_ON:6>123059 <BAND:3>20m <MODE:3>ssb "
            "<GRIDSQUARE:4>KO85 <EOR>\n"
            // Next minute: a new contact.
            "<CALL:5>UA3AB <QSO_DATE:8>20240105 <TIME_ON:4>1231 <BAND:3>20m <MODE:3>SSB <EOR>\n"
            // Bad date.
            "<CALL:5>DL1AB <QSO_DATE:8>20241301 <TIME_ON:4>1231 <GRIDSQUARE:4>JO62 <EOR>\n"
            // Too long for the QTH field, and a snowman.
            "<CALL:5>DL2AB <QTH:47>Петропавловск-Камчатский <COMMENT:3>☃ <EOR>\n"
            // The same new contact twice in one file: the second is a duplicate.
            "<CALL:5>UA3AB <QSO_DATE:8>20240105 <TIME_ON:4>1231 <BAND:3>20m <MODE:3>SSB <EOR>\n"
            "<CALL:4>DL3A <FREQ:6>14.025 <BAND:3>20m <EOR>\n");
  ImportSummary summary = Import(log, File("in.adi"));
  EXPECT_TRUE(summary.committed);
  EXPECT_EQ(summary.read, 6);
  EXPECT_EQ(summary.imported, 2);
  EXPECT_EQ(summary.duplicates, 2);
  EXPECT_EQ(summary.refused, 2);
  EXPECT_EQ(summary.not_kept,
            (std::map<std::string, std::int64_t>{{"FREQ", 1}, {"GRIDSQUARE", 2}}));
  ASSERT_EQ(summary.report_file, File("in.adi") + ".report.txt");
  const std::string report = ReadFile(summary.report_file);
  EXPECT_NE(report.find("record 3 (line 4), DL1AB, QSO_DATE: not a date: \"20241301\""),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("record 4 (line 5), DL2AB, QTH: longer than 22"), std::string::npos);
  EXPECT_NE(report.find("record 4 (line 5), DL2AB, COMMENT: the character U+2603"),
            std::string::npos);
  EXPECT_NE(report.find("GRIDSQUARE 2"), std::string::npos);
  EXPECT_EQ(log.All().size(), 3u);

  // With cutting and replacing allowed the refused long QTH comes in; the
  // bad date never does, and the rest are now duplicates.
  ImportOptions lenient;
  lenient.mapping.truncate = true;
  lenient.mapping.replace = true;
  summary = Import(log, File("in.adi"), lenient);
  EXPECT_EQ(summary.imported, 1);
  EXPECT_EQ(summary.refused, 1);
  EXPECT_EQ(summary.duplicates, 4);
  EXPECT_EQ(Utf8FromCp1251(dict::TextOf(log.All().back().QTH)), "Петропавловск-Камчатск");
}

// Duplicates within one file: an empty log finds them in memory, another
// through its keys; both must count the same.
TEST_F(AdifImportTest, DuplicatesInAFileCountTheSameInAnEmptyLogAndInAFullOne) {
  WriteFile(File("in.adi"),
            "<CALL:5>UA3AB<QSO_DATE:8>20240105<TIME_ON:6>123005<BAND:3>20m<MODE:3>SSB<EOR>\n"
            // Case, second and band value aside the same: duplicates.
            "<CALL:5>ua3ab<QSO_DATE:8>20240105<TIME_ON:6>123059<BAND:3>20m<MODE:3>ssb<EOR>\n"
            // Another minute, another band value of 10m, another mode: new.
            "<CALL:5>UA3AB<QSO_DATE:8>20240105<TIME_ON:4>1231<BAND:3>20m<MODE:3>SSB<EOR>\n"
            "<CALL:5>UA3AB<QSO_DATE:8>20240105<TIME_ON:4>1230<FREQ:6>28.500<MODE:3>SSB<EOR>\n"
            "<CALL:5>UA3AB<QSO_DATE:8>20240105<TIME_ON:4>1230<FREQ:6>29.500<MODE:3>SSB<EOR>\n"
            "<CALL:5>UA3AB<QSO_DATE:8>20240105<TIME_ON:4>1230<BAND:3>20m<MODE:2>CW<EOR>\n"
            // Without date and time twice: duplicates; at midnight without a date: new.
            "<CALL:4>DL1A<BAND:3>40m<MODE:2>CW<EOR>\n"
            "<CALL:4>DL1A<BAND:3>40m<MODE:2>CW<EOR>\n"
            "<CALL:4>DL1A<TIME_ON:6>000000<BAND:3>40m<MODE:2>CW<EOR>\n");
  TestLog empty(&fs_, "empty");
  TestLog full(&fs_, "full");
  full.Add(Contact(1, "OK1AB", 7.0, "CW", log::kDefaultQSL));
  for (TestLog* log : {&empty, &full}) {
    ImportSummary summary = Import(*log, File("in.adi"));
    EXPECT_EQ(summary.imported, 7) << summary.Text();
    EXPECT_EQ(summary.duplicates, 2);
    summary = Import(*log, File("in.adi"));
    EXPECT_EQ(summary.imported, 0);
    EXPECT_EQ(summary.duplicates, 9);
  }
}

TEST_F(AdifImportTest, NumbersCountriesAndRegionsAsTheEntryFormGivesThem) {
  TestLog log(&fs_);
  log.AddCountry("UA", "RUSSIA");
  log.AddCountry("UA", "ASIATIC");
  log.AddCountry("DL", "GERMANY");
  for (int n : {1, 2, 3}) log.Add(Contact(n, "OK1AB", 7.0, "CW", log::kDefaultQSL));
  WriteFile(File("in.adx"),
            "<?xml version=\"1.0\"?><ADX><RECORDS>"
            "<RECORD><CALL>UA1B</CALL></RECORD>"
            "<RECORD><CALL>DL1ABC</CALL><APP PROGRAMID=\"KAVO\" FIELDNAME=\"N_QSO\">2</APP>"
            "</RECORD>"
            "<RECORD><CALL>UA3BXY</CALL><COUNTRY>RUSSIA</COUNTRY>"
            "<APP PROGRAMID=\"KAVO\" FIELDNAME=\"N_QSO\">9</APP></RECORD>"
            "<RECORD><CALL>R3AA</CALL><COUNTRY>RUSSIA</COUNTRY></RECORD>"
            "<RECORD><CALL>UA9X</CALL><COUNTRY>RUSSIA</COUNTRY>"
            "<APP PROGRAMID=\"KAVO\" FIELDNAME=\"PR\">9Z</APP></RECORD>"
            "</RECORDS></ADX>");
  ImportSummary summary = Import(log, File("in.adx"));
  EXPECT_EQ(summary.imported, 5) << summary.Text();
  EXPECT_EQ(summary.renumbered, 1);
  const auto all = log.All();
  ASSERT_EQ(all.size(), 8u);
  struct Want {
    int N_QSO;
    const char* PREF;
    const char* PR;
  };
  // No country: the first of the prefix in country order ("ASIATIC"), and
  // the region rule does not run for it.
  const Want want[] = {{4, "ASIATIC", ""},
                       {5, "GERMANY", ""},
                       {9, "RUSSIA", "3A"},
                       {10, "RUSSIA", "3A"},
                       {11, "RUSSIA", "9Z"}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(all[3 + i].N_QSO.get(), want[i].N_QSO);
    EXPECT_EQ(dict::TextOf(all[3 + i].PREF), want[i].PREF);
    EXPECT_EQ(dict::TextOf(all[3 + i].PR), want[i].PR);
    EXPECT_EQ(dict::TextOf(all[3 + i].QSL), log::kDefaultQSL);
  }
  EXPECT_NE(ReadFile(summary.report_file).find("number 2 is taken; numbered 5"), std::string::npos);
}

// Other loggers name countries their own way and give the entity number;
// the log keeps the names of its country table, found by the callsign's
// prefix, and adds to the table a country for a prefix it lacks. A record
// written by this program keeps its country.
TEST_F(AdifImportTest, CountriesAreLinkedToTheCountryTable) {
  TestLog log(&fs_);
  log.AddCountry("UA", "RUSSIA");
  log.AddCountry("DL", "GERMANY");
  const auto countries = [&] {
    std::vector<std::string> rows;
    auto& DXC = *reinterpret_cast<dict::DXCCRecord*>(log.DXCC.record());
    EXPECT_TRUE(log.DXCC.Set().ok());
    while (log.DXCC.Next().ok()) {
      rows.push_back(std::string(dict::TextOf(DXC.PR)) + " " +
                     Utf8FromCp1251(dict::TextOf(DXC.STRANA)));
    }
    return rows;
  };
  WriteFile(File("in.adi"),
            "<CALL:6>UA3ABC<COUNTRY:15>European Russia<DXCC:2>54<EOR>\n"
            "<CALL:5>DL1AB<COUNTRY:7>germany<EOR>\n"
            "<CALL:5>UA9XX<COUNTRY:13>Asiatic Russia<EOR>\n"
            "<CALL:5>ZZ1AA<COUNTRY:12>Земля X<EOR>\n"
            "<CALL:5>ZZ2BB<COUNTRY:5>Other<EOR>\n"
            "<CALL:5>UA0ZZ<COUNTRY:7>ASIATIC<APP_KAVO_PR:2>0Z<EOR>\n");
  const std::vector<std::string> before = countries();

  ImportOptions dry;
  dry.dry_run = true;
  ImportSummary summary = Import(log, File("in.adi"), dry);
  EXPECT_EQ(summary.countries_added, 2);
  EXPECT_EQ(countries(), before) << "a dry run adds no country";

  summary = Import(log, File("in.adi"));
  ASSERT_TRUE(summary.committed) << summary.Text();
  EXPECT_EQ(summary.imported, 6);
  EXPECT_EQ(summary.countries_replaced, 3);
  EXPECT_EQ(summary.countries_added, 2);
  EXPECT_EQ(summary.not_kept.at("DXCC"), 1);
  const auto all = log.All();
  ASSERT_EQ(all.size(), 6u);
  const char* want[] = {"RUSSIA", "GERMANY", "RUSSIA", "Земля X", "Земля X", "ASIATIC"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Utf8FromCp1251(dict::TextOf(all[i].PREF)), want[i]) << i;
  }
  // The region rule runs on the country the contact was given.
  EXPECT_EQ(dict::TextOf(all[0].PR), "3A");
  EXPECT_EQ(dict::TextOf(all[5].PR), "0Z");
  const std::vector<std::string> after = {"UA RUSSIA", "DL GERMANY", "ZZ Земля X", "UA ASIATIC"};
  EXPECT_EQ(countries(), after);
  const std::string report = ReadFile(summary.report_file);
  EXPECT_NE(report.find("European Russia -> RUSSIA 1"), std::string::npos) << report;
  EXPECT_NE(report.find("Other -> Земля X 1"), std::string::npos) << report;
  EXPECT_NE(report.find("ZZ Земля X"), std::string::npos) << report;
}

TEST_F(AdifImportTest, BrokenFilesDryRunsAndCancelLeaveTheLogAsItWas) {
  TestLog log(&fs_);
  log.Add(Contact(1, "OK1AB", 7.0, "CW", log::kDefaultQSL));
  const std::string good = "<CALL:4>DL1A <EOR>\n<CALL:4>DL2A <EOR>\n";
  WriteFile(File("past-end.adi"), good + "<CALL:40>DL3A <EOR>\n");
  WriteFile(File("no-close.adi"), good + "<CALL:4 DL3A <EOR>\n");
  WriteFile(File("bad.adx"), "<ADX>\n<RECORDS>\n<RECORD><CALL>DL1A</CALL></RECORD><RECORD>");
  for (const char* name : {"past-end.adi", "no-close.adi", "bad.adx"}) {
    ImportSummary summary = Import(log, File(name));
    EXPECT_FALSE(summary.committed) << name << ": " << summary.Text();
    EXPECT_NE(summary.failure.find("line 3"), std::string::npos) << name << ": " << summary.failure;
    EXPECT_EQ(log.All().size(), 1u) << name;
  }
  WriteFile(File("good.adi"), good);
  ImportOptions dry;
  dry.dry_run = true;
  ImportSummary summary = Import(log, File("good.adi"), dry);
  EXPECT_EQ(summary.imported, 2);
  EXPECT_FALSE(summary.committed);
  EXPECT_NE(summary.Text().find("dry run"), std::string::npos);
  EXPECT_EQ(log.All().size(), 1u);

  summary = ImportAdifFile(log.AAAA, log.DXCC, File("good.adi"), {}, [](double) { return false; });
  EXPECT_EQ(log.All().size(), 1u);
  EXPECT_FALSE(summary.committed);

  for (const char* name : {"missing.adi", "good.txt"}) {
    summary = Import(log, File(name));
    EXPECT_FALSE(summary.failure.empty()) << name;
    EXPECT_TRUE(summary.report_file.empty()) << name;
    EXPECT_FALSE(dir_.Exists(std::string(name) + ".report.txt")) << name;
  }
}

TEST_F(AdifImportTest, ExportOfAPeriodInDateOrder) {
  TestLog log(&fs_);
  for (int n = 1; n <= 40; ++n) log.Add(Contact(n, "DL1A", 7.0, "CW", log::kDefaultQSL));
  ExportOptions period;
  period.from = DateFromParts(2021, 1, 1);
  period.to = DateFromParts(2022, 12, 31);
  ExportSummary summary = ExportAdifFile(log.AAAA, File("period.adi"), period);
  ASSERT_TRUE(summary.failure.empty()) << summary.failure;
  TestLog back(&fs_, "back");
  ASSERT_EQ(Import(back, File("period.adi")).imported, summary.written);
  std::int32_t last = 0;
  std::int64_t inside = 0;
  for (const dict::AAAARecord& c : log.All())
    inside += c.DATA >= period.from && c.DATA <= period.to;
  EXPECT_EQ(summary.written, inside);
  for (const dict::AAAARecord& c : back.All()) {
    EXPECT_GE(std::int32_t{c.DATA}, std::max(last, period.from));
    EXPECT_LE(std::int32_t{c.DATA}, period.to);
    last = c.DATA;
  }
  // A cancelled export leaves no file behind.
  summary = ExportAdifFile(log.AAAA, File("none.adx"), {}, [](double) { return false; });
  EXPECT_FALSE(dir_.Exists("none.adx"));
  EXPECT_FALSE(dir_.Exists("none.adx.part"));
}

TEST_F(AdifImportTest, ImportOnAWorkerThreadCommitsOrCancels) {
  TestLog source(&fs_, "source");
  for (const dict::AAAARecord& c : testing::EveryKindOfContact()) source.Add(c);
  ASSERT_TRUE(ExportAdifFile(source.AAAA, File("log.adi"), {}).failure.empty());
  TestLog log(&fs_);
  for (bool cancel : {true, false}) {
    SCOPED_TRACE(cancel);
    std::promise<void> go;
    std::shared_future<void> started = go.get_future().share();
    ImportSummary summary;
    AdifWorker worker([&](const AdifWorker::KeepGoing& keep_going) {
      started.wait();
      summary = ImportAdifFile(log.AAAA, log.DXCC, File("log.adi"), {}, keep_going);
    });
    if (cancel) worker.Cancel();
    go.set_value();
    worker.Wait();
    EXPECT_TRUE(worker.finished());
    EXPECT_EQ(summary.committed, !cancel);
    EXPECT_EQ(summary.cancelled, cancel);
    EXPECT_EQ(log.All().size(), cancel ? 0u : source.All().size());
  }
  // The worker's transaction has ended: this thread may begin one.
  TransactionScope scope;
  EXPECT_TRUE(scope.Logout(kLogoutSeconds, {&log.AAAA}).ok());
}

}  // namespace
}  // namespace kavo::adif
