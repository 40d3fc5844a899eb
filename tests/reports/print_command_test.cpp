// `kavo print` without a screen: option parsing and its refusals, and runs
// over a generated log whose pages go to a PDF writer stand-in that records
// them (the exit codes, the file appearing only when complete).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/globals.h"
#include "report_test_util.h"
#include "reports/print_command.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"

namespace kavo::reports {
namespace {

class FixedToday : public TodayService {
 public:
  int32_t Today() override { return DateFromParts(2026, 12, 8); }
};

class PrintCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetGlobals(); }
  void TearDown() override { ResetGlobals(); }

  int Run(std::vector<std::string> args) {
    err_.str({});
    return RunPrintCommand(args, dir_.path(), writer_, today_, err_);
  }

  std::vector<std::string> Entries() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(out_.path())) {
      out.push_back(e.path().filename().string());
    }
    return out;
  }

  kavo::testing::ScratchDir dir_;
  kavo::testing::ScratchDir out_;
  FixedToday today_;
  std::ostringstream err_;
  std::vector<PageImage> written_;
  Status fail_with_;
  // Stands for the PDF writer: keeps the pages and writes a file.
  PdfWriter writer_ = [this](const PrintPreviewQueue& queue, const std::string& path) {
    written_.clear();
    for (size_t i = 0; i < queue.size(); ++i) {
      PageImage page;
      Status st = queue.ReadPage(i, &page);
      if (!st.ok()) return st;
      written_.push_back(page);
    }
    if (fail_with_.ok()) std::ofstream(path) << "pages " << queue.size();
    return fail_with_;
  };
};

TEST(ParsePrintOptions, ReadsEveryOption) {
  std::vector<std::string> args = {
      "STRANA",    "--from", "2026-01-02", "--to",   "2026-02-03", "--title", "Итоги",
      "--country", "Japan",  "--band",     "14.025", "--mode",     "CW",      "--region",
      "MO",        "--qso",  "17,4",       "--tag",  "3,5,8",      "--pdf",   "out.pdf"};
  PrintOptions o;
  std::string error;
  ASSERT_TRUE(ParsePrintOptions(args, &o, &error)) << error;
  EXPECT_EQ(o.report, "STRANA");
  EXPECT_EQ(o.from, DateFromParts(2026, 1, 2));
  EXPECT_EQ(o.to, DateFromParts(2026, 2, 3));
  EXPECT_EQ(o.title, Cp1251FromUtf8("Итоги"));
  EXPECT_EQ(o.country, "Japan");
  EXPECT_EQ(o.band, 14.025);
  EXPECT_EQ(o.mode, "CW");
  EXPECT_EQ(o.region, "MO");
  EXPECT_EQ(o.qsos, (std::vector<int32_t>{17, 4}));
  EXPECT_EQ(o.tags, (std::vector<int32_t>{3, 5, 8}));
  EXPECT_EQ(o.pdf, "out.pdf");
}

TEST(ParsePrintOptions, RefusesWhatItCannotRead) {
  const std::vector<std::vector<std::string>> bad = {
      {"--pdf", "x.pdf"},                                   // no report
      {"PRINTDIAP"},                                        // no --pdf
      {"PRINTDIAP", "--pdf"},                               // no value
      {"PRINTDIAP", "--pdf", "x.pdf", "--colour", "red"},   // unknown option
      {"PRINTDIAP", "EXTRA", "--pdf", "x.pdf"},             // two reports
      {"PRINTDIAP", "--from", "2026-02-30", "--pdf", "x"},  // no such day
      {"PRINTDIAP", "--from", "08.12.2026", "--pdf", "x"},  // other format
      {"PRINTDIAP", "--band", "fourteen", "--pdf", "x"},    // not a number
      {"PRINTDIAP", "--band", "-7", "--pdf", "x"},          // not a band
      {"REPORTQSL", "--qso", "0", "--pdf", "x"},            // not a QSO number
      {"REPORTQSL", "--qso", "3,x", "--pdf", "x"},          // nor this
      {"PRINTDIAP", "--tag", "1,,2", "--pdf", "x"},         // empty tag
  };
  for (const auto& args : bad) {
    PrintOptions o;
    std::string error;
    EXPECT_FALSE(ParsePrintOptions(args, &o, &error)) << args[0] << " " << args.size();
    EXPECT_FALSE(error.empty());
  }
}

