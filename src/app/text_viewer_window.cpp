#include "app/text_viewer_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "app/dialog_units.h"
#include "app/file_dialog.h"
#include "app/page_output.h"
#include "app/procedure_window.h"
#include "app/progress_window.h"
#include "app/qt_text.h"
#include "reports/text_viewer_print.h"
#include "runtime/message_box.h"
#include "text_viewer_strings.h"

namespace kavo {

namespace {

using reports::SearchDirection;
using reports::TextSearch;
using reports::TextViewerKind;
using reports::TextViewerLogic;

// The load's timer: a hundredth of a second.
constexpr int kLoadTimerMs = 10;

const viewer_text::ViewerLook& LookOf(TextViewerKind kind) {
  return kind == TextViewerKind::kDxinfo ? viewer_text::kDxinfo : viewer_text::kSpravka;
}

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

int AsciiLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_->size());
}

QVariant AsciiLinesModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return FromCp1251((*lines_)[static_cast<size_t>(index.row())]);
}

void AsciiLinesModel::Reload() {
  beginResetModel();
  endResetModel();
}

TextSearchDialog::TextSearchDialog(const TextSearch& settings, QWidget* parent)
    : QDialog(parent),
      search_string_(new QLineEdit(this)),
      whole_word_(new QCheckBox(Text(viewer_text::kWholeWord), this)),
      match_case_(new QCheckBox(Text(viewer_text::kMatchCase), this)),
      up_(new QRadioButton(Text(viewer_text::kUp), this)),
      down_(new QRadioButton(Text(viewer_text::kDown), this)) {
  setWindowTitle(Text(viewer_text::kSearchCaption));
  search_string_->setMaxLength(viewer_text::kSearchLength);
  whole_word_->setChecked(settings.WholeWord);
  match_case_->setChecked(settings.MatchCase);
  (settings.Direction == SearchDirection::kUp ? up_ : down_)->setChecked(true);

  auto* prompt = new QLabel(Text(viewer_text::kFindWhat), this);
  prompt->setBuddy(search_string_);
  auto* direction = new QGroupBox(Text(viewer_text::kDirection), this);
  auto* direction_layout = new QHBoxLayout(direction);
  direction_layout->addWidget(up_);
  direction_layout->addWidget(down_);
  auto* find = new QPushButton(Text(viewer_text::kFind), this);
  auto* cancel = new QPushButton(Text(viewer_text::kCancel), this);
  find->setDefault(true);
  connect(find, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* entry = new QHBoxLayout;
  entry->addWidget(prompt);
  entry->addWidget(search_string_, 1);
  auto* options = new QVBoxLayout;
  options->addWidget(whole_word_);
  options->addWidget(match_case_);
  auto* middle = new QHBoxLayout;
  middle->addLayout(options);
  middle->addWidget(direction);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(find);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(entry);
  left->addLayout(middle);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
}

TextSearch TextSearchDialog::Settings() const {
  TextSearch settings;
  settings.SearchString = ToCp1251(search_string_->text());
  settings.WholeWord = whole_word_->isChecked();
  settings.MatchCase = match_case_->isChecked();
  settings.Direction = up_->isChecked() ? SearchDirection::kUp : SearchDirection::kDown;
  return settings;
}

TextViewerWindow::TextViewerWindow(TextViewerKind kind, QWidget* parent)
    : QWidget(parent),
      logic_(kind),
      model_(new AsciiLinesModel(&logic_.lines(), this)),
      list_(new QListView(this)) {
  const viewer_text::ViewerLook& look = LookOf(kind);
  setWindowTitle(Text(look.caption));
  print_ = new QPushButton(Text(look.print), this);
  search_ = new QPushButton(Text(look.search), this);
  repeat_ = new QPushButton(Text(look.repeat), this);
  close_ = new QPushButton(Text(look.close), this);

  QFont list_font(Text(viewer_text::kListFont));
  list_font.setStyleHint(QFont::TypeWriter);
  list_->setFont(list_font);
  list_->setModel(model_);
  list_->setUniformItemSizes(true);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);

  const DialogUnits units(fontMetrics());
  const int margin_x = units.ToPixelsX(look.list.x);
  const int margin_y = units.ToPixelsY(look.list.y);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {print_, search_, repeat_, close_}) buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(margin_x, margin_y, margin_x, margin_y);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  list_->setMinimumSize(units.ToPixels(look.list.w, look.list.h) / 2);
  resize(units.ToPixels(look.window.w, look.window.h));

  connect(print_, &QPushButton::clicked, this, &TextViewerWindow::Print);
  connect(search_, &QPushButton::clicked, this, &TextViewerWindow::OpenSearch);
  connect(repeat_, &QPushButton::clicked, this, &TextViewerWindow::FindNext);
  connect(close_, &QPushButton::clicked, this, [this] { CloseProcedureWindow(this); });
  UpdateControls();
}

void TextViewerWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (refreshed_) return;
  refreshed_ = true;
  // The window shows itself first; its load runs from the event loop.
  QTimer::singleShot(0, this, &TextViewerWindow::Refresh);
}

