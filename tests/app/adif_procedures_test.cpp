// The menu's ADIF procedures end to end without a screen: a scripted file
// dialog and message box, the work on its worker under the progress window,
// the log in a scratch working directory.
#include "app/adif_procedures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/file_dialog.h"
#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"
#include "store/table.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

class AdifProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavo-adif-gui-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(dir_);
    SetFileDialogService(&dialog_);
  }
  void TearDown() override {
    SetFileDialogService(nullptr);
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& r : boxes_.shown()) texts.push_back(Utf8FromCp1251(r.text));
    return texts;
  }

  std::vector<std::string> LogQth() {
    Table AAAA;
    EXPECT_TRUE(AAAA.Open("AAAA", &dict::AAAA()).ok());
    std::vector<std::string> qth;
    (void)AAAA.Set();
    while (AAAA.Next().ok()) {
      qth.push_back(Utf8FromCp1251(
          dict::TextOf(reinterpret_cast<const dict::AAAARecord*>(AAAA.record())->QTH)));
    }
    return qth;
  }

  fs::path dir_;
  fs::path previous_;
  ScriptedFileDialog dialog_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_{&boxes_};
};

TEST_F(AdifProceduresTest, ImportIntoAnEmptyDirectoryThenExport) {
  std::ofstream(dir_ / "in.adi") << "<EOH>\n<CALL:5>UA3AB <QTH:12>Москва <EOR>\n"
                                    "<CALL:4>DL1A <QTH:6>Berlin <GRIDSQUARE:4>JO62 <EOR>\n";
  dialog_.Answer(QString::fromStdString((dir_ / "in.adi").string()));
  ImportADIF(ProcedureContext{});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("Импортировано: 2"), std::string::npos) << Boxes()[0];
  EXPECT_NE(Boxes()[0].find("GRIDSQUARE (1)"), std::string::npos) << Boxes()[0];
  EXPECT_EQ(LogQth(), (std::vector<std::string>{"Москва", "Berlin"}));

  // A name without an extension is written as .adi.
  dialog_.Answer(QString::fromStdString((dir_ / "out").string()));
  ExportADIF(ProcedureContext{});
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_NE(Boxes()[1].find("Записано контактов: 2"), std::string::npos) << Boxes()[1];
  EXPECT_TRUE(fs::exists(dir_ / "out.adi"));
  EXPECT_TRUE(dialog_.requests().back().save);

  // Nothing chosen: nothing happens.
  ImportADIF(ProcedureContext{});
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(AdifProceduresTest, RefusedTextComesInCutWhenTheUserAgrees) {
  std::ofstream(dir_ / "long.adi") << "<CALL:5>UA3AB <QTH:25>Very long place name, far <EOR>\n"
                                      "<CALL:4>DL1A <EOR>\n";
  dialog_.Answer(QString::fromStdString((dir_ / "long.adi").string()));
  boxes_.Answer(button::kOk);
  boxes_.Answer(button::kYes);
  ImportADIF(ProcedureContext{});
  const std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_NE(boxes[0].find("Отклонено: 1"), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[0].find("long.adi.report.txt"), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[2].find("Импортировано: 1"), std::string::npos) << boxes[2];
  EXPECT_NE(boxes[2].find("Дубликатов (пропущено): 1"), std::string::npos) << boxes[2];
  EXPECT_EQ(LogQth(), (std::vector<std::string>{"", "Very long place name,"}));
}

TEST_F(AdifProceduresTest, BrokenFileIsReportedAndChangesNothing) {
  std::ofstream(dir_ / "broken.adx") << "<ADX><RECORDS><RECORD><CALL>UA3AB</CALL>";
  dialog_.Answer(QString::fromStdString((dir_ / "broken.adx").string()));
  ImportADIF(ProcedureContext{});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("журнал не изменен"), std::string::npos) << Boxes()[0];
  EXPECT_TRUE(LogQth().empty());
}

}  // namespace
}  // namespace kavo
