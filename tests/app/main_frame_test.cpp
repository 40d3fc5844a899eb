#include "app/main_frame.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractPrintDialog>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/printer_setup.h"
#include "app/private_profile.h"
#include "app/procedure_registry.h"
#include "app/sound_player.h"
#include "app/window_state_qt.h"
#include "data/globals.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/message_box_scripted.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

class CountingPrinterSetup : public PrinterSetup {
 public:
  void Run(QWidget*) override { ++runs; }
  int runs = 0;
};

class RecordingSound : public SoundPlayer {
 public:
  void Play(const QString& file) override { played << file; }
  QStringList played;
};

class CloseSpy : public QObject {
 public:
  CloseSpy(bool* closed, QObject* parent) : QObject(parent), closed_(closed) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) *closed_ = true;
    return false;
  }

 private:
  bool* closed_;
};

QString Utf8(const std::string& cp1251) {
  return QString::fromStdString(Utf8FromCp1251(cp1251));
}

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    char pattern[] = "/tmp/kavo_frame_XXXXXX";
    dir_ = mkdtemp(pattern);
    ini_ = (dir_ / "kavo.INI").string();
  }
  void TearDown() override {
    frame_.reset();
    fs::remove_all(dir_);
  }

  MainFrame& Open() {
    FrameServices s;
    s.messages = &boxes_;
    s.printer_setup = &printer_;
    s.sound = &sound_;
    s.procedures = &registry_;
    s.today = [this] { return today_; };
    s.clock = [this] { return clock_; };
    s.ini_file = ini_;
    frame_ = std::make_unique<MainFrame>(std::move(s));
    frame_->Open();
    return *frame_;
  }

  void Ini(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string IniEntry(const char* entry) {
    return GetPrivateProfileString("Main", entry, "(none)", ini_);
  }

  // The action reached through the menu texts, or the toolbar's action.
  QAction* MenuItem(const QStringList& path) {
    QList<QAction*> actions = frame_->menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& text : path) {
      found = nullptr;
      for (QAction* a : actions) {
        if (a->text() == text) found = a;
      }
      if (!found) return nullptr;
      if (found->menu()) actions = found->menu()->actions();
    }
    return found;
  }
  QAction* Button(const QString& text) {
    for (QAction* a : frame_->findChild<QToolBar*>("toolbar")->actions()) {
      if (a->text() == text) return a;
    }
    return nullptr;
  }
  QStringList Shown() {
    QStringList texts;
    for (const MessageBoxRequest& r : boxes_.shown()) texts << Utf8(r.text);
    return texts;
  }

  fs::path dir_;
  std::string ini_;
  ScriptedMessageBox boxes_;
  CountingPrinterSetup printer_;
  RecordingSound sound_;
  ProcedureRegistry registry_;
  int32_t today_ = DateFromParts(2026, 12, 8);
  int32_t clock_ = TimeFromParts(10, 20, 30, 0);
  std::unique_ptr<MainFrame> frame_;
};

void Walk(const QList<QAction*>& actions, const QString& prefix, QStringList& out) {
  for (QAction* a : actions) {
    if (a->isSeparator()) continue;
    out << prefix + a->text();
    if (a->menu()) Walk(a->menu()->actions(), prefix + a->text() + "/", out);
  }
}

