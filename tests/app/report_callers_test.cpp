// The reports as the program starts them, on the offscreen platform: from
// the frame's menu through the period dialog, from the log's buttons with
// the highlighted contact, and the label menu from the log's "Наклейки".
// Each run goes through the registry to the real preview, whose first page
// says what reached the report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "../reports/report_test_util.h"
#include "app/browse_aaaa_window.h"
#include "app/browse_window_qt.h"
#include "app/label_menu_window.h"
#include "app/picture_spin_box.h"
#include "app/procedure_registry.h"
#include "app/report_preview.h"
#include "app/report_run.h"
#include "app/setdata_window.h"
#include "data/globals.h"
#include "log/browse_aaaa.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/message_box_scripted.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;
using reports::testing::Contact;

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

template <typename Window>
Window* ShownWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* window = qobject_cast<Window*>(w);
    if (window != nullptr && window->isVisible()) return window;
  }
  return nullptr;
}

// Runs `step` from the event loop once a window of that kind is shown: the
// windows under test are modal and hold the test's thread while they are
// open.
template <typename Window>
void When(std::function<void(Window*)> step, int tries = 500) {
  QTimer::singleShot(10, [step, tries] {
    if (Window* window = ShownWindow<Window>()) {
      step(window);
    } else if (tries > 0) {
      When<Window>(step, tries - 1);
    } else {
      ADD_FAILURE() << "the window never opened";
      QApplication::closeAllWindows();
    }
  });
}

// What the preview showed: its page count and the texts of its first page.
struct Previewed {
  int pages = 0;
  std::vector<std::string> texts;  // code page 1251
  bool Has(const std::string& utf8) const {
    return std::find(texts.begin(), texts.end(), Cp1251FromUtf8(utf8)) != texts.end();
  }
};

// Reads the preview once it opens, then closes it without printing.
void ReadPreview(Previewed* out) {
  When<ReportPreviewWindow>([out](ReportPreviewWindow* preview) {
    out->pages = preview->logic().ImageCount();
    const reports::PageImage* first = preview->slot_views().front()->page();
    if (first != nullptr) out->texts = reports::testing::PageTexts(*first);
    preview->close();
  });
}

class ReportCallersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(dir_.path());  // the log and kavo.INI go here
    ResetGlobals();
    TAG_AAAA.Free();
    area_.resize(1000, 700);
    area_.show();
    RegisterReports(registry_);
  }
  void TearDown() override {
    area_.closeAllSubWindows();
    Settle();
    TAG_AAAA.Free();
    ResetGlobals();
    fs::current_path(previous_);
  }

  // A log of six contacts on the 1st to 6th of January 2026: numbers 1..6,
  // the odd ones in CW, the even ones in SSB.
  void WriteLog() {
    std::vector<Contact> log = reports::testing::Contacts(6, 14.0);
    for (size_t i = 0; i < log.size(); ++i) {
      log[i].date = DateFromParts(2026, 1, static_cast<int>(i) + 1);
      log[i].mode = i % 2 == 0 ? "CW" : "SSB";
    }
    ASSERT_NO_FATAL_FAILURE(reports::testing::WriteLog(dir_.path(), log));
  }

  void Run(const char* procedure, Launch launch) {
    const ProcedureStarter* starter = registry_.Find(procedure);
    ASSERT_NE(starter, nullptr) << procedure;
    (*starter)(ProcedureContext{&area_, launch});
  }

  BrowseWindowQt* OpenLog() {
    BrowseWindowQt* window = StartBrowseAAAA(&area_, registry_);
    Settle();
    return window;
  }

  kavo::testing::ScratchDir dir_;
  fs::path previous_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_{&boxes_};
  QMdiArea area_;
  ProcedureRegistry registry_;
};

TEST_F(ReportCallersTest, TheFramesPeriodReportPrintsThePeriodAndTitleTyped) {
  ASSERT_NO_FATAL_FAILURE(WriteLog());
  Previewed previewed;
  When<SetdataWindow>([&previewed](SetdataWindow* dialog) {
    auto type = [](PictureSpinBox* box, int day) {
      QLineEdit* edit = box->findChild<QLineEdit*>();
      edit->selectAll();
      QTest::keyClicks(
          edit, QString::fromStdString(FormatNumber("D6", DateFromParts(2026, 1, day))).trimmed());
    };
    type(dialog->first_date(), 2);
    type(dialog->last_date(), 4);
    auto* title = dialog->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    title->selectAll();
    QTest::keyClicks(title, "Winter");
    ReadPreview(&previewed);
    dialog->findChild<QPushButton*>()->click();
  });
  Run("PRINTAAA:BEY_D", Launch::kCall);
  EXPECT_EQ(previewed.pages, 1);
  EXPECT_TRUE(previewed.Has("Winter"));
  for (const char* call : {"UA2", "UA3", "UA4"}) EXPECT_TRUE(previewed.Has(call)) << call;
  for (const char* call : {"UA1", "UA5"}) EXPECT_FALSE(previewed.Has(call)) << call;
  EXPECT_TRUE(fs::exists("kavo.INI"));  // the dialog kept its placement
}

