#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/globals.h"
#include "reports/text_file_load.h"
#include "reports/text_search.h"
#include "reports/text_viewer.h"
#include "runtime/cp1251.h"
#include "runtime/message_box.h"
#include "runtime/message_box_scripted.h"

namespace kavo::reports {
namespace {

class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavo-viewer-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  std::string path_;
};

std::vector<std::string> LoadAll(TextFileLoad& load) {
  std::vector<std::string> lines;
  while (!load.ReadSlice(&lines).finished) {
  }
  return lines;
}

// --- search ---

TEST(TextSearch, WholeWordAndCase) {
  TextSearch search{"cq", false, true, SearchDirection::kDown};
  EXPECT_EQ(FindInLine("CQ DX de UA1", search), 1);
  EXPECT_EQ(FindInLine("calling cq   ", search), 9);
  EXPECT_EQ(FindInLine("CQDX only", search), 0);
  EXPECT_EQ(FindInLine("XCQ", search), 0);
  // A part of a longer word first, the whole word later on the line.
  EXPECT_EQ(FindInLine("CQCQ CQ", search), 6);
  search.MatchCase = true;
  EXPECT_EQ(FindInLine("CQ cq", search), 4);
  search.WholeWord = false;
  EXPECT_EQ(FindInLine("xcqx", search), 2);
  // Cyrillic letters fold too.
  TextSearch russian{Cp1251FromUtf8("москва"), false, false, SearchDirection::kDown};
  EXPECT_EQ(FindInLine(Cp1251FromUtf8("г. МОСКВА"), russian), 4);
  TextSearch yo{Cp1251FromUtf8("ёж"), false, false, SearchDirection::kDown};
  EXPECT_EQ(FindInLine(Cp1251FromUtf8("ЁЖ"), yo), 1);
}

struct Asked {
  std::vector<SearchDirection> directions;
  std::vector<bool> answers;
  WrapQuestion Question() {
    return [this](SearchDirection direction) {
      directions.push_back(direction);
      const bool yes = directions.size() <= answers.size() && answers[directions.size() - 1];
      return yes;
    };
  }
};

TEST(TextSearch, WrapsBothWays) {
  const std::vector<std::string> lines = {"first line", "second line", "target here"};
  TextSearch search{"target", false, false, SearchDirection::kDown};

  Asked none;
  EXPECT_EQ(FindText(lines, 1, search, none.Question()), 3);
  EXPECT_TRUE(none.directions.empty());

  Asked yes_down{{}, {true}};
  EXPECT_EQ(FindText(lines, 3, search, yes_down.Question()), 3);
  EXPECT_EQ(yes_down.directions, std::vector<SearchDirection>{SearchDirection::kDown});

  Asked no_down{{}, {false}};
  EXPECT_EQ(FindText(lines, 3, search, no_down.Question()), 0);

  search.Direction = SearchDirection::kUp;
  search.SearchString = "first";
  Asked yes_up{{}, {true}};
  EXPECT_EQ(FindText(lines, 1, search, yes_up.Question()), 1);
  EXPECT_EQ(yes_up.directions, std::vector<SearchDirection>{SearchDirection::kUp});
  search.SearchString = "line";
  EXPECT_EQ(FindText(lines, 3, search, none.Question()), 2);

  // Nothing anywhere: each Yes goes round once more.
  search.SearchString = "absent";
  Asked twice{{}, {true, false}};
  EXPECT_EQ(FindText(lines, 2, search, twice.Question()), 0);
  EXPECT_EQ(twice.directions.size(), 2u);

  // Nothing to look for, or nowhere to look: no question.
  search.SearchString = "";
  EXPECT_EQ(FindText(lines, 1, search, none.Question()), 0);
  search.SearchString = "x";
  EXPECT_EQ(FindText({}, 0, search, none.Question()), 0);
  EXPECT_TRUE(none.directions.empty());
}

TEST(TextSearch, WarningTwentyNineAsksWithYesAsDefault) {
  ScriptedMessageBox boxes;
  ScopedMessageBox installed(&boxes);
  boxes.Answer(button::kYes);
  boxes.Answer(button::kNo);
  EXPECT_TRUE(AskWrapWithWarning(SearchDirection::kDown));
  EXPECT_FALSE(AskWrapWithWarning(SearchDirection::kUp));
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].title, "End of File Error");
  EXPECT_EQ(boxes.shown()[0].default_button, button::kYes);
  EXPECT_EQ(boxes.shown()[1].title, "Beginning of File Error");
}

