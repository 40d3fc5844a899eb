#include "app/browse_aaaa_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "app/browse_window_qt.h"
#include "app/dialog_units.h"
#include "app/form_procedures.h"
#include "app/procedure_registry.h"
#include "app/select_dxcc.h"
#include "data/dict_records.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "log/browse_aaaa.h"
#include "main_frame_strings.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

using namespace browse_aaaa;

// The window's texts.
namespace text {
constexpr char kTitle[] = "Аппаратный журнал ZVONOK";
constexpr char kBands[] = "1.8|3.5|7.0|10.0|14.0|18.0|21.0|24.0|28|29|144|145|430|1.2";
constexpr char kModes[] = "SSB|CW|FM|PAKET|RTTY|SAT|SSTV";
constexpr char kQSLStates[] = "НЕТ|ОТПР|ПОЛУЧ|ОБМЕН";
constexpr char kModeEntries[] = "SSB|CW|FM|RTTY|SAT|";
constexpr char kShowAll[] = "Показать все";
constexpr char kShowTagged[] = "Показать отмеченные";
constexpr char kShowUntagged[] = "Показать неотмеченные";
constexpr char kTotal[] = "Всего";
constexpr char kContacts[] = "р/связей";
constexpr char kBand[] = "Диапазон";
constexpr char kMode[] = "MODE";
constexpr char kRegion[] = "Область";
constexpr char kQSL[] = "QSL";
constexpr char kPrint[] = "Печать";
constexpr char kPrefixColumn[] = "Преф.";
constexpr char kCityColumn[] = "Город";
struct Tip {
  int32_t tab;
  const char* tip;
};
constexpr Tip kTabTips[] = {{kNumberTab, "Расположение записей по N QSO"},
                            {kCountryTab, "Выборка по стране"},
                            {kCallsignTab, "Поиск по позывному"},
                            {kModeTab, "Выборка по виду модуляции"},
                            {kQSLTab, "Сортировка по QSL"}};
}  // namespace text

// The region list's columns, in dialog units.
constexpr int kPrefixWidth = 28;
constexpr int kCityWidth = 80;

// The tab of each report button and the procedure it starts.
struct TabButton {
  int32_t tab;
  int32_t control;
  const char* text;
  const char* procedure;
};
constexpr TabButton kTabButtons[] = {
    {kCountryTab, kSelectCountry, "Установить страну", "SelectDXCC"},
    {kCountryTab, kPrintCountry, text::kPrint, "PRINTAAA:BEY_SS"},
    {kBandTab, kPrintBand, text::kPrint, "PRINTDIAP"},
    {kCallsignTab, kPrintQSL, "QSL", "REPORTQSL"},
    {kModeTab, kPrintMode, text::kPrint, "PRINTMODE"},
    {kRegionTab, kPrintRegion, "печать", "STRANA21"},
    {kModeBandTab, kPrintModeBand, text::kPrint, "STRANA22"},
};

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString FromCp1251(std::string_view text) {
  return QString::fromStdString(Utf8FromCp1251(text));
}

std::string ToCp1251(const QString& text) {
  return Cp1251FromUtf8(text.toStdString());
}

QString Clipped(const char* field, size_t size) {
  std::string_view v(field, size);
  size_t end = v.find_last_not_of(' ');
  return FromCp1251(end == std::string_view::npos ? std::string_view() : v.substr(0, end + 1));
}

BrowseWindowDesign Design() {
  BrowseWindowDesign design;
  design.procedure = "BrowseAAAA";
  design.title = text::kTitle;
  design.tabs = {{"По номеру", kNumberEntry, "N QSO", 10},
                 {"По стране"},
                 {"По дате", kDateEntry, "Дата", 10},
                 {"По диапазону"},
                 {"Позывной, Дата, Время", kCallsignEntry, "Callsign", 12},
                 {"По модуляции"},
                 {"По области России"},
                 {"По странам , диапазону", kCountryEntry, "Страна", 20},
                 {"По модуляции, диапазонам", kModeEntry, "MODE", 5},
                 {"По QSL"}};
  design.buttons = {
      {kInsert, "&Добавить"}, {kChange, "&Изменить"}, {kDelete, "&Удалить"}, {kClose, "Закрыть"}};
  design.close_control = kClose;
  design.width = 900;
  design.height = 560;
  return design;
}

