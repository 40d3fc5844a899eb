#include "app/report_preview.h"

#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/dialog_units.h"
#include "app/file_dialog.h"
#include "app/page_output.h"
#include "app/page_painter.h"
#include "app/qt_text.h"
#include "data/globals.h"
#include "report_preview_strings.h"
#include "runtime/message_box.h"

namespace kavo {

namespace {

using reports::PreviewScreen;
using reports::ZoomMode;

constexpr double kMmPerInch = 25.4;
// The window's first size, as a share of the screen.
constexpr double kScreenShare = 0.8;

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

ClampingSpinBox::ClampingSpinBox(int digits, QWidget* parent) : QSpinBox(parent), digits_(digits) {
  setKeyboardTracking(false);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State ClampingSpinBox::validate(QString& input, int&) const {
  const QString text = input.trimmed();
  if (text.isEmpty()) return QValidator::Intermediate;
  if (text.size() > digits_) return QValidator::Invalid;
  for (QChar c : text) {
    if (!c.isDigit()) return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

int ClampingSpinBox::valueFromText(const QString& text) const {
  return reports::ClampSpin(text.trimmed().toLongLong(), minimum(), maximum());
}

PageView::PageView(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::SetPage(const reports::PageImage* page) {
  page_ = page;
  update();
}

void PageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (page_ != nullptr) PaintPage(painter, *page_, QRectF(rect()));
  painter.setPen(Qt::darkGray);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    emit Clicked();
    return;
  }
  QWidget::mousePressEvent(event);
}

int JumpToPage(int CurrentPage, int TotalPages, QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(Text(preview_text::kJumpCaption));
  auto* spin = new ClampingSpinBox(preview_text::kJumpDigits, &dialog);
  spin->setRange(1, std::max(TotalPages, 1));
  spin->setValue(CurrentPage);
  spin->setToolTip(Text(preview_text::kJumpTip));
  auto* prompt = new QLabel(Text(preview_text::kJumpPrompt), &dialog);
  prompt->setBuddy(spin);
  auto* ok = new QPushButton(Text(preview_text::kOk), &dialog);
  auto* cancel = new QPushButton(Text(preview_text::kCancel), &dialog);
  ok->setToolTip(Text(preview_text::kOkTip));
  cancel->setToolTip(Text(preview_text::kCancelTip));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  auto* layout = new QHBoxLayout(&dialog);
  layout->addWidget(prompt);
  layout->addWidget(spin);
  layout->addWidget(ok);
  layout->addWidget(cancel);
  if (dialog.exec() != QDialog::Accepted) return CurrentPage;
  spin->interpretText();
  return spin->value();
}

void SelectDisplay(int& PagesAcross, int& PagesDown, QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(Text(preview_text::kSelectCaption));
  auto* group = new QGroupBox(Text(preview_text::kSelectGroup), &dialog);
  auto* across = new ClampingSpinBox(preview_text::kGridDigits, group);
  auto* down = new ClampingSpinBox(preview_text::kGridDigits, group);
  for (ClampingSpinBox* spin : {across, down}) spin->setRange(1, reports::kMaxGrid);
  across->setValue(PagesAcross);
  down->setValue(PagesDown);
  auto* grid = new QHBoxLayout(group);
  grid->addWidget(new QLabel(Text(preview_text::kSelectAcross), group));
  grid->addWidget(across);
  grid->addWidget(new QLabel(Text(preview_text::kSelectDown), group));
  grid->addWidget(down);
  auto* ok = new QPushButton(Text(preview_text::kOk), &dialog);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(group);
  layout->addWidget(ok, 0, Qt::AlignRight);
  dialog.exec();
  // The spin boxes edit the caller's values: whatever they show stays.
  across->interpretText();
  down->interpretText();
  PagesAcross = across->value();
  PagesDown = down->value();
}

ReportPreviewWindow::ReportPreviewWindow(const reports::PrintPreviewQueue& queue, QWidget* parent)
    : QDialog(parent), queue_(queue), pages_(queue.size()), logic_([&] {
        // The natural size of page 1 on this screen.
        reports::PageImage first;
        if (!queue.empty()) (void)queue.ReadPage(0, &first);
        const double dpi_x = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
        const double dpi_y = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
        return reports::PreviewLogic(
            static_cast<int32_t>(queue.size()),
            static_cast<int32_t>(std::lround(first.width_mm / kMmPerInch * dpi_x)),
            static_cast<int32_t>(std::lround(first.height_mm / kMmPerInch * dpi_y)),
            DialogUnits(fontMetrics()).Shape());
      }()) {
  setWindowTitle(Text(preview_text::kCaption));
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildMenus();
  BuildToolBar();

  pages_area_ = new QStackedWidget(this);
  thumbnails_ = new QWidget(pages_area_);
  thumbnails_->setAutoFillBackground(true);
  thumbnails_->setBackgroundRole(QPalette::Dark);
  zoom_area_ = new QScrollArea(pages_area_);
  zoom_area_->setBackgroundRole(QPalette::Dark);
  zoom_area_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  zoom_view_ = new PageView;
  zoom_area_->setWidget(zoom_view_);
  connect(zoom_view_, &PageView::Clicked, this, &ReportPreviewWindow::ClickZoomView);
  pages_area_->addWidget(thumbnails_);
  pages_area_->addWidget(zoom_area_);
  layout->addWidget(pages_area_, 1);

  auto* status = new QStatusBar(this);
  status->setSizeGripEnabled(true);
  page_zone_ = new QLabel(status);
  zoom_zone_ = new QLabel(status);
  status->addWidget(new QLabel(status), 1);
  status->addWidget(page_zone_);
  status->addWidget(zoom_zone_);
  layout->addWidget(status);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    resize(screen->availableGeometry().size() * kScreenShare);
  }
}

void ReportPreviewWindow::BuildMenus() {
  auto* bar = new QMenuBar(this);
  layout()->setMenuBar(bar);
  QMenu* file = bar->addMenu(Text(preview_text::kFileMenu));
  print_ = file->addAction(Text(preview_text::kPrint), this, &ReportPreviewWindow::Print);
  save_pdf_ = file->addAction(Text(preview_text::kSavePdf), this, &ReportPreviewWindow::SavePdf);
  file->addSeparator();
  exit_ = file->addAction(Text(preview_text::kExit), this, &QDialog::reject);

  view_menu_ = bar->addMenu(Text(preview_text::kViewMenu));
  next_ = view_menu_->addAction(Text(preview_text::kNext), this, &ReportPreviewWindow::Next);
  previous_ =
      view_menu_->addAction(Text(preview_text::kPrevious), this, &ReportPreviewWindow::Previous);
  jump_ = view_menu_->addAction(Text(preview_text::kJump), this, &ReportPreviewWindow::Jump);
  change_display_ = view_menu_->addAction(Text(preview_text::kChangeDisplay), this,
                                          &ReportPreviewWindow::ChangeGrid);
  next_->setShortcut(QKeySequence(Qt::Key_PageDown));
  previous_->setShortcut(QKeySequence(Qt::Key_PageUp));
  for (QAction* action : {next_, previous_}) action->setShortcutContext(Qt::WindowShortcut);

  QMenu* zoom = bar->addMenu(Text(preview_text::kZoomMenu));
  for (int i = 0; i < reports::kZoomModeCount; ++i) {
    const auto mode = static_cast<ZoomMode>(i);
    QAction* action =
        zoom->addAction(Text(preview_text::kZoomItems[i]), this, [this, mode] { SetZoom(mode); });
    action->setCheckable(true);
    zoom_actions_.push_back(action);
  }
}

void ReportPreviewWindow::BuildToolBar() {
  auto* bar = new QToolBar(this);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  layout()->addWidget(bar);
  QAction* print_button =
      bar->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                     Text(preview_text::kPrint), this, &ReportPreviewWindow::Print);
  print_button->setToolTip(Text(preview_text::kPrintTip));
  QAction* exit_button = bar->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                        Text(preview_text::kExit), this, &QDialog::reject);
  exit_button->setToolTip(Text(preview_text::kExitTip));
  QAction* zoom_button =
      bar->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                     Text(preview_text::kZoomMenu), this, &ReportPreviewWindow::ZoomPopup);
  zoom_button->setToolTip(Text(preview_text::kZoomTip));
  QAction* pdf_button =
      bar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                     Text(preview_text::kSavePdf), this, &ReportPreviewWindow::SavePdf);
  pdf_button->setToolTip(Text(preview_text::kSavePdfTip));
  bar->addSeparator();

  auto add_spin = [&](const char* prompt, int digits) {
    auto* label = new QLabel(Text(prompt), bar);
    auto* spin = new ClampingSpinBox(digits, bar);
    label->setBuddy(spin);
    bar->addWidget(label);
    bar->addWidget(spin);
    return spin;
  };
  page_spin_ = add_spin(preview_text::kPagePrompt, preview_text::kPageDigits);
  across_spin_ = add_spin(preview_text::kAcrossPrompt, preview_text::kGridDigits);
  down_spin_ = add_spin(preview_text::kDownPrompt, preview_text::kGridDigits);
  page_spin_->setRange(1, logic_.ImageCount());
  page_spin_->setToolTip(Text(preview_text::kPageTip) + QString::number(logic_.ImageCount()));
  across_spin_->setRange(1, reports::kMaxGrid);
  down_spin_->setRange(1, reports::kMaxGrid);
  across_spin_->setToolTip(Text(preview_text::kAcrossTip));
  down_spin_->setToolTip(Text(preview_text::kDownTip));
  connect(page_spin_, &QSpinBox::valueChanged, this, &ReportPreviewWindow::SetCurrentPage);
  connect(across_spin_, &QSpinBox::valueChanged, this, &ReportPreviewWindow::SetPagesAcross);
  connect(down_spin_, &QSpinBox::valueChanged, this, &ReportPreviewWindow::SetPagesDown);
}

