#include "app/reference_windows.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/form_window.h"
#include "app/private_profile.h"
#include "app/report_run.h"
#include "app/window_state.h"
#include "reference/address_book.h"
#include "reference/iota.h"
#include "reference/regions.h"
#include "reports/reference_reports.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

constexpr char kIotaTitle[] = "IOTA";
constexpr char kRemarkText[] = "Примечание:";
constexpr char kInsertTip[] = "Ввод новой записи";
constexpr char kPrintTip[] = "Печать информации";
constexpr int kRemarkLength = 20;
constexpr int kIotaWidth = 720;
constexpr int kIotaHeight = 420;

BrowseWindowDesign IotaGroupWindow() {
  using namespace browseiota;
  BrowseWindowDesign design;
  design.procedure = "browseiota";
  design.title = kIotaTitle;
  design.buttons = {{kOk, "OK"}, {kPrint, "&Печать"}};
  design.width = 640;
  design.height = 420;
  return design;
}

BrowseWindowDesign IotaIslandWindow() {
  using namespace browseiota;
  BrowseWindowDesign design;
  design.procedure = "browseiota";
  design.title = kIotaTitle;
  design.buttons = {{kInsert2, "&Добавить"}, {kChange2, "&Изменить"}, {kDelete2, "&Удалить"}};
  return design;
}

}  // namespace

BrowseWindowDesign BrowseAddressWindow() {
  using namespace browseadress;
  BrowseWindowDesign design;
  design.procedure = "BROWSEADRESS";
  design.title = "CallBok радиолюбителей 1 района";
  design.tabs = {{"По позывным", kCallsignEntry, "Callsign", 8},
                 {"По фамилии", kSurnameEntry, "Фамилия", 120}};
  design.buttons = {
      {kInsert, "Добавить"}, {kChange, "Изменить"}, {kDelete, "Удалить"}, {kClose, "Отмена"}};
  design.close_control = kClose;
  design.width = 640;
  design.height = 420;
  return design;
}

BrowseWindowDesign BrowseRegionWindow() {
  using namespace browseobl;
  BrowseWindowDesign design;
  design.procedure = "BROWSEOBL";
  design.title = "Перечень областей и городов России";
  design.tabs = {{"По префиксу", kPrefixEntry, "Префикс", 2},
                 {"По городам", kCityEntry, "Город (область)", 20}};
  design.buttons = {{kSelect, "Выбор"},
                    {kInsert, "Добавить"},
                    {kChange, "Изменить"},
                    {kDelete, "Удалить"},
                    {kClose, "Закрыть"}};
  design.close_control = kClose;
  design.width = 440;
  design.height = 420;
  return design;
}

namespace {

BrowseDescription AddressDescription(DataContext& context, QWidget* window) {
  return AddressBookList(context,
                         [&context, window] { RunFormProcedure(F_ADRESSForm(), context, window); });
}

BrowseDescription RegionDescription(DataContext& context, QWidget* window) {
  return RegionList(context,
                    [&context, window] { RunFormProcedure(f_gorodForm(), context, window); });
}

}  // namespace

BrowseWindowQt* StartBROWSEADRESS(QMdiArea* area) {
  return StartBrowseWindow(area, BrowseAddressWindow(), procedure_files::BROWSEADRESS,
                           AddressDescription);
}

BrowseWindowQt* StartBROWSEOBL(QMdiArea* area) {
  return StartBrowseWindow(area, BrowseRegionWindow(), procedure_files::BROWSEOBL,
                           RegionDescription);
}

int32_t BROWSEOBL(DataContext& context, QWidget* caller) {
  return CallBrowseWindow(caller, context, BrowseRegionWindow(), procedure_files::BROWSEOBL,
                          RegionDescription);
}

