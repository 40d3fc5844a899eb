// The log's window on the offscreen platform: opened as the frame opens it,
// wide enough for the log's columns, none of them cut; the tag buttons reach
// the tag store, the band selector limits the band tab, and an ADIF import
// shows in the open list at once.
#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/adif_procedures.h"
#include "app/browse_aaaa_window.h"
#include "app/browse_toolbar_qt.h"
#include "app/browse_window_qt.h"
#include "app/file_dialog.h"
#include "app/form_window.h"
#include "app/procedure_registry.h"
#include "data/dict_records.h"
#include "data/globals.h"
#include "log/browse_aaaa.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"
#include "store/table.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// A button of the entry form that presses the frame's command `id`.
bool Shows(const QToolButton* button, int32_t id) {
  return button->defaultAction() &&
         button->defaultAction()->objectName() == QString("command%1").arg(id);
}

// The log's window in an MDI area under the frame's navigation toolbar, as
// the frame opens it; closed with the area.
struct LogInFrame {
  LogInFrame() {
    area.resize(1000, 700);
    area.show();
    window = StartBrowseAAAA(&area, registry);
    Settle();
  }
  ~LogInFrame() {
    area.closeAllSubWindows();
    Settle();
  }

  QMdiArea area;
  BrowseToolbarQt toolbar{&area};
  ProcedureRegistry registry;
  BrowseWindowQt* window = nullptr;
};

// Each test works in a scratch working directory, as the program does.
class LogBrowseWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TAG_AAAA.Free();
    char pattern[] = "/tmp/kavo_log_XXXXXX";
    dir_ = mkdtemp(pattern);
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    TAG_AAAA.Free();
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  // The one SETUP record the entry form reads the station's offset from.
  static void MakeSetup() {
    ASSERT_TRUE(Table::Create("SETUP", dict::SETUP()).ok());
    Table setup;
    ASSERT_TRUE(setup.Open("SETUP", &dict::SETUP()).ok());
    reinterpret_cast<dict::SETUPRecord*>(setup.record())->Clear();
    ASSERT_TRUE(setup.Add().ok());
    ASSERT_TRUE(setup.Close().ok());
  }

  // Contacts numbered 1, 2, ... with these callsigns and bands, SSB.
  static void MakeLog(const std::vector<std::pair<const char*, double>>& contacts) {
    ASSERT_TRUE(Table::Create("AAAA", dict::AAAA()).ok());
    Table log;
    ASSERT_TRUE(log.Open("AAAA", &dict::AAAA()).ok());
    int number = 0;
    for (const auto& [call, band] : contacts) {
      auto* r = reinterpret_cast<dict::AAAARecord*>(log.record());
      r->Clear();
      dict::SetText(r->POZ, call);
      dict::SetText(r->MODE, "SSB");
      dict::SetText(r->QSL, Cp1251FromUtf8("НЕТ"));
      r->N_QSO.set(++number);
      r->DIAPAZ = band;
      ASSERT_TRUE(log.Add().ok());
    }
    ASSERT_TRUE(log.Close().ok());
  }

  fs::path dir_;
  fs::path previous_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_{&boxes_};
};