TEST_F(PrintCommandTest, WritesTheBandReportAndExitsZero) {
  std::vector<testing::Contact> log = testing::Contacts(40, 14.0);
  for (const auto& c : testing::Contacts(10, 21.0, 100)) log.push_back(c);
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), log));
  const std::string pdf = out_.File("band.pdf");
  EXPECT_EQ(Run({"printdiap", "--band", "14", "--pdf", pdf}), kPrintWritten) << err_.str();
  ASSERT_EQ(written_.size(), 2u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"band.pdf"});
  std::vector<std::string> p2 = testing::PageTexts(written_[1]);
  EXPECT_NE(std::find(p2.begin(), p2.end(), "40"), p2.end());
  EXPECT_NE(std::find(p2.begin(), p2.end(), Cp1251FromUtf8("Всего р/связей")), p2.end());
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
}

TEST_F(PrintCommandTest, NothingMatchedExitsTwoAndWritesNothing) {
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), testing::Contacts(5, 7.0)));
  EXPECT_EQ(Run({"PRINTDIAP", "--band", "14", "--pdf", out_.File("x.pdf")}), kPrintNothingMatched);
  EXPECT_NE(err_.str().find("no record"), std::string::npos);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(PrintCommandTest, AFailedPdfExitsThreeWithTheWritersReason) {
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), testing::Contacts(5, 14.0)));
  fail_with_ = Status::Error(err::kAccessDenied, "disk full");
  EXPECT_EQ(Run({"PRINTDIAP", "--band", "14", "--pdf", out_.File("x.pdf")}), kPrintFailed);
  EXPECT_TRUE(Entries().empty());
  EXPECT_NE(err_.str().find("x.pdf: disk full"), std::string::npos) << err_.str();
}

TEST_F(PrintCommandTest, OptionsTheReportCannotUseAreRefused) {
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), testing::Contacts(5, 14.0)));
  const std::string pdf = out_.File("x.pdf");
  EXPECT_EQ(Run({"NOSUCH", "--pdf", pdf}), kPrintBadOption);
  EXPECT_NE(err_.str().find("PRINTDIAP"), std::string::npos);    // the reports are listed
  EXPECT_EQ(Run({"PRINTDIAP", "--pdf", pdf}), kPrintBadOption);  // no band
  EXPECT_EQ(Run({"PRINTDIAP", "--band", "14", "--from", "2026-01-01", "--pdf", pdf}),
            kPrintBadOption);
  EXPECT_EQ(Run({"PRINTDIAP", "--band", "14", "--country", "Japan", "--pdf", pdf}),
            kPrintBadOption);
  EXPECT_EQ(Run({"PRINTDIAP", "--band", "14", "--tag", "1", "--pdf", pdf}), kPrintBadOption);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(PrintCommandTest, SeveralQsoNumbersPrintACardAPageAndNameTheMissing) {
  std::vector<testing::Contact> log = testing::Contacts(3, 14.0);
  for (const auto& c : testing::Contacts(3, 21.0, 4)) log.push_back(c);
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), log));
  ASSERT_NO_FATAL_FAILURE(testing::WriteStation(dir_.path()));
  const std::string pdf = out_.File("cards.pdf");
  EXPECT_EQ(Run({"REPORTQSL", "--qso", "5,99,2", "--pdf", pdf}), kPrintWritten) << err_.str();
  ASSERT_EQ(written_.size(), 2u);
  // In the order given, each with the station and its own contact's band.
  const char* bands[] = {"21.0", "14.0"};
  for (size_t i = 0; i < 2; ++i) {
    std::vector<std::string> texts = testing::PageTexts(written_[i]);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "UA3XYZ"), texts.end()) << i;
    EXPECT_NE(std::find(texts.begin(), texts.end(), bands[i]), texts.end()) << i;
  }
  EXPECT_NE(err_.str().find("no contact numbered 99; skipped"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("2 page(s)"), std::string::npos) << err_.str();

  std::filesystem::remove(pdf);
  EXPECT_EQ(Run({"REPORTQSL", "--qso", "98,99", "--pdf", pdf}), kPrintNothingMatched);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(PrintCommandTest, ADirectoryWithoutALogIsRefusedAndNotCreated) {
  EXPECT_EQ(Run({"PRINTDIAP", "--band", "14", "--pdf", out_.File("x.pdf")}), kPrintBadOption);
  EXPECT_FALSE(dir_.Exists("AAAA.VTF"));
}

}  // namespace
}  // namespace kavo::reports