TEST_F(MainFrameTest, MenuTreeHasTheItemsInOrder) {
  MainFrame& f = Open();
  EXPECT_EQ(f.windowTitle(), QString("Аппаратный журнал ZVONOK"));
  QStringList tree;
  Walk(f.menuBar()->actions(), "", tree);
  const QStringList expected = {
      "&Аппаратный журнал",
      "&Аппаратный журнал/Ввод и редактирование информации",
      "&Аппаратный журнал/Импорт ADIF...",
      "&Аппаратный журнал/Экспорт ADIF...",
      "&Аппаратный журнал/Вы&xод",
      "Справочники",
      "Справочники/IOTA",
      "Справочники/DXCC",
      "Справочники/CALLBOOK 1 района",
      "Справочники/Области",
      "&Печать",
      "&Печать/&Настройка принтера ...",
      "&Печать/Печать Аппаратного журнала",
      "&Печать/Печать Аппаратного журнала/По странам",
      "&Печать/Печать Аппаратного журнала/По странам/По стране,дате,времени",
      "&Печать/Печать Аппаратного журнала/По странам/По стране,позывному,дате,времени",
      "&Печать/Печать Аппаратного журнала/По странам/По стране,диапазону",
      "&Печать/Печать Аппаратного журнала/По датам",
      "&Печать/Печать Аппаратного журнала/По датам/По дате,времени",
      "Настройка",
      "Настройка/Параметры",
      "&Окно",
      "&Окно/&Мозаика",
      "&Окно/&Каскад",
      "&Окно/&Выравнять иконки",
      "&Помощь",
      "&Помощь/&О программе",
      "&Помощь/&Помощь о Help",
  };
  EXPECT_EQ(tree, expected);
  EXPECT_EQ(MenuItem({"&Аппаратный журнал", "Ввод и редактирование информации"})->statusTip(),
            "Browse AAAA");
  EXPECT_EQ(MenuItem({"&Аппаратный журнал", "Вы&xод"})->statusTip(), "Завершение работы");
  EXPECT_EQ(MenuItem({"&Помощь"})->statusTip(), "Помощь Windows ");
}

TEST_F(MainFrameTest, ToolbarButtonsWithTipsMessagesAndIcons) {
  Open();
  struct Expected {
    const char* text;
    const char* tip;
    const char* message;
    bool icon;
  };
  const Expected expected[] = {
      {"DXCC", "Список DXCC", "Список стран по DXCC", true},
      {"Печать", "Печать аппаратного журнала", "Печать аппаратного журнала", false},
      {"DXINFO", "Чтение DX информации", "DX NEWS", false},
      {"Выход", "Завершение работы", "Завершение работы", true},
      {"ЖУРНАЛ", "Ведение аппаратного журнала", "Ведение аппаратного журнала", false},
      {"CALLBOOK", "Адреса радиолюбителей 1 района", "Адреса радиолюбителей 1 района", true},
      {"IOTA", "Справочник IOTA", "IOTA", true},
  };
  QList<QAction*> actions = frame_->findChild<QToolBar*>("toolbar")->actions();
  ASSERT_EQ(actions.size(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(actions[i]->text(), QString(expected[i].text));
    EXPECT_EQ(actions[i]->toolTip(), QString(expected[i].tip));
    EXPECT_EQ(actions[i]->statusTip(), QString(expected[i].message));
    EXPECT_EQ(!actions[i]->icon().isNull(), expected[i].icon) << expected[i].text;
  }
}

TEST_F(MainFrameTest, StatusZonesShowDayDateAndTicking) {
  MainFrame& f = Open();
  Picture d8, t4;
  ASSERT_TRUE(Picture::Compile("@D8", &d8).ok);
  ASSERT_TRUE(Picture::Compile("@T4", &t4).ok);
  EXPECT_EQ(f.zone(3)->text(), "Tuesday, " + Utf8(d8.FormatNumber(today_)));
  EXPECT_EQ(f.zone(4)->text(), Utf8(t4.FormatNumber(clock_)));
  EXPECT_TRUE(f.timer()->isActive());
  EXPECT_GE(f.timer()->interval(), 10);
  EXPECT_LE(f.timer()->interval(), 1000);

  today_ = DateFromParts(2026, 12, 13);  // a Sunday
  clock_ = TimeFromParts(10, 20, 31, 0);
  const QString next_time = Utf8(t4.FormatNumber(clock_));
  EXPECT_TRUE(QTest::qWaitFor([&] { return f.zone(4)->text() == next_time; }, 3000));
  EXPECT_TRUE(f.zone(3)->text().startsWith("Sunday, "));
}

TEST_F(MainFrameTest, SplashClosesOnFirstAcceptedControl) {
  MainFrame& f = Open();
  ASSERT_TRUE(f.splash());
  EXPECT_TRUE(f.splash()->isVisible());
  EXPECT_EQ(f.logic().SplashProcedureThread(), MainFrame::kSplashThread);
  MenuItem({"&Окно", "&Каскад"})->trigger();
  EXPECT_TRUE(!f.splash() || !f.splash()->isVisible());
  EXPECT_EQ(f.logic().SplashProcedureThread(), 0);
}

TEST_F(MainFrameTest, SplashClosesOnLeftOrRightClickOnly) {
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
    MainFrame& f = Open();
    ASSERT_TRUE(f.splash());
    QTest::mouseClick(f.splash(), Qt::MiddleButton);
    EXPECT_TRUE(f.splash() && f.splash()->isVisible());
    QTest::mouseClick(f.splash(), button);
    EXPECT_TRUE(!f.splash() || !f.splash()->isVisible());
    // The frame still counts it open; its close event then has no effect.
    Button("DXINFO")->trigger();
    EXPECT_EQ(f.logic().SplashProcedureThread(), 0);
  }
}