TEST_F(ReportCallersTest, TheLogsModeReportListsTheHighlightedContactsMode) {
  ASSERT_NO_FATAL_FAILURE(WriteLog());
  BrowseWindowQt* log = OpenLog();
  ASSERT_NE(log, nullptr);
  log->findChild<QTabWidget*>()->setCurrentIndex(browse_aaaa::kModeTab - 1);
  Settle();
  auto* modes = qobject_cast<QComboBox*>(log->control(browse_aaaa::kModeList));
  ASSERT_NE(modes, nullptr);
  modes->setCurrentIndex(modes->findText("SSB"));
  emit modes->activated(modes->currentIndex());
  Settle();
  QTableView* view = log->list()->view();
  ASSERT_EQ(view->model()->rowCount(), 3);
  view->setCurrentIndex(view->model()->index(1, 1));
  Settle();

  Previewed previewed;
  ReadPreview(&previewed);
  QTest::mouseClick(qobject_cast<QPushButton*>(log->control(browse_aaaa::kPrintMode)),
                    Qt::LeftButton);
  EXPECT_EQ(previewed.pages, 1);
  EXPECT_TRUE(previewed.Has("SSB"));
  for (const char* call : {"UA2", "UA4", "UA6"}) EXPECT_TRUE(previewed.Has(call)) << call;
  EXPECT_FALSE(previewed.Has("UA1"));
}

TEST_F(ReportCallersTest, AnEmptyListHasNoContactToReportOn) {
  ASSERT_NO_FATAL_FAILURE(WriteLog());
  int runs = 0;
  for (const char* report : {"PRINTAAA:BEY_SS", "PRINTMODE", "STRANA21"}) {
    registry_.Register(report, [&runs](const ProcedureContext&) { ++runs; });
  }
  BrowseWindowQt* log = OpenLog();
  ASSERT_NE(log, nullptr);
  auto* tabs = log->findChild<QTabWidget*>();
  // No country, mode or region chosen yet: each of these tabs lists nothing.
  const std::pair<int32_t, int32_t> buttons[] = {
      {browse_aaaa::kCountryTab, browse_aaaa::kPrintCountry},
      {browse_aaaa::kModeTab, browse_aaaa::kPrintMode},
      {browse_aaaa::kRegionTab, browse_aaaa::kPrintRegion}};
  for (const auto& [tab, button] : buttons) {
    tabs->setCurrentIndex(tab - 1);
    Settle();
    ASSERT_EQ(log->list()->view()->model()->rowCount(), 0) << tab;
    QTest::mouseClick(qobject_cast<QPushButton*>(log->control(button)), Qt::LeftButton);
    Settle();
  }
  EXPECT_EQ(runs, 0);
}

TEST_F(ReportCallersTest, TheLabelMenuPrintsTheTaggedContactsAndStaysOpen) {
  ASSERT_NO_FATAL_FAILURE(WriteLog());
  BrowseWindowQt* log = OpenLog();
  ASSERT_NE(log, nullptr);
  QTest::mouseClick(qobject_cast<QPushButton*>(log->control(browse_aaaa::kC3TAGALL)),
                    Qt::LeftButton);
  Settle();
  ASSERT_EQ(TAG_AAAA.Records(), 6u);

  Previewed three_across;
  Previewed two_across;
  bool open_after_sheet = false;
  When<LabelMenuWindow>([&](LabelMenuWindow* menu) {
    EXPECT_EQ(menu->windowTitle(), QString::fromUtf8("Выбор варианта печати наклеек"));
    ReadPreview(&three_across);
    menu->button(reports::LabelMenuButton::kBUTTON2)->click();
    open_after_sheet = menu->isVisible();
    ReadPreview(&two_across);
    menu->button(reports::LabelMenuButton::kBUTTON3)->click();
    menu->button(reports::LabelMenuButton::kBUTTON1)->click();
  });
  QTest::mouseClick(qobject_cast<QPushButton*>(log->control(browse_aaaa::kLabels)), Qt::LeftButton);
  EXPECT_TRUE(open_after_sheet);
  EXPECT_EQ(ShownWindow<LabelMenuWindow>(), nullptr);
  for (const Previewed* sheet : {&three_across, &two_across}) {
    EXPECT_EQ(sheet->pages, 1);
    for (const char* call : {"UA1", "UA6"}) EXPECT_TRUE(sheet->Has(call)) << call;
  }
  EXPECT_FALSE(fs::exists("PRINT.TMP"));
  EXPECT_EQ(TAG_AAAA.Records(), 6u);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
}

}  // namespace
}  // namespace kavo
