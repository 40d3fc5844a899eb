// The reference windows on the offscreen platform, started as the frame
// starts them: a record is added through each window's form and the test
// reads the file to see what reached it.
#include "app/reference_windows.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/form_window.h"
#include "app/private_profile.h"
#include "app/report_preview.h"
#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "data/globals.h"
#include "data/standard_warning.h"
#include "reference/address_book.h"
#include "reference/iota.h"
#include "reference/regions.h"
#include "runtime/cp1251.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"
#include "store/table.h"
#include "store/transaction.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

class ReferenceWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
    char pattern[] = "/tmp/kavo_reference_XXXXXX";
    dir_ = mkdtemp(pattern);
    previous_dir_ = fs::current_path();
    fs::current_path(dir_);
    previous_control_file_ = SetControlFileName((dir_ / "vantor.tcf").string());
    area_.resize(900, 600);
    area_.show();
  }
  void TearDown() override {
    area_.closeAllSubWindows();
    Settle();
    SetControlFileName(previous_control_file_);
    fs::current_path(previous_dir_);
    fs::remove_all(dir_);
  }

  static void Settle() {
    for (int i = 0; i < 8; ++i) QApplication::processEvents();
  }

  // Types `texts` into the next form that opens, field by field, and
  // presses OK.
  void FillNextForm(std::vector<QString> texts) {
    QTimer::singleShot(0, [this, texts] {
      auto* form = qobject_cast<FormWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      titles_.push_back(form->windowTitle());
      for (size_t i = 0; i < texts.size(); ++i) {
        auto* line = qobject_cast<QLineEdit*>(form->editor(static_cast<int>(i)));
        ASSERT_NE(line, nullptr);
        line->setText(texts[i]);
      }
      form->ok_button()->click();
    });
  }

  // With KAVO_SHOTS set to a directory, the frame's area is saved there as
  // a picture, to look at a window as a user sees it.
  void Shot(const char* name) {
    if (const char* shots = std::getenv("KAVO_SHOTS")) {
      area_.grab().save(QString::fromUtf8(shots) + "/" + name + ".png");
    }
  }

  static void Press(QWidget* window, int32_t control) {
    auto* browse = qobject_cast<BrowseWindowQt*>(window);
    ASSERT_NE(browse, nullptr);
    auto* button = qobject_cast<QPushButton*>(browse->control(control));
    ASSERT_NE(button, nullptr);
    button->click();
    Settle();
  }

  // The rows of a table, fields joined by "|", in UTF-8.
  template <typename Record>
  std::vector<std::string> Rows(const char* file, const TableDef& def,
                                std::function<std::string(const Record&)> row) {
    std::vector<std::string> rows;
    Table table;
    if (!table.Open(file, &def).ok()) return rows;
    (void)table.Set();
    while (table.Next().ok()) {
      Record rec;
      std::memcpy(&rec, table.record(), sizeof rec);
      rows.push_back(Utf8FromCp1251(row(rec)));
    }
    (void)table.Close();
    return rows;
  }
  static std::string Join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) {
      if (!out.empty()) out += "|";
      out += p;
    }
    return out;
  }

  fs::path dir_;
  fs::path previous_dir_;
  std::string previous_control_file_;
  QMdiArea area_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
  std::vector<QString> titles_;
};

TEST_F(ReferenceWindowsTest, AddressBookAddsAnEntry) {
  BrowseWindowQt* window = StartBROWSEADRESS(&area_);
  ASSERT_NE(window, nullptr);
  Settle();
  EXPECT_EQ(window->windowTitle(), "CallBok радиолюбителей 1 района");
  FillNextForm({"UA1ABC", "2345678", "Иванов И.И., Санкт-Петербург"});
  Press(window, browseadress::kInsert);
  EXPECT_EQ(titles_, std::vector<QString>{"Добавение записи"});
  EXPECT_EQ(window->engine().RecordCount, 1);
  Shot("BROWSEADRESS");
  EXPECT_EQ(
      (Rows<dict::RAJONRecord>(
          "RAJON", dict::RAJON(),
          [](const dict::RAJONRecord& r) {
            return Join({dict::TextOf(r.POZ), dict::TextOf(r.TELEFON), dict::TextOf(r.ADRESS)});
          })),
      std::vector<std::string>{"UA1ABC|2345678|Иванов И.И., Санкт-Петербург"});

  // A double click and Ctrl+Enter open the entry for change with all its
  // fields.
  QTableView* list = window->list()->view();
  const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
  QStringList opened;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* form = qobject_cast<FormWindow*>(QApplication::activeModalWidget())) {
      opened << qobject_cast<QLineEdit*>(form->editor(0))->text();
      form->reject();
    }
  });
  watch.start(20);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
  QTest::qWait(300);
  QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier);
  QTest::qWait(300);
  watch.stop();
  EXPECT_EQ(opened, QStringList({"UA1ABC", "UA1ABC"}));

  area_.closeAllSubWindows();
  Settle();
  EXPECT_NE(GetPrivateProfileString("BROWSEADRESS", "Width", "", "kavo.INI"), "");
}