TEST_F(MainFrameTest, MissingProceduresAreAnnouncedByName) {
  Open();
  Button("DXCC")->trigger();
  MenuItem({"&Печать", "Печать Аппаратного журнала", "По датам", "По дате,времени"})->trigger();
  MenuItem({"&Помощь", "&О программе"})->trigger();
  EXPECT_EQ(Shown(), (QStringList{"Процедура SelectDXCC еще не определена.",
                                  "Процедура PRINTAAA:BEY_D еще не определена.",
                                  "Процедура spravka еще не определена."}));
}

TEST_F(MainFrameTest, RegisteredProceduresStartOrAreCalled) {
  std::vector<std::pair<std::string, Launch>> runs;
  auto record = [&runs](std::string name) {
    return [&runs, name](const ProcedureContext& c) {
      EXPECT_NE(c.mdi_area, nullptr);
      runs.emplace_back(name, c.launch);
    };
  };
  registry_.Register("BrowseAAAA", record("BrowseAAAA"));
  registry_.Register("STRANA", record("STRANA"));
  Open();
  Button("ЖУРНАЛ")->trigger();
  MenuItem({"&Аппаратный журнал", "Ввод и редактирование информации"})->trigger();
  MenuItem({"&Печать", "Печать Аппаратного журнала", "По странам", "По стране,дате,времени"})
      ->trigger();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], std::make_pair(std::string("BrowseAAAA"), Launch::kStart));
  EXPECT_EQ(runs[2], std::make_pair(std::string("STRANA"), Launch::kCall));
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(MainFrameTest, ParametersAlwaysOpenSetupInChangeMode) {
  Open();
  MenuItem({"Настройка", "Параметры"})->trigger();
  // Not built yet: announced, and no request is left behind for another form.
  EXPECT_EQ(Shown(), QStringList{"Процедура fSETUP еще не определена."});
  EXPECT_EQ(GlobalRequest, 0);

  int32_t seen = -1;
  Launch launch = Launch::kStart;
  registry_.Register("fSETUP", [&](const ProcedureContext& c) {
    seen = GlobalRequest;
    launch = c.launch;
  });
  GlobalRequest = 1;
  MenuItem({"Настройка", "Параметры"})->trigger();
  EXPECT_EQ(seen, kChangeRecord);
  EXPECT_EQ(launch, Launch::kCall);
}

TEST_F(MainFrameTest, IotaButtonRingsBeforeStartingTheIslands) {
  Open();
  Button("IOTA")->trigger();
  EXPECT_EQ(sound_.played, QStringList{"ZVONOK.WAV"});
  EXPECT_EQ(Shown(), QStringList{"Процедура browseiota еще не определена."});
  MenuItem({"Справочники", "IOTA"})->trigger();
  EXPECT_EQ(sound_.played.size(), 1);  // only the button rings
}

TEST_F(MainFrameTest, PrinterSetupAndHelpOnHelp) {
  Open();
  MenuItem({"&Печать", "&Настройка принтера ..."})->trigger();
  EXPECT_EQ(printer_.runs, 1);
  MenuItem({"&Помощь", "&Помощь о Help"})->trigger();
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(Utf8(boxes_.shown()[0].title), "Помощь о Help");
}

