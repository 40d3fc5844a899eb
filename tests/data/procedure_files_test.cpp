#include "data/procedure_files.h"

#include <thread>

#include <gtest/gtest.h>

#include "data_test_util.h"
#include "runtime/errors.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"

namespace kavo {
namespace {

using testing::ScratchDir;

class ProcedureFilesTest : public ::testing::Test {
 protected:
  void CreateSetup() { ASSERT_TRUE(Table::Create(dir_.File("SETUP"), dict::SETUP()).ok()); }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
};

TEST_F(ProcedureFilesTest, FirstStartCreatesEveryFileButSetupOnFirstNeed) {
  ProcedureFiles browse(context_, procedure_files::BrowseAAAA);
  EXPECT_FALSE(dir_.Exists("AAAA.VTF"));
  browse.Open();
  EXPECT_EQ(browse.FilesOpened, 1);
  EXPECT_TRUE(dir_.Exists("AAAA.VTF"));
  EXPECT_TRUE(dir_.Exists("DXCC.VTF"));
  EXPECT_TRUE(dir_.Exists("PREFRUS.VTF"));
  EXPECT_FALSE(dir_.Exists("IOTA.VTF"));
  EXPECT_TRUE(boxes_.shown().empty());
  uint32_t rows = 99;
  ASSERT_TRUE(context_.AAAA.file().Records(&rows).ok());
  EXPECT_EQ(rows, 0u);

  ProcedureFiles labels(context_, procedure_files::PECAT_NAKL);
  labels.Open();
  EXPECT_TRUE(dir_.Exists("PRINT.TMP"));

  ProcedureFiles form(context_, procedure_files::UpdateAAAA);
  EXPECT_THROW(form.Open(), ProgramHalted);
  EXPECT_EQ(form.FilesOpened, 0);
  EXPECT_FALSE(dir_.Exists("SETUP.VTF"));
  std::vector<MessageBoxRequest> shown = boxes_.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].title, "File Creation Error");
  EXPECT_EQ(shown[0].text, "Error: (File Not Found (2)) creating " + dir_.File("SETUP.VTF") +
                               ".  Press OK to end this application.");
  EXPECT_EQ(shown[1].text, "File Creation Error!");
}

TEST_F(ProcedureFilesTest, SetupFormEndsTheProgramWhenSetupIsMissing) {
  ProcedureFiles setup(context_, procedure_files::fSETUP);
  EXPECT_THROW(setup.Open(), ProgramHalted);
  EXPECT_FALSE(dir_.Exists("SETUP.VTF"));
  EXPECT_EQ(context_.SETUP.USED, 0);
}

TEST_F(ProcedureFilesTest, CountersAcrossTwoProceduresCloseOnlyWithTheLastUser) {
  CreateSetup();
  ProcedureFiles browse(context_, procedure_files::BrowseAAAA);
  browse.Open();
  ProcedureFiles form(context_, procedure_files::UpdateAAAA);
  form.Open();
  EXPECT_EQ(context_.AAAA.USED, 2);
  EXPECT_EQ(context_.DXCC.USED, 2);
  EXPECT_EQ(context_.PREFRUS.USED, 1);
  EXPECT_EQ(context_.SETUP.USED, 1);
  EXPECT_TRUE(context_.SETUP.file().is_open());

  // The form's record is the browse's record: one instance per context.
  context_.AAAA.rec().Clear();
  dict::SetText(context_.AAAA.rec().POZ, "UA1ABC");
  context_.AAAA.rec().N_QSO.set(1);
  ASSERT_TRUE(context_.AAAA.file().Add().ok());

  form.Release();
  EXPECT_EQ(form.FilesOpened, 0);
  EXPECT_EQ(context_.AAAA.USED, 1);
  EXPECT_TRUE(context_.AAAA.file().is_open());
  EXPECT_EQ(context_.SETUP.USED, 0);
  EXPECT_FALSE(context_.SETUP.file().is_open());
  form.Release();  // a second release changes nothing
  EXPECT_EQ(context_.AAAA.USED, 1);

  browse.Release();
  EXPECT_EQ(context_.AAAA.USED, 0);
  EXPECT_FALSE(context_.AAAA.file().is_open());
  EXPECT_FALSE(context_.DXCC.file().is_open());
  EXPECT_FALSE(context_.PREFRUS.file().is_open());
}

TEST_F(ProcedureFilesTest, ProcedureThatNeverOpenedLeavesTheCountersAlone) {
  ProcedureFiles browse(context_, procedure_files::BrowseAAAA);
  browse.Open();
  {
    ProcedureFiles report(context_, procedure_files::STRANA);
    report.Release();
  }
  EXPECT_EQ(context_.AAAA.USED, 1);
  {
    ProcedureFiles report(context_, procedure_files::STRANA);
    report.Open();
    EXPECT_EQ(context_.AAAA.USED, 2);
  }  // released on leaving
  EXPECT_EQ(context_.AAAA.USED, 1);
  EXPECT_TRUE(context_.AAAA.file().is_open());
}

TEST_F(ProcedureFilesTest, EachThreadHasItsOwnCountersAndInstances) {
  ProcedureFiles browse(context_, procedure_files::SelectDXCC);
  browse.Open();
  int32_t other_used = -1;
  bool other_open = false;
  std::thread other([&] {
    DataContext& mine = ThisThreadData();
    other_used = mine.DXCC.USED;
    other_open = mine.DXCC.file().is_open();
  });
  other.join();
  EXPECT_EQ(other_used, 0);
  EXPECT_FALSE(other_open);
  EXPECT_EQ(&ThisThreadData(), &ThisThreadData());
}

TEST_F(ProcedureFilesTest, FileOfAnotherLayoutEndsWithInvalidFile) {
  ASSERT_TRUE(Table::Create(dir_.File("AAAA"), dict::DXCC()).ok());
  EXPECT_THROW(UseFile(context_.AAAA, 1), ProgramHalted);
  std::vector<MessageBoxRequest> shown = boxes_.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].title, "Invalid File");
  EXPECT_EQ(shown[0].text, "Error: (Invalid Record Declaration (47)) accessing " +
                               dir_.File("AAAA.VTF") + ".  Press OK to end this application.");
  EXPECT_EQ(shown[1].text, "Invalid File!");
  EXPECT_EQ(context_.AAAA.USED, 0);
}

TEST_F(ProcedureFilesTest, RebuildKeepsRowsFoundThroughTheirKeys) {
  UseFile(context_.DXCC, 1);
  Table& dxcc = context_.DXCC.file();
  for (const char* name : {"Germany", "Austria", "Italy"}) {
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().STRANA, name);
    ASSERT_TRUE(dxcc.Add().ok());
  }
  ReleaseFile(context_.DXCC);
  ASSERT_TRUE(context_.DXCC.RebuildKeys().ok());
  UseFile(context_.DXCC, 1);
  ASSERT_TRUE(dxcc.SetKey(dict::DXCC().FindKey("DXC:BEY_1")).ok());
  std::vector<std::string> names;
  while (dxcc.Next().ok()) names.emplace_back(dict::TextOf(context_.DXCC.rec().STRANA));
  EXPECT_EQ(names, (std::vector<std::string>{"Austria", "Germany", "Italy"}));
  ReleaseFile(context_.DXCC);
}

}  // namespace
}  // namespace kavo