// --- loading ---

TEST(TextFileLoad, LineEndsLongLinesAndEncodings) {
  Scratch dir;
  const std::string long_line(300, 'x');
  TextFileLoad load;
  ASSERT_EQ(load.Open(dir.Write("a.txt", "one\r\n\n" + long_line + "\nlast")),
            TextFileLoad::OpenResult::kOk);
  EXPECT_EQ(LoadAll(load), (std::vector<std::string>{"one", "", long_line, "last"}));
  EXPECT_EQ(load.ASCIIBytesRead(), load.ASCIIFileSize());
  EXPECT_EQ(load.ASCIIPercentProgress(), 100);

  ASSERT_EQ(load.Open(dir.Write("u.txt", "\xEF\xBB\xBF\xD0\x9C\xD0\xB8\xD1\x80\n")),
            TextFileLoad::OpenResult::kOk);
  EXPECT_TRUE(load.utf8());
  EXPECT_EQ(LoadAll(load), std::vector<std::string>{Cp1251FromUtf8("Мир")});

  ASSERT_EQ(load.Open(dir.Write("w.txt", "\xCC\xE8\xF0\n")), TextFileLoad::OpenResult::kOk);
  EXPECT_FALSE(load.utf8());
  EXPECT_EQ(LoadAll(load), std::vector<std::string>{"\xCC\xE8\xF0"});

  EXPECT_EQ(load.Open(dir.Write("e.txt", "")), TextFileLoad::OpenResult::kEmpty);
  EXPECT_EQ(load.Open(dir.Write("e.txt", "") + ".missing"), TextFileLoad::OpenResult::kCannotOpen);
}

TEST(TextFileLoad, SlicesOfTwentyThousandBytes) {
  Scratch dir;
  std::string text;
  const std::string line(99, 'a');  // 100 bytes with its line end
  for (int i = 0; i < 1000; ++i) text += line + "\n";
  TextFileLoad load;
  ASSERT_EQ(load.Open(dir.Write("big.txt", text)), TextFileLoad::OpenResult::kOk);
  std::vector<std::string> lines;
  std::vector<int32_t> percents;
  for (;;) {
    const auto slice = load.ReadSlice(&lines);
    if (slice.percent_changed) percents.push_back(load.ASCIIPercentProgress());
    if (slice.finished) break;
  }
  EXPECT_EQ(lines.size(), 1000u);
  // Five slices of exactly 20,000 bytes; the sixth finds the end.
  EXPECT_EQ(percents, (std::vector<int32_t>{20, 40, 60, 80, 100}));
}

// --- the viewer procedures ---

class TextViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    ASCIIFileName.Clear();
  }
  void TearDown() override {
    std::filesystem::current_path(previous_dir_);
    ASCIIFileName.Clear();
  }
  void WriteFile(const std::string& name, const std::string& bytes) { dir_.Write(name, bytes); }

  Scratch dir_;
  std::filesystem::path previous_dir_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox installed_{&boxes_};
};

