#include "app/form_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <string>

#include "app/form_procedures.h"
#include "app/private_profile.h"
#include "app/station_setup_form.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "log/update_aaaa_form.h"
#include "log/update_dxcc_form.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"
#include "runtime/picture.h"
#include "store/transaction.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

std::string Cp(const char* utf8) {
  return Cp1251FromUtf8(utf8);
}

// Each test runs in a directory of its own, as the program runs in its
// working directory: the data files and kavo.INI are found there.
class FormWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
    char pattern[] = "/tmp/kavo_form_XXXXXX";
    dir_ = mkdtemp(pattern);
    previous_dir_ = fs::current_path();
    fs::current_path(dir_);
    previous_control_file_ = SetControlFileName((dir_ / "vantor.tcf").string());
  }
  void TearDown() override {
    SetControlFileName(previous_control_file_);
    fs::current_path(previous_dir_);
    fs::remove_all(dir_);
  }

  void MakeSetup() {
    ASSERT_TRUE(Table::Create("SETUP", dict::SETUP()).ok());
    Table setup;
    ASSERT_TRUE(setup.Open("SETUP", &dict::SETUP()).ok());
    dict::SETUPRecord rec;
    rec.Clear();
    dict::SetText(rec.CALLSIGN, "UA1ZZZ");
    dict::SetText(rec.IMJA, Cp("Иван"));
    rec.GMT = 3;
    std::memcpy(setup.record(), &rec, sizeof rec);
    ASSERT_TRUE(setup.Add().ok());
    ASSERT_TRUE(setup.Close().ok());
  }

  dict::SETUPRecord ReadSetup() {
    Table setup;
    dict::SETUPRecord rec{};
    EXPECT_TRUE(setup.Open("SETUP", &dict::SETUP()).ok());
    EXPECT_TRUE(setup.Set().ok());
    EXPECT_TRUE(setup.Next().ok());
    std::memcpy(&rec, setup.record(), sizeof rec);
    EXPECT_TRUE(setup.Close().ok());
    return rec;
  }

  std::vector<std::string> Countries() {
    std::vector<std::string> rows;
    Table dxcc;
    if (!dxcc.Open("DXCC", &dict::DXCC()).ok()) return rows;
    (void)dxcc.Set();
    while (dxcc.Next().ok()) {
      dict::DXCCRecord rec;
      std::memcpy(&rec, dxcc.record(), sizeof rec);
      rows.push_back(std::string(dict::TextOf(rec.PR)) + "|" +
                     std::string(dict::TextOf(rec.STRANA)));
    }
    (void)dxcc.Close();
    return rows;
  }

  // Types text into an edit over what it holds, one key event per
  // character (QTest's key clicks know only ASCII).
  static void Type(QWidget* editor, const QString& text) {
    auto* line = qobject_cast<QLineEdit*>(editor);
    ASSERT_NE(line, nullptr);
    line->setFocus();
    line->selectAll();
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(line, &press);
    }
  }

  // Pixels a line edit has for its text.
  static int TextRoom(QWidget* editor) {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) return 0;
    const QMargins margins = line->textMargins() + line->contentsMargins();
    // A framed line edit keeps its frame and 2 pixels free on either side.
    const int frame = line->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return line->width() - margins.left() - margins.right() - 2 * frame - 4;
  }
  // The widest text of the values first..last (by step) through a picture.
  static int WidestShown(const QWidget& window, const char* picture, int32_t first, int32_t last,
                         int32_t step = 1) {
    int widest = 0;
    for (int32_t value = first; value <= last; value += step) {
      widest = std::max(widest, window.fontMetrics().horizontalAdvance(
                                    QString::fromStdString(FormatNumber(picture, value))));
    }
    return widest;
  }

  fs::path dir_;
  fs::path previous_dir_;
  std::string previous_control_file_;
  DataContext context_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
};