QAction* ReportPreviewWindow::zoom_action(ZoomMode mode) const {
  return zoom_actions_[static_cast<size_t>(mode)];
}

QString ReportPreviewWindow::ZoneText(int zone) const {
  return zone == 2 ? page_zone_->text() : zoom_zone_->text();
}

void ReportPreviewWindow::Next() {
  logic_.GetNextPage();
  ChangeDisplay();
}

void ReportPreviewWindow::Previous() {
  logic_.GetPrevPage();
  ChangeDisplay();
}

void ReportPreviewWindow::SetZoom(ZoomMode mode) {
  logic_.SetZoom(mode);
  ChangeDisplay();
}

void ReportPreviewWindow::ClickSlot(int k) {
  logic_.ClickSlot(k);
  ChangeDisplay();
}

void ReportPreviewWindow::ClickZoomView() {
  logic_.ClickZoomView();
  ChangeDisplay();
}

void ReportPreviewWindow::SetPagesAcross(int value) {
  logic_.SetPagesAcross(value);
  ChangeDisplay();
}

void ReportPreviewWindow::SetPagesDown(int value) {
  logic_.SetPagesDown(value);
  ChangeDisplay();
}

void ReportPreviewWindow::SetCurrentPage(int value) {
  logic_.SetCurrentPage(value);
  ChangeDisplay();
}

