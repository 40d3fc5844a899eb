// `kavo print` end to end: the program run in a working directory with a
// generated log writes the band report as PDF, and pdftotext finds every
// contact of the band and, on each page, the running count in the footer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../reports/report_test_util.h"

namespace kavo {
namespace {

// Runs `kavo ARGS` in `dir` and returns its exit status.
int RunKavo(const std::string& dir, const std::string& args) {
  std::string command = "cd '" + dir + "' && QT_QPA_PLATFORM=offscreen '" KAVO_PROGRAM "' " + args +
                        " 2>'" + dir + "/stderr.txt'";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The PDF's text, one string per page.
std::vector<std::string> PdfPages(const std::string& pdf) {
  std::string text_file = pdf + ".txt";
  std::string command = "pdftotext -layout '" + pdf + "' '" + text_file + "'";
  if (std::system(command.c_str()) != 0) return {};
  std::ifstream in(text_file);
  std::stringstream all;
  all << in.rdbuf();
  std::vector<std::string> pages;
  std::string page;
  for (std::istringstream s(all.str()); std::getline(s, page, '\f');) {
    if (!page.empty()) pages.push_back(page);
  }
  return pages;
}

bool Contains(const std::string& text, const std::string& word) {
  return text.find(word) != std::string::npos;
}

TEST(KavoPrint, TheBandReportHoldsEveryContactAndTheCountOnEachPage) {
  kavo::testing::ScratchDir dir;
  std::vector<reports::testing::Contact> log = reports::testing::Contacts(80, 14.0);
  for (const auto& c : reports::testing::Contacts(10, 7.0, 500)) log.push_back(c);
  ASSERT_NO_FATAL_FAILURE(reports::testing::WriteLog(dir.path(), log));
  ASSERT_EQ(RunKavo(dir.path(), "print PRINTDIAP --band 14 --pdf band.pdf"), 0);
  std::vector<std::string> pages = PdfPages(dir.File("band.pdf"));
  ASSERT_EQ(pages.size(), 3u);  // 35 + 35 + 10
  std::string all;
  for (const std::string& p : pages) all += p;
  for (int n = 1; n <= 80; ++n) {
    EXPECT_TRUE(Contains(all, "UA" + std::to_string(n) + " ")) << n;
  }
  EXPECT_FALSE(Contains(all, "UA500"));
  const char* counts[] = {"35", "70", "80"};
  for (size_t i = 0; i < pages.size(); ++i) {
    size_t footer = pages[i].find("Всего р/связей");
    ASSERT_NE(footer, std::string::npos) << "page " << i + 1;
    std::istringstream after(pages[i].substr(footer + std::string("Всего р/связей").size()));
    std::string count;
    after >> count;
    EXPECT_EQ(count, counts[i]) << "page " << i + 1;
    size_t number = pages[i].find("Стр.");
    ASSERT_NE(number, std::string::npos) << "page " << i + 1;
    std::istringstream page_number(pages[i].substr(number + std::string("Стр.").size()));
    int shown = 0;
    page_number >> shown;
    EXPECT_EQ(shown, static_cast<int>(i + 1));
  }
}

TEST(KavoPrint, NothingMatchedExitsTwoAndWritesNoFile) {
  kavo::testing::ScratchDir dir;
  ASSERT_NO_FATAL_FAILURE(
      reports::testing::WriteLog(dir.path(), reports::testing::Contacts(5, 7.0)));
  EXPECT_EQ(RunKavo(dir.path(), "print PRINTDIAP --band 14 --pdf band.pdf"), 2);
  EXPECT_FALSE(dir.Exists("band.pdf"));
  EXPECT_EQ(RunKavo(dir.path(), "print PRINTDIAP --pdf band.pdf"), 1);
}

}  // namespace
}  // namespace kavo