TEST_F(LogBrowseWindowTest, OpensWithTheLogAndTagsEveryContact) {
  ASSERT_NO_FATAL_FAILURE(MakeLog({{"UA1A", 14.0}, {"DL2B", 7.0}, {"F3C", 14.0}}));
  {
    QMdiArea area;
    area.resize(1200, 800);
    area.show();
    ProcedureRegistry registry;
    BrowseWindowQt* window = StartBrowseAAAA(&area, registry);
    ASSERT_NE(window, nullptr);
    Settle();
    auto* tabs = window->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->count(), 10);
    QTableView* view = window->list()->view();
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Callsign");
    EXPECT_EQ(view->model()->rowCount(), 3);
    // Every column as wide as its header and its cells; the window shows
    // them all.
    QHeaderView* header = view->horizontalHeader();
    for (int c = 1; c < view->model()->columnCount(); ++c) {
      EXPECT_GE(view->columnWidth(c), header->sectionSizeHint(c)) << c;
      EXPECT_GE(view->columnWidth(c), static_cast<QAbstractItemView*>(view)->sizeHintForColumn(c))
          << c;
    }
    EXPECT_GE(window->width(), window->list()->ColumnsWidth());

    auto* tag_all = qobject_cast<QPushButton*>(window->control(browse_aaaa::kC3TAGALL));
    ASSERT_NE(tag_all, nullptr);
    QTest::mouseClick(tag_all, Qt::LeftButton);
    Settle();
    EXPECT_EQ(TAG_AAAA.Records(), 3u);

    tabs->setCurrentIndex(browse_aaaa::kBandTab - 1);
    Settle();
    auto* bands = qobject_cast<QComboBox*>(window->control(browse_aaaa::kBandList));
    ASSERT_NE(bands, nullptr);
    bands->setCurrentIndex(bands->findText("7.0"));
    emit bands->activated(bands->currentIndex());
    Settle();
    ASSERT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(view->model()->index(0, 1).data().toString().trimmed(), "DL2B");

    tabs->setCurrentIndex(browse_aaaa::kNumberTab - 1);
    Settle();
    std::ofstream(dir_ / "in.adi") << "<EOH>\n<CALL:5>UA3AB <BAND:3>20M <MODE:2>CW <EOR>\n";
    ScriptedFileDialog files;
    SetFileDialogService(&files);
    files.Answer(QString::fromStdString((dir_ / "in.adi").string()));
    ImportADIF(ProcedureContext{&area, Launch::kStart});
    SetFileDialogService(nullptr);
    Settle();
    EXPECT_EQ(view->model()->rowCount(), 4);
    area.closeAllSubWindows();
    Settle();
  }
}

// The entry form over the log takes the frame's history command: the
// command is enabled while the form is open, shown in it, and copies the
// field the user is in from the contact saved last.
TEST_F(LogBrowseWindowTest, FrameHistoryCommandReachesTheEntryForm) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup());
  {
    LogInFrame frame;
    ASSERT_NE(frame.window, nullptr);
    QAction* history = frame.toolbar.command(browse_toolbar::kHistory);
    ASSERT_NE(history, nullptr);
    EXPECT_FALSE(history->isEnabled());

    bool served = false;
    QTimer::singleShot(0, [&] {
      auto* form = qobject_cast<FormWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      EXPECT_TRUE(history->isEnabled());
      const int call = form->form().FieldIndex("AAA:POZ");
      const int band = form->form().FieldIndex("AAA:DIAPAZ");
      qobject_cast<QLineEdit*>(form->editor(call))->setText("UA1ABC");
      auto* bands = qobject_cast<QComboBox*>(form->editor(band));
      ASSERT_NE(bands, nullptr);
      bands->setCurrentIndex(bands->findText("7.0"));
      form->ok_button()->click();
      // The next contact is primed on 14.0; the command brings back 7.0.
      EXPECT_EQ(bands->currentText(), "14.0");
      bands->setFocus();
      Settle();
      QToolButton* shown = nullptr;
      for (auto* button : form->findChildren<QToolButton*>()) {
        if (Shows(button, browse_toolbar::kHistory)) shown = button;
      }
      ASSERT_NE(shown, nullptr);
      shown->click();
      EXPECT_EQ(bands->currentText(), "7.0");
      served = true;
      form->cancel_button()->click();
    });
    auto* insert = qobject_cast<QPushButton*>(frame.window->control(browse_aaaa::kInsert));
    ASSERT_NE(insert, nullptr);
    insert->click();
    Settle();
    EXPECT_TRUE(served);
    EXPECT_FALSE(history->isEnabled());
    EXPECT_EQ(frame.window->list()->view()->model()->rowCount(), 1);
  }
}