void ReportPreviewWindow::Print() {
  logic_.Print();
  accept();
}

bool ReportPreviewWindow::SavePdf() {
  FileDialogRequest request;
  request.title = Text(preview_text::kPdfDialogTitle);
  request.filter = Text(preview_text::kPdfFilter);
  request.directory = QDir::currentPath();
  request.save = true;
  std::optional<QString> chosen = CurrentFileDialogService().Choose(this, request);
  if (!chosen) return false;
  QString path = *chosen;
  const QString suffix = Text(preview_text::kPdfSuffix);
  if (!path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
  QString error;
  if (WritePagesPdf(queue_, path, &error)) return true;
  MessageBoxRequest box;
  box.title = Cp1251FromUtf8(preview_text::kPdfDialogTitle);
  box.text = ToCp1251(error);
  box.icon = MessageIcon::kExclamation;
  CurrentMessageBoxService().Show(box);
  return false;
}

void ReportPreviewWindow::Jump() {
  logic_.JumpTo(JumpToPage(logic_.CurrentPage(), logic_.ImageCount(), this));
  ChangeDisplay();
}

void ReportPreviewWindow::ChangeGrid() {
  int across = logic_.PagesAcross();
  int down = logic_.PagesDown();
  SelectDisplay(across, down, this);
  logic_.SelectDisplay(across, down);
  ChangeDisplay();
}

void ReportPreviewWindow::ZoomPopup() {
  QMenu menu(this);
  int choice = 0;
  int number = 0;
  for (const reports::PopupItem& item : reports::ParsePopupMenu(logic_.ZoomPopupText())) {
    if (item.separator) {
      menu.addSeparator();
      continue;
    }
    const int this_choice = ++number;
    QAction* action =
        menu.addAction(FromCp1251(item.text), [&choice, this_choice] { choice = this_choice; });
    action->setCheckable(true);
    action->setChecked(item.checked);
  }
  menu.exec(QCursor::pos());
  ZoomMode mode;
  if (reports::PreviewLogic::ZoomForChoice(choice, &mode)) SetZoom(mode);
}

const reports::PageImage* ReportPreviewWindow::Page(int32_t number) {
  if (number < 1 || static_cast<size_t>(number) > pages_.size()) return nullptr;
  std::optional<reports::PageImage>& page = pages_[static_cast<size_t>(number) - 1];
  if (!page) {
    page.emplace();
    // A page that cannot be read shows as a blank page.
    if (!queue_.ReadPage(static_cast<size_t>(number) - 1, &*page).ok()) {
      *page = reports::PageImage{};
    }
  }
  return &*page;
}

void ReportPreviewWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (isVisible()) ChangeDisplay();
}

void ReportPreviewWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ChangeDisplay();
}

void ReportPreviewWindow::ChangeDisplay() {
  const DialogUnits units(fontMetrics());
  const QSize area = pages_area_->size();
  const int frame = 2 * zoom_area_->frameWidth();
  // At page width the page is taller than the view, so the vertical scroll
  // bar takes its room.
  const int view_width = area.width() - frame - zoom_area_->verticalScrollBar()->sizeHint().width();
  logic_.ChangeDisplay(units.FromPixelsX(area.width()),
                       units.FromPixelsY(area.height()) + reports::kPreviewToolbarHeight,
                       view_width);
  const PreviewScreen& screen = logic_.Screen();
  if (screen.zoomed) {
    ShowZoom(screen);
  } else {
    ShowThumbnails(screen);
  }
  ShowControls(screen);
}

void ReportPreviewWindow::ShowThumbnails(const PreviewScreen& screen) {
  pages_area_->setCurrentWidget(thumbnails_);
  zoom_view_->SetPage(nullptr);
  while (slots_.size() > screen.thumbnails.size()) {
    delete slots_.back();
    slots_.pop_back();
  }
  while (slots_.size() < screen.thumbnails.size()) {
    auto* view = new PageView(thumbnails_);
    const int k = static_cast<int>(slots_.size()) + 1;
    connect(view, &PageView::Clicked, this, [this, k] { ClickSlot(k); });
    slots_.push_back(view);
  }
  const DialogUnits units(fontMetrics());
  for (size_t i = 0; i < slots_.size(); ++i) {
    const reports::ThumbnailSlot& slot = screen.thumbnails[i];
    PageView* view = slots_[i];
    view->setGeometry(units.ToPixelsX(slot.x), units.ToPixelsY(slot.y), units.ToPixelsX(slot.width),
                      units.ToPixelsY(slot.height));
    view->SetPage(Page(slot.page));
    view->setVisible(slot.page != 0);
  }
}

void ReportPreviewWindow::ShowZoom(const PreviewScreen& screen) {
  for (PageView* view : slots_) delete view;
  slots_.clear();
  pages_area_->setCurrentWidget(zoom_area_);
  zoom_area_->setHorizontalScrollBarPolicy(screen.horizontal_scroll ? Qt::ScrollBarAsNeeded
                                                                    : Qt::ScrollBarAlwaysOff);
  zoom_view_->setFixedSize(
      static_cast<int>(std::lround(logic_.ImageWidth() * screen.ZoomModifier)),
      static_cast<int>(std::lround(logic_.ImageHeight() * screen.ZoomModifier)));
  zoom_view_->SetPage(Page(screen.zoom_page));
}

void ReportPreviewWindow::ShowControls(const PreviewScreen& screen) {
  page_zone_->setText(FromCp1251(screen.page_text));
  zoom_zone_->setText(FromCp1251(screen.zoom_text));
  next_->setEnabled(screen.next_enabled);
  previous_->setEnabled(screen.previous_enabled);
  view_menu_->setEnabled(screen.paging_enabled);
  for (QAction* action : view_menu_->actions()) {
    if (action != next_ && action != previous_) action->setEnabled(screen.paging_enabled);
  }
  const std::pair<ClampingSpinBox*, int> spins[] = {{page_spin_, logic_.CurrentPage()},
                                                    {across_spin_, logic_.PagesAcross()},
                                                    {down_spin_, logic_.PagesDown()}};
  for (const auto& [spin, value] : spins) {
    const QSignalBlocker quiet(spin);
    spin->setValue(value);
    spin->setEnabled(screen.paging_enabled);
  }
  for (int i = 0; i < reports::kZoomModeCount; ++i) {
    zoom_actions_[static_cast<size_t>(i)]->setChecked(static_cast<int>(logic_.Zoom()) == i);
  }
}

int ReportPreview(const reports::PrintPreviewQueue& queue, QWidget* parent) {
  ReportPreviewWindow window(queue, parent);
  window.exec();
  GlobalResponse = window.logic().GlobalResponse();
  return GlobalResponse;
}

}  // namespace kavo