void TextViewerWindow::Refresh() {
  if (logic_.NeedsLoad()) Load();
}

void TextViewerWindow::Load() {
  if (logic_.StartLoad() != TextViewerLogic::LoadStart::kLoading) {
    ShowLines();
    return;
  }
  ProgressWindow progress(Text(viewer_text::kLoadCaption), this);
  progress.SetPctText(FromCp1251(logic_.ProgressText()));
  QTimer timer;
  timer.setInterval(kLoadTimerMs);
  connect(&timer, &QTimer::timeout, &progress, [&] {
    const reports::TextFileLoad::Slice slice = logic_.LoadSlice();
    if (slice.percent_changed) {
      progress.SetThermometer(logic_.percent());
      progress.SetPctText(FromCp1251(logic_.ProgressText()));
    }
    if (slice.finished) progress.done(QDialog::Accepted);
  });
  connect(&progress, &ProgressWindow::CancelRequested, &progress, [&] {
    timer.stop();
    if (logic_.ConfirmCancel()) {
      progress.done(QDialog::Rejected);
    } else {
      timer.start();
    }
  });
  timer.start();
  progress.exec();
  timer.stop();
  logic_.EndLoad();
  ShowLines();
}

void TextViewerWindow::ShowLines() {
  model_->Reload();
  // Every row as wide as the longest line in the list's fixed-pitch font: a
  // row as wide as the list would cut the longer lines short.
  std::size_t longest = 0;
  for (const std::string& line : logic_.lines()) longest = std::max(longest, line.size());
  list_->setGridSize(QSize());
  if (longest > 0) {
    const QFontMetrics metrics(list_->font());
    const int width =
        metrics.horizontalAdvance(QString(static_cast<qsizetype>(longest), QLatin1Char('W'))) +
        metrics.height();
    list_->setGridSize(QSize(width, list_->sizeHintForRow(0)));
  }
  UpdateControls();
}

void TextViewerWindow::OpenSearch() {
  TextSearchDialog dialog(logic_.search(), this);
  if (dialog.exec() != QDialog::Accepted) {
    logic_.CancelSearch();
    UpdateControls();
    return;
  }
  Find(dialog.Settings());
}

void TextViewerWindow::Find(const TextSearch& settings) {
  logic_.search() = settings;
  FindNext();
}

void TextViewerWindow::FindNext() {
  const QModelIndex current = list_->currentIndex();
  const int32_t highlighted = current.isValid() ? current.row() + 1 : 0;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int32_t found = logic_.Find(highlighted, reports::AskWrapWithWarning);
  QApplication::restoreOverrideCursor();
  ShowFound(found);
  UpdateControls();
}

void TextViewerWindow::ShowFound(int32_t line) {
  if (line == 0) return;
  const QModelIndex index = model_->index(line - 1);
  list_->setCurrentIndex(index);
  list_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TextViewerWindow::Print() {
  reports::PrintPreviewQueue queue;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const Status status = reports::LayOutAsciiLines(logic_.lines(), &queue);
  QApplication::restoreOverrideCursor();
  if (!status.ok()) {
    MessageBoxRequest box;
    box.title = ToCp1251(Text(viewer_text::kPrintTitle));
    box.text = ToCp1251(Text(viewer_text::kPrintFailed).arg(status.code()));
    box.icon = MessageIcon::kExclamation;
    CurrentMessageBoxService().Show(box);
    return;
  }
  PrintReport(queue, this);
}

void TextViewerWindow::UpdateControls() {
  list_->setEnabled(logic_.list_enabled());
  repeat_->setEnabled(logic_.repeat_enabled());
  print_->setEnabled(!logic_.lines().empty());
}

void dxinfo(const ProcedureContext& context) {
  const QDir working = QDir::current();
  FileDialogRequest request;
  request.title = Text(viewer_text::kFileDialogTitle);
  request.filter = Text(viewer_text::kFileFilter);
  // The dialog starts in the DX folder when there is one.
  request.directory = working.exists(reports::kDxDirectory)
                          ? working.filePath(reports::kDxDirectory)
                          : working.path();
  const std::optional<QString> chosen =
      CurrentFileDialogService().Choose(context.mdi_area, request);
  auto* window = new TextViewerWindow(TextViewerKind::kDxinfo);
  if (chosen) {
    // A file under the working directory is named relative to it: shorter,
    // and still right when the folder moves.
    QString name = working.relativeFilePath(*chosen);
    if (name.startsWith(QStringLiteral(".."))) name = QFileInfo(*chosen).absoluteFilePath();
    window->logic().ChooseFile(ToCp1251(name));
  }
  ShowProcedureWindow(window, context, viewer_text::kDxinfo.procedure);
}

void spravka(const ProcedureContext& context) {
  ShowProcedureWindow(new TextViewerWindow(TextViewerKind::kSpravka), context,
                      viewer_text::kSpravka.procedure);
}

}  // namespace kavo