// The window's own part: the log's controls around the generic browse.
class LogControls : public QObject {
 public:
  LogControls(BrowseWindowQt* window, std::unique_ptr<BrowseAAAA> logic,
              const ProcedureRegistry& registry)
      : QObject(window), window_(window), logic_(std::move(logic)), registry_(registry) {
    logic_->Attach(&window->engine(), window->list(), window);
    tabs_ = window->findChild<QTabWidget*>();
    Build();
  }

  bool FillRegions() {
    std::vector<RegionEntry> regions;
    if (!logic_->FillRegionList(&regions)) return false;
    regions_->removeRows(0, regions_->rowCount());
    for (const RegionEntry& r : regions) {
      regions_->appendRow(
          {new QStandardItem(FromCp1251(r.PREF)), new QStandardItem(FromCp1251(r.GOROD))});
    }
    const int at = region_->findText(FromCp1251(logic_->Region()));
    if (!regions.empty() && at >= 0) region_->setCurrentIndex(at);
    region_->setEditText(FromCp1251(logic_->Region()));
    ShowCity();
    return true;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Space on the list tags the selected contact.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
      QMetaObject::invokeMethod(
          this, [this] { logic_->C3_Tag(); }, Qt::QueuedConnection);
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* TabPage(int32_t tab) const { return tabs_->widget(tab - 1); }
  QBoxLayout* TabRow(int32_t tab) const { return static_cast<QBoxLayout*>(TabPage(tab)->layout()); }

  QComboBox* AddDropList(int32_t tab, int32_t control, const char* prompt, const char* entries) {
    QWidget* page = TabPage(tab);
    auto* combo = new QComboBox(page);
    combo->addItems(Text(entries).split('|'));
    QBoxLayout* row = TabRow(tab);
    row->insertWidget(row->count() - 1, new QLabel(Text(prompt), page));
    row->insertWidget(row->count() - 1, combo);
    window_->AddControl(control, combo);
    return combo;
  }

  void Build() {
    for (int i = 0; i < tabs_->count(); ++i)
      tab_colour_.push_back(tabs_->tabBar()->tabTextColor(i));
    for (const text::Tip& t : text::kTabTips) tabs_->setTabToolTip(t.tab - 1, Text(t.tip));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { Highlight(index); });
    Highlight(tabs_->currentIndex());

    QComboBox* band = AddDropList(kBandTab, kBandList, text::kBand, text::kBands);
    band->setCurrentIndex(band->findText(QString::number(logic_->Band(), 'f', 1)));
    connect(band, &QComboBox::activated, this,
            [this, band] { logic_->SetBand(band->currentText().toDouble()); });
    QComboBox* mode = AddDropList(kModeTab, kModeList, text::kMode, text::kModes);
    mode->setCurrentIndex(-1);
    connect(mode, &QComboBox::activated, this,
            [this, mode] { logic_->SetMode(ToCp1251(mode->currentText())); });
    region_ = AddDropList(kRegionTab, kRegionCombo, text::kRegion, "");
    region_->clear();
    region_->setEditable(true);
    region_->setInsertPolicy(QComboBox::NoInsert);
    region_->lineEdit()->setMaxLength(2);
    BuildRegionList();
    city_ = new QLabel(TabPage(kRegionTab));
    TabRow(kRegionTab)->insertWidget(TabRow(kRegionTab)->count() - 1, city_);
    connect(region_, &QComboBox::activated, this, [this] { AcceptRegion(); });
    connect(region_->lineEdit(), &QLineEdit::returnPressed, this, [this] { AcceptRegion(); });
    QComboBox* qsl = AddDropList(kQSLTab, kQSLList, text::kQSL, text::kQSLStates);
    qsl->setCurrentIndex(qsl->findText(FromCp1251(logic_->QSLState())));
    connect(qsl, &QComboBox::activated, this,
            [this, qsl] { logic_->SetQSL(ToCp1251(qsl->currentText())); });
    if (auto* modes = qobject_cast<QLineEdit*>(window_->control(kModeEntry))) {
      modes->setToolTip(Text(text::kModeEntries).split('|').join(' '));
    }

    for (const TabButton& b : kTabButtons) {
      auto* button = new QPushButton(Text(b.text), TabPage(b.tab));
      button->setAutoDefault(false);
      TabRow(b.tab)->addWidget(button);
      window_->AddControl(b.control, button);
      connect(button, &QPushButton::clicked, this, [this, b] { Start(b); });
    }

    auto* layout = static_cast<QVBoxLayout*>(window_->layout());
    auto* tags = new QHBoxLayout;
    auto add_button = [&](int32_t control, const char* label, const char* tip, auto action) {
      auto* button = new QPushButton(Text(label), window_);
      button->setAutoDefault(false);
      if (tip) button->setToolTip(Text(tip));
      tags->addWidget(button);
      window_->AddControl(control, button);
      connect(button, &QPushButton::clicked, this, action);
      return button;
    };
    add_button(kC3TAG, "Отметить/снять", "Пометка записей для печати наклеек",
               [this] { logic_->C3_Tag(); });
    add_button(kC3UNTAGALL, "Снять отметки", "Убрать все отметки",
               [this] { logic_->C3_TagAll(kUntagAll); });
    add_button(kC3TAGALL, "tag &All", nullptr, [this] { logic_->C3_TagAll(kTagAll); });
    add_button(kC3REVTAG, "&Rev tags", nullptr, [this] { logic_->C3_TagAll(kReverseTags); });
    show_tag_ = add_button(kC3SHOWTAG, text::kShowAll, nullptr, [this] {
      logic_->C3_ShowTag();
      ShowTagText();
    });
    add_button(kLabels, "Наклейки", "Печать наклеек", [this] {
      Start({0, kLabels, "", "menurec"});
    });
    tags->addStretch();
    layout->insertLayout(layout->count() - 1, tags);

    auto* details = new QHBoxLayout;
    auto_count_ = new QCheckBox(Text("Автоподсчет"), window_);
    window_->AddControl(kAutoCount, auto_count_);
    details->addWidget(auto_count_);
    total_ = new QLabel(window_);
    details->addWidget(total_);
    details->addSpacing(16);
    details->addWidget(new QLabel(Text("QTH"), window_));
    qth_ = new QLineEdit(window_);
    qth_->setReadOnly(true);
    qth_->setMaximumWidth(qth_->fontMetrics().averageCharWidth() * 26);
    details->addWidget(qth_);
    details->addWidget(new QLabel(Text("CALL"), window_));
    call_ = new QLineEdit(window_);
    call_->setReadOnly(true);
    call_->setMaximumWidth(call_->fontMetrics().averageCharWidth() * 12);
    details->addWidget(call_);
    details->addStretch();
    layout->insertLayout(layout->count() - 1, details);
    total_->hide();
    connect(auto_count_, &QCheckBox::toggled, this, [this](bool on) {
      logic_->SetAutoCount(on);
      ShowCount();
    });

    QTableView* view = window_->list()->view();
    view->installEventFilter(this);
    connect(window_->list()->model(), &QAbstractItemModel::modelReset, this, [this] {
      ShowDetails();
      ShowCount();
    });
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ShowDetails(); });
  }

  void Highlight(int index) {
    // The tab left gets its own colour back; the chosen one is drawn red.
    if (highlighted_ >= 0 && highlighted_ < tabs_->count()) {
      tabs_->tabBar()->setTabTextColor(highlighted_,
                                       tab_colour_[static_cast<size_t>(highlighted_)]);
    }
    highlighted_ = index;
    if (index >= 0) tabs_->tabBar()->setTabTextColor(index, QColor(255, 0, 0));
  }

  void AcceptRegion() {
    const QString typed = region_->currentText().trimmed().toUpper();
    const int at = region_->findText(typed);
    if (at < 0) {
      region_->setFocus();
      return;
    }
    region_->setCurrentIndex(at);
    ShowCity();
    logic_->SetRegion(ToCp1251(typed));
  }

  // The region combo's list shows prefix and city under their headers.
  void BuildRegionList() {
    regions_ = new QStandardItemModel(0, 2, region_);
    regions_->setHorizontalHeaderLabels({Text(text::kPrefixColumn), Text(text::kCityColumn)});
    region_->setModel(regions_);
    region_->setModelColumn(0);
    auto* list = new QTreeView(region_);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->setUniformRowHeights(true);
    const DialogUnits units(list->fontMetrics());
    list->setColumnWidth(0, units.ToPixelsX(kPrefixWidth));
    list->setColumnWidth(1, units.ToPixelsX(kCityWidth));
    list->setMinimumWidth(units.ToPixelsX(kPrefixWidth + kCityWidth) +
                          list->verticalScrollBar()->sizeHint().width() + 2 * list->frameWidth());
    region_->setView(list);
  }

  // The city of the region shown in the combo; none for a code the list
  // does not have.
  void ShowCity() {
    const int row = region_->findText(region_->currentText());
    city_->setText(row >= 0 ? regions_->item(row, 1)->text() : QString());
  }

  void ShowTagText() {
    switch (logic_->C3TAG_DISPLAY) {
      case kShowTagged:
        show_tag_->setText(Text(text::kShowTagged));
        break;
      case kShowUntagged:
        show_tag_->setText(Text(text::kShowUntagged));
        break;
      default:
        show_tag_->setText(Text(text::kShowAll));
        break;
    }
  }

  void ShowCount() {
    total_->setVisible(logic_->AutoCount());
    total_->setText(
        Text("%1 %2 %3").arg(Text(text::kTotal)).arg(logic_->KOLQSO()).arg(Text(text::kContacts)));
  }

  void ShowDetails() {
    const BrowseEngine& engine = window_->engine();
    const int32_t row = window_->list()->Selection();
    if (row < 1 || row > engine.RecordCount) {
      qth_->clear();
      call_->clear();
      return;
    }
    const auto& record = engine.page()[static_cast<size_t>(row - 1)].record;
    const auto* contact = reinterpret_cast<const dict::AAAARecord*>(record.data());
    qth_->setText(Clipped(contact->QTH, sizeof contact->QTH));
    call_->setText(Clipped(contact->POZ, 8));
  }

  // Starts another procedure by name; one not built yet is announced.
  void Start(const TabButton& b) {
    if (b.control == kPrintBand && !logic_->TakeSelectedBand()) return;
    if (b.control == kPrintQSL && !logic_->TakeSelectedNumber()) return;
    const bool takes_contact =
        b.control == kPrintCountry || b.control == kPrintMode || b.control == kPrintRegion;
    if (takes_contact && !logic_->TakeSelectedRecord()) return;
    if (b.control == kSelectCountry) {
      // The picker runs in the log's context: the chosen country stays in
      // its DXCC record buffer, the country tab's range.
      GlobalRequest = kSelectRecord;
      SelectDXCC(logic_->context(), window_);
      window_->engine().RefreshWindow();
      return;
    }
    const ProcedureStarter* starter = registry_.Find(b.procedure);
    if (!starter) {
      QMessageBox::information(window_, Text(frame_text::kTitle),
                               Text(frame_text::kNotDefined).arg(QString::fromLatin1(b.procedure)));
      return;
    }
    // The band report runs on its own beside the log; the others are
    // called and the log waits for them.
    const Launch launch = b.control == kPrintBand ? Launch::kStart : Launch::kCall;
    if (b.control == kPrintCountry || b.control == kSelectCountry) GlobalRequest = kSelectRecord;
    (*starter)(ProcedureContext{Area(), launch, &logic_->context()});
    window_->engine().RefreshWindow();
    window_->GainFocusLater();
  }

  QMdiArea* Area() const {
    for (QWidget* w = window_; w; w = w->parentWidget()) {
      if (auto* area = qobject_cast<QMdiArea*>(w)) return area;
    }
    return nullptr;
  }

  BrowseWindowQt* window_;
  std::unique_ptr<BrowseAAAA> logic_;
  const ProcedureRegistry& registry_;
  QTabWidget* tabs_ = nullptr;
  std::vector<QColor> tab_colour_;
  int highlighted_ = -1;
  QComboBox* region_ = nullptr;
  QStandardItemModel* regions_ = nullptr;
  QLabel* city_ = nullptr;
  QPushButton* show_tag_ = nullptr;
  QCheckBox* auto_count_ = nullptr;
  QLabel* total_ = nullptr;
  QLineEdit* qth_ = nullptr;
  QLineEdit* call_ = nullptr;
};

}  // namespace

BrowseWindowQt* StartBrowseAAAA(QMdiArea* area, const ProcedureRegistry& registry) {
  std::unique_ptr<BrowseAAAA> logic;
  auto describe = [&logic](DataContext& context, QWidget* window) {
    logic = std::make_unique<BrowseAAAA>(context);
    return logic->Describe([&context, window] { UpdateAAAA(context, window); });
  };
  BrowseWindowQt* window = StartBrowseWindow(area, Design(), procedure_files::BrowseAAAA, describe);
  if (!window) return nullptr;
  auto* controls = new LogControls(window, std::move(logic), registry);
  if (!controls->FillRegions()) window->PostCloseRequest();
  return window;
}

}  // namespace kavo