// The real set-up dialog: it chooses the printer's paper and orientation,
// and has nothing that would print.
TEST_F(MainFrameTest, PrinterSetupChoosesThePageAndPrintsNothing) {
  ProgramPrinter().setPageSize(QPageSize(QPageSize::A4));
  ProgramPrinter().setPageOrientation(QPageLayout::Portrait);
  QStringList buttons;
  bool print_dialog = true;
  auto choose = [&](bool accept) {
    QTimer::singleShot(0, [&, accept] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      print_dialog = qobject_cast<QAbstractPrintDialog*>(dialog) != nullptr;
      buttons.clear();
      for (QAbstractButton* b : dialog->findChildren<QPushButton*>()) buttons << b->text();
      auto* landscape = dialog->findChild<QRadioButton*>("landscape");
      auto* paper = dialog->findChild<QComboBox*>("paper");
      if (landscape == nullptr || paper == nullptr) return dialog->reject();
      landscape->click();
      paper->setCurrentIndex(paper->findData(static_cast<int>(QPageSize::A5)));
      if (accept) return dialog->accept();
      dialog->reject();
    });
    DialogPrinterSetup().Run(nullptr);
  };

  choose(false);
  EXPECT_FALSE(print_dialog);
  EXPECT_EQ(buttons.join("|").toStdString(), "OK|Отмена");
  EXPECT_EQ(ProgramPrinter().pageLayout().pageSize().id(), QPageSize::A4);
  EXPECT_EQ(ProgramPrinter().pageLayout().orientation(), QPageLayout::Portrait);

  choose(true);
  EXPECT_EQ(ProgramPrinter().pageLayout().pageSize().id(), QPageSize::A5);
  EXPECT_EQ(ProgramPrinter().pageLayout().orientation(), QPageLayout::Landscape);
}

// The window manager places the frame after it is shown; the splash follows.
TEST_F(MainFrameTest, SplashStaysCentredOnTheFrame) {
  MainFrame& f = Open();
  ASSERT_NE(f.splash(), nullptr);
  EXPECT_EQ(f.splash()->frameGeometry().center(), f.frameGeometry().center());
  f.move(240, 160);
  EXPECT_EQ(f.splash()->frameGeometry().center(), f.frameGeometry().center());
  f.resize(1000, 700);
  EXPECT_EQ(f.splash()->frameGeometry().center(), f.frameGeometry().center());
}

TEST_F(MainFrameTest, ExitSavesPlacementAndAnswersCancelled) {
  MainFrame& f = Open();
  f.move(111, 77);
  f.resize(640, 480);
  GlobalResponse = 0;
  MenuItem({"&Аппаратный журнал", "Вы&xод"})->trigger();
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(GlobalResponse, kRequestCancelled);
  EXPECT_EQ(IniEntry("XPosit"), "111");
  EXPECT_EQ(IniEntry("YPosit"), "77");
  EXPECT_EQ(IniEntry("Width"), "640");
  EXPECT_EQ(IniEntry("Height"), "480");
  EXPECT_EQ(IniEntry("Maximize"), "No");

  MainFrame& again = Open();
  EXPECT_EQ(again.pos(), QPoint(111, 77));
  EXPECT_EQ(again.size(), QSize(640, 480));
  Button("Выход")->trigger();
  EXPECT_FALSE(again.isVisible());
}

TEST_F(MainFrameTest, ClosingTheFrameClosesChildWindowsFirst) {
  MainFrame& f = Open();
  QMdiSubWindow* child = f.mdi_area()->addSubWindow(new QWidget);
  child->setAttribute(Qt::WA_DeleteOnClose, false);
  child->show();
  bool closed = false;
  child->installEventFilter(new CloseSpy(&closed, child));
  f.close();
  EXPECT_TRUE(closed);
}

TEST_F(MainFrameTest, ChildWindowKeepsItsPlacementInItsSection) {
  Ini("[BrowseAAAA]\nXPosit=30\nYPosit=40\nWidth=300\nHeight=200\nMaximize=No\n");
  MainFrame& f = Open();
  f.resize(900, 640);
  QMdiSubWindow* child = f.mdi_area()->addSubWindow(new QWidget);
  new PlacementKeeper(child, "BrowseAAAA", ini_);
  child->show();
  EXPECT_EQ(child->geometry(), QRect(30, 40, 300, 200));
  child->setGeometry(50, 60, 320, 210);
  child->close();
  EXPECT_EQ(GetPrivateProfileString("BrowseAAAA", "XPosit", "", ini_), "50");
  EXPECT_EQ(GetPrivateProfileString("BrowseAAAA", "Height", "", ini_), "210");
  EXPECT_EQ(IniEntry("XPosit"), "(none)");  // the frame's own section is apart
}