TEST_F(FormWindowTest, StationSetupTypesDittoesAndSaves) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup());
  GlobalRequest = kChangeRecord;
  {
    FormWindow window(StationSetupForm(), context_);
    ASSERT_TRUE(window.form().Open());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), QString("Запись будет изменена  (UA1ZZZ)"));
    EXPECT_EQ(window.minimumSize(), window.size());
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.editor(1))->text(), "Иван");
    ASSERT_NO_FATAL_FAILURE(Type(window.editor(2), "Петров"));
    auto* gmt = qobject_cast<QDoubleSpinBox*>(window.editor(3));
    ASSERT_NE(gmt, nullptr);
    gmt->setFocus();
    gmt->selectAll();
    QTest::keyClicks(gmt, "4");
    QTest::keyClick(&window, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
  }
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  const dict::SETUPRecord saved = ReadSetup();
  EXPECT_EQ(dict::TextOf(saved.FAM), Cp("Петров"));
  EXPECT_EQ(double{saved.GMT}, 4.0);
  EXPECT_NE(GetPrivateProfileString("fSETUP", "Width", "", "kavo.INI"), "");

  // Reopened, Ctrl+' in the surname brings back the value confirmed last.
  GlobalRequest = kChangeRecord;
  FormWindow again(StationSetupForm(), context_);
  ASSERT_TRUE(again.form().Open());
  again.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
  ASSERT_NO_FATAL_FAILURE(Type(again.editor(2), "X"));
  QTest::keyClick(again.editor(2), Qt::Key_Apostrophe, Qt::ControlModifier);
  EXPECT_EQ(qobject_cast<QLineEdit*>(again.editor(2))->text(), "Петров");
  QTest::keyClick(&again, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
}

TEST_F(FormWindowTest, ContactFormSavesTheTypedContactStampedInUtcAndStaysOpen) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup());
  constexpr int32_t kToday = 81000;
  UpdateAAAAServices services;
  services.Today = [] { return kToday; };
  // Clock times count from 1 at midnight.
  services.Clock = [] { return 12 * 360000 + 1; };
  services.UpdateDXCC = [](DataContext&) { return kRequestCancelled; };
  SetUpdateAAAAServices(&services);
  GlobalRequest = kInsertRecord;
  {
    FormWindow window(UpdateAAAAForm(), context_);
    ASSERT_TRUE(window.form().Open());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The date and time boxes hold every date and time whole.
    forms::UpdateForm& form = window.form();
    EXPECT_GE(TextRoom(window.editor(form.FieldIndex("AAA:DATA"))),
              WidestShown(window, "@D6", DateFromParts(2026, 1, 1), DateFromParts(2027, 12, 31)));
    EXPECT_GE(TextRoom(window.editor(form.FieldIndex("AAA:TIM"))),
              WidestShown(window, "@T1", 1, kLastTime, 6000));
    ASSERT_NO_FATAL_FAILURE(Type(window.editor(0), "UA1ABC"));
    QTest::keyClick(&window, Qt::Key_Return);
    QApplication::processEvents();
    // The form stays open for the next contact, numbered 2.
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(context_.AAAA.rec().N_QSO.get(), 2);
    QTest::keyClick(&window, Qt::Key_Escape);
    QApplication::processEvents();
  }
  SetUpdateAAAAServices(nullptr);
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  Table log;
  ASSERT_TRUE(log.Open("AAAA", &dict::AAAA()).ok());
  ASSERT_TRUE(log.Set().ok());
  ASSERT_TRUE(log.Next().ok());
  dict::AAAARecord rec;
  std::memcpy(&rec, log.record(), sizeof rec);
  EXPECT_EQ(dict::TextOf(rec.POZ), "UA1ABC");
  EXPECT_EQ(rec.N_QSO.get(), 1);
  // Noon at +3 is 09:00 UTC the same day.
  EXPECT_EQ(rec.DATA, kToday);
  EXPECT_EQ(rec.TIM, 9 * 360000 + 1);
  EXPECT_EQ(dict::TextOf(rec.MODE), "SSB");
  EXPECT_FALSE(log.Next().ok());
  ASSERT_TRUE(log.Close().ok());
}