IotaWindowQt::IotaWindowQt(BrowseWindowQt* groups) : QObject(groups), groups_(groups) {
  using namespace browseiota;
  // The group window was described over the procedure's own context; the
  // island list shares it (and the files the group window opened).
  islands_ = new BrowseWindowQt(
      IotaIslandWindow(), groups->context(), {},
      [](DataContext& c, QWidget* window) {
        return IotaIslandList(c, [&c, window] { RunFormProcedure(f_iotForm(), c, window); });
      },
      groups);
  if (!islands_->valid()) return;
  if (QWidget* insert = islands_->control(kInsert2)) {
    insert->setToolTip(QString::fromUtf8(kInsertTip));
  }
  if (QWidget* print = groups->control(kPrint)) print->setToolTip(QString::fromUtf8(kPrintTip));

  // Groups on the left, islands beside them; the remark of the selected
  // island under both.
  auto* outer = qobject_cast<QVBoxLayout*>(groups->layout());
  auto* lists = new QHBoxLayout;
  outer->removeWidget(groups->list());
  lists->addWidget(groups->list(), 1);
  lists->addWidget(islands_, 3);
  outer->insertLayout(0, lists, 1);
  auto* remark_row = new QHBoxLayout;
  remark_row->addWidget(new QLabel(QString::fromUtf8(kRemarkText), groups));
  remark_ = new QLineEdit(groups);
  remark_->setReadOnly(true);
  remark_->setMaxLength(kRemarkLength);
  remark_row->addWidget(remark_, 1);
  outer->insertLayout(1, remark_row);
  groups->AddControl(kRemark, remark_);

  connect(groups, &BrowseWindowQt::Served, this, &IotaWindowQt::Refresh);
  connect(islands_, &BrowseWindowQt::Served, this, &IotaWindowQt::ShowRemark);
  if (auto* ok = qobject_cast<QPushButton*>(groups->control(kOk))) {
    connect(ok, &QPushButton::clicked, this, &IotaWindowQt::ReadIslandAgain);
  }
  if (auto* print = qobject_cast<QPushButton*>(groups->control(kPrint))) {
    connect(print, &QPushButton::clicked, this, &IotaWindowQt::PrintIslands);
  }
  if (auto* sub = qobject_cast<QMdiSubWindow*>(groups->parentWidget())) {
    // The two lists need more room than one; a placement kept from an
    // earlier run stays as it was.
    if (GetPrivateProfileString("browseiota", "Width", "", kIniFileName).empty()) {
      const QSize room = sub->mdiArea()->viewport()->size();
      sub->resize(sub->size().expandedTo(QSize(kIotaWidth, kIotaHeight)).boundedTo(room));
      // Keep the whole window inside the frame's window area.
      sub->move(std::max(0, std::min(sub->x(), room.width() - sub->width())),
                std::max(0, std::min(sub->y(), room.height() - sub->height())));
    }
    islands_->SetFrame(sub);
    connect(sub, &QMdiSubWindow::aboutToActivate, islands_, &BrowseWindowQt::GainFocusLater);
  }
  // Opens after the group list, which has put the first group into NA_:NAIM.
  islands_->OpenLater();
  QMetaObject::invokeMethod(this, &IotaWindowQt::ShowRemark, Qt::QueuedConnection);
}

void IotaWindowQt::Refresh() {
  if (!islands_->opened()) return;
  groups_->engine().RefreshWindow();
  islands_->engine().RefreshWindow();
  ShowRemark();
}

void IotaWindowQt::ReadIslandAgain() {
  if (!islands_->opened()) return;
  islands_->engine().GetRecord();
  ShowRemark();
}

void IotaWindowQt::PrintIslands() {
  if (!islands_->opened()) return;
  auto* sub = qobject_cast<QMdiSubWindow*>(groups_->parentWidget());
  RunReport(reports::PRINTIOTA(),
            {sub != nullptr ? sub->mdiArea() : nullptr, Launch::kCall, &groups_->context()});
  // The report read the islands through the window's own file.
  ReadIslandAgain();
}

void IotaWindowQt::ShowRemark() {
  if (!remark_ || !islands_->opened()) return;
  const BrowseEngine& engine = islands_->engine();
  const dict::IOTARecord& island = groups_->context().IOTA.rec();
  remark_->setText(engine.RecordCount == 0
                       ? QString()
                       : QString::fromStdString(Utf8FromCp1251(dict::TextOf(island.PRIMEC))));
}

IotaWindowQt* Startbrowseiota(QMdiArea* area) {
  BrowseWindowQt* groups =
      StartBrowseWindow(area, IotaGroupWindow(), procedure_files::browseiota,
                        [](DataContext& c, QWidget*) { return IotaGroupList(c); });
  return groups ? new IotaWindowQt(groups) : nullptr;
}

}  // namespace kavo