TEST_F(TextViewerTest, DxinfoWithoutAFileShowsAnEmptyDisabledList) {
  TextViewerLogic viewer(TextViewerKind::kDxinfo);
  EXPECT_FALSE(viewer.NeedsLoad());
  EXPECT_EQ(viewer.StartLoad(), TextViewerLogic::LoadStart::kNoFile);
  EXPECT_FALSE(viewer.list_enabled());
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(TextViewerTest, MissingAndEmptyFilesWarn) {
  TextViewerLogic viewer(TextViewerKind::kDxinfo);
  viewer.ChooseFile("nothing.txt");
  ASSERT_TRUE(viewer.NeedsLoad());
  EXPECT_EQ(viewer.StartLoad(), TextViewerLogic::LoadStart::kCannotOpen);
  EXPECT_FALSE(viewer.NeedsLoad());
  WriteFile("empty.txt", "");
  viewer.ChooseFile("empty.txt");
  EXPECT_EQ(viewer.StartLoad(), TextViewerLogic::LoadStart::kEmpty);
  EXPECT_FALSE(viewer.list_enabled());
  EXPECT_TRUE(viewer.lines().empty());
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_NE(boxes_.shown()[0].text.find("nothing.txt"), std::string::npos);
  EXPECT_NE(boxes_.shown()[1].text.find("contains no text"), std::string::npos);
}

TEST_F(TextViewerTest, CancelledLoadKeepsTheLinesReadSoFar) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + "\n";
  WriteFile("dx.txt", text);
  TextViewerLogic viewer(TextViewerKind::kDxinfo);
  viewer.ChooseFile("dx.txt");
  ASSERT_EQ(viewer.StartLoad(), TextViewerLogic::LoadStart::kLoading);
  EXPECT_EQ(viewer.ProgressText(), "0% Completed");
  ASSERT_FALSE(viewer.LoadSlice().finished);
  const size_t after_one = viewer.lines().size();

  boxes_.Answer(button::kCancel);  // "no, go on loading"
  EXPECT_FALSE(viewer.ConfirmCancel());
  ASSERT_FALSE(viewer.LoadSlice().finished);
  boxes_.Answer(button::kOk);
  EXPECT_TRUE(viewer.ConfirmCancel());
  EXPECT_GT(viewer.lines().size(), after_one);
  EXPECT_LT(viewer.lines().size(), 5000u);
  EXPECT_EQ(viewer.lines()[0], "line 0");
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_EQ(boxes_.shown()[0].title, "Cancel Request");
  EXPECT_NE(boxes_.shown()[0].text.find("dx.txt"), std::string::npos);
}

TEST_F(TextViewerTest, SpravkaShowsTheReadmeAndLeavesItForDxinfo) {
  WriteFile("readme.txt", "Kavo\nabout\n");
  {
    TextViewerLogic spravka(TextViewerKind::kSpravka);
    ASSERT_TRUE(spravka.NeedsLoad());
    ASSERT_EQ(spravka.StartLoad(), TextViewerLogic::LoadStart::kLoading);
    while (!spravka.LoadSlice().finished) {
    }
    spravka.EndLoad();
    EXPECT_EQ(spravka.lines().size(), 2u);
    EXPECT_EQ(spravka.ProgressText(), "100% Completed (11) bytes");
    EXPECT_FALSE(spravka.NeedsLoad());
  }
  TextViewerLogic dxinfo(TextViewerKind::kDxinfo);
  EXPECT_EQ(dxinfo.FileToShow(), "readme.txt");

  // A chosen name too long for ASCIIFileName is still the one shown.
  const std::string long_name = std::string(100, 'd') + ".txt";
  dxinfo.ChooseFile(long_name);
  EXPECT_EQ(dxinfo.FileToShow(), long_name);
  EXPECT_EQ(ASCIIFileName.Trimmed(), "readme.txt");
}

TEST_F(TextViewerTest, FindEnablesTheRepeatButton) {
  WriteFile("f.txt", "alpha\nbeta\ngamma\n");
  TextViewerLogic viewer(TextViewerKind::kDxinfo);
  viewer.ChooseFile("f.txt");
  ASSERT_EQ(viewer.StartLoad(), TextViewerLogic::LoadStart::kLoading);
  while (!viewer.LoadSlice().finished) {
  }
  viewer.EndLoad();
  viewer.search().SearchString = "GAMMA";
  EXPECT_EQ(viewer.Find(0, AskWrapWithWarning), 3);
  EXPECT_TRUE(viewer.repeat_enabled());
  viewer.CancelSearch();
  EXPECT_FALSE(viewer.repeat_enabled());
}

}  // namespace
}  // namespace kavo::reports