TEST_F(ReferenceWindowsTest, RegionListAddsAnEntry) {
  BrowseWindowQt* window = StartBROWSEOBL(&area_);
  ASSERT_NE(window, nullptr);
  Settle();
  FillNextForm({"1A", "Санкт-Петербург"});
  Press(window, browseobl::kInsert);
  EXPECT_EQ(titles_, std::vector<QString>{"Добавление новой записии"});
  Shot("BROWSEOBL");
  EXPECT_EQ((Rows<dict::PREFRUSRecord>("PREFRUS", dict::PREFRUS(),
                                       [](const dict::PREFRUSRecord& r) {
                                         return Join({dict::TextOf(r.PREF), dict::TextOf(r.GOROD)});
                                       })),
            std::vector<std::string>{"1A|Санкт-Петербург"});
}

TEST_F(ReferenceWindowsTest, IotaAddsAnIslandToTheSelectedGroup) {
  {
    ASSERT_TRUE(Table::Create("NA_IOTA", dict::NA_IOTA()).ok());
    Table groups;
    ASSERT_TRUE(groups.Open("NA_IOTA", &dict::NA_IOTA()).ok());
    for (const char* g : {"AF", "EU"}) {
      dict::NA_IOTARecord rec;
      rec.Clear();
      dict::SetText(rec.NAIM, g);
      std::memcpy(groups.record(), &rec, sizeof rec);
      ASSERT_TRUE(groups.Add().ok());
    }
    ASSERT_TRUE(groups.Close().ok());
  }
  IotaWindowQt* iota = Startbrowseiota(&area_);
  ASSERT_NE(iota, nullptr);
  Settle();
  EXPECT_EQ(iota->groups()->windowTitle(), "IOTA");
  // The second group is clicked; the island list follows it.
  QTableView* groups = iota->groups()->list()->view();
  const QRect second = groups->visualRect(groups->model()->index(1, 0));
  QTest::mouseClick(groups->viewport(), Qt::LeftButton, {}, second.center());
  Settle();
  EXPECT_EQ(dict::TextOf(iota->groups()->context().NA_IOTA.rec().NAIM), "EU");
  FillNextForm({"EU", "EU-001", "UA1", "Россия", "редкий"});
  Press(iota->islands(), browseiota::kInsert2);
  EXPECT_EQ(titles_, std::vector<QString>{"Запись будет добавлена  (New)"});
  EXPECT_EQ(iota->islands()->engine().RecordCount, 1);
  auto* remark = qobject_cast<QLineEdit*>(iota->groups()->control(browseiota::kRemark));
  ASSERT_NE(remark, nullptr);
  EXPECT_EQ(remark->text(), "редкий");
  Shot("browseiota");
  EXPECT_EQ((Rows<dict::IOTARecord>("IOTA", dict::IOTA(),
                                    [](const dict::IOTARecord& r) {
                                      return Join({dict::TextOf(r.FIRSTNAME), dict::TextOf(r.NAIM),
                                                   dict::TextOf(r.PREFIKS), dict::TextOf(r.TERRIT),
                                                   dict::TextOf(r.PRIMEC)});
                                    })),
            std::vector<std::string>{"EU|EU-001|UA1|Россия|редкий"});

  // "&Печать" lays out the group's islands and shows them in the preview;
  // the island list keeps its island.
  int32_t previewed_pages = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* preview = qobject_cast<ReportPreviewWindow*>(QApplication::activeModalWidget())) {
      previewed_pages = preview->logic().ImageCount();
      preview->reject();
    }
  });
  watch.start(20);
  Press(iota->groups(), browseiota::kPrint);
  watch.stop();
  EXPECT_EQ(previewed_pages, 1);
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(iota->islands()->engine().RecordCount, 1);
  EXPECT_EQ(remark->text(), "редкий");
}

}  // namespace
}  // namespace kavo