// The frame's navigation commands reach the entry form through keys and the
// buttons the form shows: the form saves, the browse moves, and the form
// opens again on the next contact.
TEST_F(LogBrowseWindowTest, FrameNavigationWalksTheLogFromTheEntryForm) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup());
  ASSERT_NO_FATAL_FAILURE(MakeLog({{"UA1A", 14.0}, {"DL2B", 14.0}, {"F3C", 14.0}}));
  LogInFrame frame;
  ASSERT_NE(frame.window, nullptr);

  // Each form that opens: what it shows, then one command.
  std::vector<std::string> seen;
  QStringList tips;
  QTimer steps;
  QObject::connect(&steps, &QTimer::timeout, [&] {
    auto* form = qobject_cast<FormWindow*>(QApplication::activeModalWidget());
    // Each form is a new window, though perhaps at the same address.
    if (!form || form->property("served").toBool() || !form->isVisible()) return;
    form->setProperty("served", true);
    auto* call = qobject_cast<QLineEdit*>(form->editor(form->form().FieldIndex("AAA:POZ")));
    auto* qth = qobject_cast<QLineEdit*>(form->editor(form->form().FieldIndex("AAA:QTH")));
    seen.push_back(call->text().toStdString());
    // Keys reach the form's commands while it is the active window. The
    // tick may come before the form's own activation is delivered, and a
    // wait on its window is already satisfied while the log's window, its
    // transient parent, is active: wait until the form itself is.
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([form] { return form->isActiveWindow(); }));
    switch (seen.size()) {
      case 1:  // a key in a field
        qth->setFocus();
        qth->setText("MOSCOW");
        QTest::keyClick(qth, Qt::Key_Down, Qt::ControlModifier);
        break;
      case 2:  // the button the form shows
        for (auto* button : form->findChildren<QToolButton*>()) {
          if (!button->defaultAction()) continue;
          tips << button->toolTip();
          if (Shows(button, browse_toolbar::kDown)) button->click();
        }
        break;
      case 3:
        QTest::keyClick(call, Qt::Key_Home, Qt::AltModifier);
        break;
      default:
        break;
    }
    // A form that stays open ends the walk (at once after the last step).
    QTimer::singleShot(seen.size() > 3 ? 0 : 500, form, [form] { form->cancel_button()->click(); });
  });
  steps.start(10);
  frame.window->list()->view()->setFocus();
  auto* change = qobject_cast<QPushButton*>(frame.window->control(browse_aaaa::kChange));
  ASSERT_NE(change, nullptr);
  change->click();
  Settle();
  steps.stop();
  EXPECT_EQ(seen, (std::vector<std::string>{"UA1A", "DL2B", "F3C", "UA1A"}));
  EXPECT_TRUE(tips.contains("Go to the Next Record (Ctrl+Down)")) << tips.join("|").toStdString();
  Table log;
  ASSERT_TRUE(log.Open("AAAA", &dict::AAAA()).ok());
  ASSERT_TRUE(log.Set().ok());
  ASSERT_TRUE(log.Next().ok());
  EXPECT_EQ(dict::TextOf(reinterpret_cast<dict::AAAARecord*>(log.record())->QTH), "MOSCOW");
  ASSERT_TRUE(log.Close().ok());
}

// A country added from the entry form opens the country form over it; the
// frame's commands stay with the entry form, so a move pressed in the
// country form cannot end the entry form, and history still serves it.
TEST_F(LogBrowseWindowTest, FormOverTheEntryFormLeavesItTheFrameCommands) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup());
  LogInFrame frame;
  ASSERT_NE(frame.window, nullptr);
  QAction* history = frame.toolbar.command(browse_toolbar::kHistory);

  int forms = 0;
  int inner_commands = -1;
  bool history_after = false;
  // The country form, opened while the entry form takes the country.
  auto serve_inner = [&] {
    auto* inner = qobject_cast<FormWindow*>(QApplication::activeModalWidget());
    if (!inner) return;
    ++forms;
    inner_commands = 0;
    for (auto* button : inner->findChildren<QToolButton*>()) {
      if (button->defaultAction()) ++inner_commands;
    }
    inner->ok_button()->click();
  };
  QTimer steps;
  QObject::connect(&steps, &QTimer::timeout, [&] {
    auto* form = qobject_cast<FormWindow*>(QApplication::activeModalWidget());
    if (!form || form->property("served").toBool() || !form->isVisible()) return;
    form->setProperty("served", true);
    ++forms;
    auto* call = qobject_cast<QLineEdit*>(form->editor(form->form().FieldIndex("AAA:POZ")));
    call->setText("QQ1A");
    form->form().AcceptField(form->form().FieldIndex("AAA:POZ"), "QQ1A");
    // A country the list lacks: the form asks to add it and opens the
    // country form.
    boxes_.Answer(button::kYes);
    QTimer::singleShot(100, serve_inner);
    form->form().AcceptField(form->form().FieldIndex("AAA:PREF"), "Narnia");
    history_after = history->isEnabled();
    QTimer::singleShot(0, form, [form] { form->cancel_button()->click(); });
  });
  steps.start(10);
  auto* insert = qobject_cast<QPushButton*>(frame.window->control(browse_aaaa::kInsert));
  ASSERT_NE(insert, nullptr);
  insert->click();
  Settle();
  steps.stop();
  EXPECT_EQ(forms, 2);
  EXPECT_EQ(inner_commands, 0);
  EXPECT_TRUE(history_after);
}

}  // namespace
}  // namespace kavo