TEST_F(MainFrameTest, PlacementRestoredFromSettingsFile) {
  Ini("[Main]\nXPosit=150\nYPosit=90\nWidth=700\nHeight=500\nMaximize=No\n");
  MainFrame& f = Open();
  EXPECT_EQ(f.pos(), QPoint(150, 90));
  EXPECT_EQ(f.size(), QSize(700, 500));

  Ini("[Main]\nXPosit=150\nYPosit=90\nWidth=700\nHeight=500\nMaximize=Yes\n");
  MainFrame& max = Open();
  EXPECT_TRUE(max.isMaximized());
  max.close();
  EXPECT_EQ(IniEntry("Maximize"), "Yes");
  // The normal placement, not the maximised one, is kept.
  EXPECT_EQ(IniEntry("XPosit"), "150");
  EXPECT_EQ(IniEntry("Width"), "700");
}

TEST_F(MainFrameTest, ClosedWhileMaximizedKeepsTheNormalPlacement) {
  MainFrame& f = Open();
  f.move(120, 70);
  f.resize(640, 480);
  QCoreApplication::processEvents();
  f.showMaximized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(f.isMaximized());
  ASSERT_NE(f.size(), QSize(640, 480));
  f.close();
  EXPECT_EQ(IniEntry("Maximize"), "Yes");
  EXPECT_EQ(IniEntry("XPosit"), "120");
  EXPECT_EQ(IniEntry("YPosit"), "70");
  EXPECT_EQ(IniEntry("Width"), "640");
  EXPECT_EQ(IniEntry("Height"), "480");
}

TEST_F(MainFrameTest, GarbageSettingsLeaveTheDesignPlace) {
  MainFrame& design = Open();
  const QSize design_size = design.size();
  const QPoint design_pos = design.pos();
  frame_.reset();
  for (const char* text :
       {"\x01\x02garbage\xff\n[Main\n==", "[Main]\nXPosit=12x\nYPosit=5\nMaximize=Yes\n",
        "[Main]\nXPosit=99999999999\nYPosit=99999999999\nWidth=9\nHeight=9\n",
        "[Main]\nXPosit=10\nYPosit=10\nWidth=2000000000\nHeight=-5\n",
        // Valid numbers, but no screen there.
        "[Main]\nXPosit=30000\nYPosit=-30000\nWidth=700\nHeight=500\n"}) {
    Ini(text);
    MainFrame& f = Open();
    EXPECT_EQ(f.size(), design_size) << text;
    EXPECT_FALSE(f.isMaximized()) << text;
    if (std::string(text).find("XPosit=10\n") == std::string::npos) {
      EXPECT_EQ(f.pos(), design_pos) << text;
    }
    frame_.reset();
  }
}

TEST_F(MainFrameTest, WindowMenuArrangesMinimizedChildren) {
  MainFrame& f = Open();
  f.resize(800, 600);
  QMdiSubWindow* a = f.mdi_area()->addSubWindow(new QWidget);
  QMdiSubWindow* b = f.mdi_area()->addSubWindow(new QWidget);
  a->show();
  b->show();
  MenuItem({"&Окно", "&Мозаика"})->trigger();
  EXPECT_NE(a->geometry(), b->geometry());
  a->showMinimized();
  b->showMinimized();
  a->move(300, 10);
  b->move(200, 50);
  MenuItem({"&Окно", "&Выравнять иконки"})->trigger();
  const int bottom = f.mdi_area()->viewport()->height();
  EXPECT_EQ(a->geometry().bottom() + 1, bottom);
  EXPECT_EQ(b->geometry().bottom() + 1, bottom);
  EXPECT_EQ(a->x(), 0);
  EXPECT_EQ(b->x(), a->width());
}

}  // namespace
}  // namespace kavo