// The program ends (its event loops return) while the insert loop holds the
// next number: the reserved record goes, the saved contact stays.
TEST_F(FormWindowTest, ContactFormEndedByTheProgramLeavesNoReservedRecord) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup());
  UpdateAAAAServices services;
  services.Today = [] { return 81000; };
  services.Clock = [] { return 12 * 360000 + 1; };
  services.UpdateDXCC = [](DataContext&) { return kRequestCancelled; };
  SetUpdateAAAAServices(&services);
  bool saved = false;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<FormWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    ASSERT_NO_FATAL_FAILURE(Type(window->editor(0), "UA1ABC"));
    window->ok_button()->click();
    saved = window->isVisible() && context_.AAAA.rec().N_QSO.get() == 2;
    // As on a termination signal: every event loop returns, the window
    // still open.
    QApplication::exit(0);
  });
  GlobalRequest = kInsertRecord;
  RunFormProcedure(UpdateAAAAForm(), context_, nullptr);
  // The application's own loop clears the end request for the next test.
  QTimer::singleShot(0, [] { QApplication::exit(0); });
  QApplication::exec();
  SetUpdateAAAAServices(nullptr);
  EXPECT_TRUE(saved);
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  Table log;
  ASSERT_TRUE(log.Open("AAAA", &dict::AAAA()).ok());
  ASSERT_TRUE(log.Set().ok());
  ASSERT_TRUE(log.Next().ok());
  EXPECT_EQ(dict::TextOf(reinterpret_cast<dict::AAAARecord*>(log.record())->POZ), "UA1ABC");
  EXPECT_FALSE(log.Next().ok());
  ASSERT_TRUE(log.Close().ok());
}

TEST_F(FormWindowTest, CountryFormRefusesATooLongNameAndSavesAFittingOne) {
  GlobalRequest = kInsertRecord;
  FormWindow window(UpdateDXCCForm(), context_);
  ASSERT_TRUE(window.form().Open());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.windowTitle(), "Adding a DXCC Record");
  ASSERT_NO_FATAL_FAILURE(Type(window.editor(0), "UA"));
  ASSERT_NO_FATAL_FAILURE(Type(window.editor(1), "Европейская часть России"));
  window.ok_button()->click();
  QApplication::processEvents();
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, Cp("Недопустимое значение"));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window.editor(1));
  EXPECT_TRUE(Countries().empty());

  ASSERT_NO_FATAL_FAILURE(Type(window.editor(1), "RUSSIA"));
  QTest::keyClick(window.editor(1), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(Countries(), std::vector<std::string>{"UA|RUSSIA"});
}

TEST_F(FormWindowTest, WideningSpreadsTheControls) {
  GlobalRequest = kInsertRecord;
  FormWindow window(UpdateDXCCForm(), context_);
  ASSERT_TRUE(window.form().Open());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QRect ok = window.ok_button()->geometry();
  const QRect country = window.editor(1)->geometry();
  window.resize(window.width() * 2, window.height());
  QApplication::processEvents();
  // The button keeps its size and its distance to the right edge; the entry
  // stretches in width only.
  EXPECT_EQ(window.ok_button()->size(), ok.size());
  EXPECT_EQ(window.width() - window.ok_button()->geometry().right(),
            window.width() / 2 - ok.right());
  EXPECT_GT(window.editor(1)->width(), country.width());
  EXPECT_EQ(window.editor(1)->height(), country.height());
}

TEST_F(FormWindowTest, ADeleteIsServedWithoutAWindow) {
  {
    ProcedureFiles caller(context_, procedure_files::SelectDXCC);
    caller.Open();
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().PR, "DL");
    dict::SetText(context_.DXCC.rec().STRANA, "Germany");
    ASSERT_TRUE(context_.DXCC.file().Add().ok());
    boxes_.Answer(button::kOk);
    GlobalRequest = kDeleteRecord;
    UpdateDXCC(context_, nullptr);
    EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  }
  EXPECT_TRUE(Countries().empty());
  EXPECT_EQ(boxes_.shown().size(), 1u);
}

}  // namespace
}  // namespace kavo
