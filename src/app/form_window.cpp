#include "app/form_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/browse_window_qt.h"
#include "app/picture_width.h"
#include "app/window_resize_qt.h"
#include "app/window_state_qt.h"
#include "runtime/cp1251.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

using forms::FieldKind;

// Geometry of the generated window, in pixels.
constexpr int kMargin = 8;
constexpr int kRowHeight = 30;
constexpr int kEditHeight = 24;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kTabBarHeight = 28;
constexpr int kMinEditChars = 4;
// Places a spin box shows at most for a value finer than its picture.
constexpr int kMaxSpinPlaces = 4;
constexpr int kCommandGap = 2;  // between two frame command buttons

// The frame's commands a form called by a browse shows, in this order, with
// the key that presses each in the form (none for history: the form's ditto
// key does the same). The keys leave a field's own editing keys alone.
struct ShownCommand {
  int32_t id;
  const char* key;
};
constexpr ShownCommand kShownCommands[] = {
    {browse_toolbar::kHistory, nullptr},        {browse_toolbar::kInsert, "Ctrl+N"},
    {browse_toolbar::kTop, "Alt+Home"},         {browse_toolbar::kPageUp, "Ctrl+PgUp"},
    {browse_toolbar::kUp, "Ctrl+Up"},           {browse_toolbar::kDown, "Ctrl+Down"},
    {browse_toolbar::kPageDown, "Ctrl+PgDown"}, {browse_toolbar::kBottom, "Alt+End"},
};

QString QText(const std::string& cp1251) {
  return QString::fromStdString(Utf8FromCp1251(cp1251));
}

double NumberOf(const std::string& text) {
  double value = 0;
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') ++begin;
  std::from_chars(begin, text.data() + text.size(), value);
  return value;
}

// Room for every value of the field's picture in the edit's font, and for a
// few characters at least.
int EditWidth(const QWidget* edit, const std::string& picture) {
  Picture compiled;
  const int least = kMinEditChars * edit->fontMetrics().averageCharWidth();
  int text = least;
  if (Picture::Compile(picture, &compiled).ok) {
    text = std::max(text, WidestValueWidth(compiled, edit->fontMetrics()));
  }
  // A spin box also shows the ends of its range ("-12.0" for "@n4.1").
  const int spin = qobject_cast<const QAbstractSpinBox*>(edit) ? edit->sizeHint().width() : 0;
  return std::max(spin, EditWidthFor(edit, text));
}

// The resource of an icon named in a description, if the program has it.
QIcon IconFor(const std::string& name) {
  if (name.empty()) return {};
  QString lower = QString::fromStdString(name).toLower();
  lower.replace(".ico", ".png");
  const QString path = ":/art/" + lower;
  return QFile::exists(path) ? QIcon(path) : QIcon();
}

}  // namespace

FormWindow::FormWindow(const forms::FormDescription& description, DataContext& context,
                       QWidget* parent, const BrowseWindowQt* browse)
    : QDialog(parent), form_(description, context, *this) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  Build(browse);
  // Spread the controls on resizing, then put the window where the user
  // left it (the resizer must see the design layout first).
  resizer_ = std::make_unique<WindowResizer>(this, this, kSpreadStrategy);
  new PlacementKeeper(this, form_.description().procedure);
  resizer_->Resize();
}

FormWindow::~FormWindow() {
  // Hiding moves the focus out of a field, which would take the field: do it
  // while the window is whole, and take nothing.
  closing_ = true;
  hide();
}

void FormWindow::Build(const BrowseWindowQt* browse) {
  const forms::FormDescription& d = form_.description();
  setWindowTitle(QText(d.design_title));
  const QIcon icon = IconFor(d.icon);
  if (!icon.isNull()) setWindowIcon(icon);

  const QFontMetrics metrics(font());
  int label_width = 0;
  for (const forms::FieldDescription& field : d.fields) {
    label_width = std::max(label_width, metrics.horizontalAdvance(QText(field.prompt)));
  }
  const std::vector<QToolButton*> commands =
      browse ? FrameCommandButtons(*browse) : std::vector<QToolButton*>{};
  const int commands_width = static_cast<int>(commands.size()) * (kButtonHeight + kCommandGap);
  const int width = std::max(
      {d.width, 3 * kButtonWidth, commands_width + 2 * (kButtonWidth + kMargin) + kMargin});

  tabs_ = new QTabWidget(this);
  auto* page = new QWidget;
  tabs_->addTab(page, QText(d.tab.empty() ? d.design_title : d.tab));

  const int edit_left = kMargin + label_width + kMargin;
  const int edit_room = width - 2 * kMargin - edit_left - kMargin;
  int y = kMargin;
  editors_.resize(d.fields.size());
  for (std::size_t i = 0; i < d.fields.size(); ++i) {
    const forms::FieldDescription& field = d.fields[i];
    if (!field.prompt.empty()) {
      auto* prompt = new QLabel(QText(field.prompt), page);
      prompt->setGeometry(kMargin, y + 3, label_width, kEditHeight - 4);
    }
    QWidget* edit = MakeEditor(static_cast<int>(i), page, &editors_[i]);
    int edit_width = std::min(edit_room, EditWidth(edit, field.picture));
    int edit_height = kEditHeight;
    if (field.kind == FieldKind::kOptions) {
      edit_width = edit_room;
      edit_height = kEditHeight + 16;
    }
    edit->setGeometry(edit_left, y, edit_width, edit_height);
    if (!field.tip.empty()) edit->setToolTip(QText(field.tip));
    edit->installEventFilter(this);
    y += edit_height + (kRowHeight - kEditHeight);
  }

  const int tabs_height = y + kMargin + kTabBarHeight;
  tabs_->setGeometry(kMargin, kMargin, width - 2 * kMargin, tabs_height);
  const int buttons_top = kMargin + tabs_height + kMargin;
  ok_ = new QPushButton(QText(d.ok_text), this);
  cancel_ = new QPushButton(QText(d.cancel_text), this);
  ok_->setGeometry(width - 2 * (kButtonWidth + kMargin), buttons_top, kButtonWidth, kButtonHeight);
  cancel_->setGeometry(width - kButtonWidth - kMargin, buttons_top, kButtonWidth, kButtonHeight);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const int left = kMargin + static_cast<int>(i) * (kButtonHeight + kCommandGap);
    commands[i]->setGeometry(left, buttons_top, kButtonHeight, kButtonHeight);
  }
  const QIcon ok_icon = IconFor(d.ok_icon);
  if (!ok_icon.isNull()) ok_->setIcon(ok_icon);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);
  cancel_->setAutoDefault(false);
  const int height = std::max(d.height, buttons_top + kButtonHeight + kMargin);
  resize(width, height);
  if (d.minimum_is_design) setMinimumSize(width, height);

  connect(ok_, &QPushButton::clicked, this, [this] { form_.OkPressed(Texts()); });
  connect(cancel_, &QPushButton::clicked, this, [this] { form_.CancelPressed(); });
  if (!d.ditto_key.empty()) {
    auto* ditto = new QShortcut(QKeySequence(QString::fromStdString(d.ditto_key)), this);
    connect(ditto, &QShortcut::activated, this, [this] { form_.DittoEvent(FocusedField()); });
  }
}

std::vector<QToolButton*> FormWindow::FrameCommandButtons(const BrowseWindowQt& browse) {
  std::vector<QToolButton*> buttons;
  for (const ShownCommand& shown : kShownCommands) {
    QAction* frame = browse.FrameCommand(shown.id);
    if (!frame) continue;
    auto* local = new QAction(frame->icon(), frame->text(), this);
    local->setObjectName(frame->objectName());
    QString key = QString::fromStdString(form_.description().ditto_key);
    if (shown.key) {
      local->setShortcut(QKeySequence(QString::fromLatin1(shown.key)));
      local->setShortcutContext(Qt::WindowShortcut);
      key = local->shortcut().toString(QKeySequence::NativeText);
    }
    auto follow = [local, frame, key] {
      local->setEnabled(frame->isEnabled());
      local->setToolTip(key.isEmpty() ? frame->toolTip()
                                      : QString("%1 (%2)").arg(frame->toolTip(), key));
    };
    follow();
    connect(frame, &QAction::changed, local, follow);
    connect(local, &QAction::triggered, frame, &QAction::trigger);
    addAction(local);
    auto* button = new QToolButton(this);
    button->setDefaultAction(local);
    buttons.push_back(button);
  }
  return buttons;
}

QWidget* FormWindow::MakeEditor(int field, QWidget* page, Editor* editor) {
  const forms::FieldDescription& d = form_.description().fields[static_cast<std::size_t>(field)];
  switch (d.kind) {
    case FieldKind::kSpin: {
      auto* spin = new QDoubleSpinBox(page);
      Picture picture;
      (void)Picture::Compile(d.picture, &picture);
      spin->setDecimals(picture.layout().decimals);
      spin->setRange(d.low, d.high);
      spin->setSingleStep(d.step);
      // Numbers are read in the program's own notation, whatever the locale.
      spin->setLocale(QLocale::c());
      connect(spin, &QDoubleSpinBox::editingFinished, this, [this, field] { FieldEdited(field); });
      editor->widget = spin;
      break;
    }
    case FieldKind::kDropList:
    case FieldKind::kDropCombo: {
      auto* combo = new QComboBox(page);
      combo->setEditable(d.kind == FieldKind::kDropCombo);
      combo->setInsertPolicy(QComboBox::NoInsert);
      for (const std::string& choice : form_.Choices(field)) combo->addItem(QText(choice));
      if (combo->isEditable()) {
        connect(combo->lineEdit(), &QLineEdit::editingFinished, this,
                [this, field] { FieldEdited(field); });
      } else {
        connect(combo, &QComboBox::activated, this, [this, field] { FieldEdited(field); });
      }
      editor->widget = combo;
      break;
    }
    case FieldKind::kOptions: {
      auto* box = new QGroupBox(page);
      auto* row = new QHBoxLayout(box);
      row->setContentsMargins(4, 0, 4, 0);
      editor->options = new QButtonGroup(box);
      for (const std::string& choice : d.choices) {
        auto* option = new QRadioButton(QText(choice), box);
        row->addWidget(option);
        editor->options->addButton(option);
      }
      connect(editor->options, &QButtonGroup::buttonClicked, this,
              [this, field] { FieldEdited(field); });
      editor->widget = box;
      break;
    }
    case FieldKind::kEntry: {
      auto* line = new QLineEdit(page);
      connect(line, &QLineEdit::editingFinished, this, [this, field] { FieldEdited(field); });
      editor->widget = line;
      break;
    }
  }
  return editor->widget;
}

QString FormWindow::FieldValue(int field) const {
  const Editor& e = editors_.at(static_cast<std::size_t>(field));
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(e.widget)) {
    return QString::number(spin->value(), 'f', spin->decimals());
  }
  if (auto* combo = qobject_cast<QComboBox*>(e.widget)) return combo->currentText();
  if (auto* line = qobject_cast<QLineEdit*>(e.widget)) return line->text();
  if (e.options && e.options->checkedButton()) return e.options->checkedButton()->text();
  return {};
}

std::vector<std::string> FormWindow::Texts() const {
  std::vector<std::string> texts;
  for (int i = 0; i < static_cast<int>(editors_.size()); ++i) {
    texts.push_back(FieldValue(i).toStdString());
  }
  return texts;
}

void FormWindow::FieldEdited(int field) {
  if (accepting_ || closing_) return;
  // Enter in a field is OK, which takes every field: taking this one here
  // as well would report a refused text twice.
  const QWidget* focus = QApplication::focusWidget();
  const QWidget* edit = editors_.at(static_cast<std::size_t>(field)).widget;
  const bool focus_left = !focus || (focus != edit && !edit->isAncestorOf(focus));
  auto* combo = qobject_cast<const QComboBox*>(edit);
  const bool chosen =
      (combo && !combo->isEditable()) || editors_[static_cast<std::size_t>(field)].options;
  if (!focus_left && !chosen) return;
  accepting_ = true;
  form_.AcceptField(field, FieldValue(field).toStdString());
  accepting_ = false;
}

void FormWindow::ToolbarCommand(int32_t command) {
  switch (command) {
    case browse_toolbar::kHistory:
      form_.DittoEvent(FocusedField() >= 0 ? FocusedField() : last_field_);
      break;
    case browse_toolbar::kInsert:
    case browse_toolbar::kBottom:
    case browse_toolbar::kTop:
    case browse_toolbar::kPageDown:
    case browse_toolbar::kPageUp:
    case browse_toolbar::kDown:
    case browse_toolbar::kUp:
      form_.NavigatePressed(command, Texts());
      break;
    default:
      break;
  }
}

int FormWindow::FocusedField() const {
  const QWidget* focus = QApplication::focusWidget();
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    const QWidget* w = editors_[i].widget;
    if (focus && (focus == w || w->isAncestorOf(focus))) return static_cast<int>(i);
  }
  return -1;
}

void FormWindow::SetTitle(const std::string& title) {
  setWindowTitle(QText(title));
}

void FormWindow::DisplayAll() {
  for (int i = 0; i < static_cast<int>(editors_.size()); ++i) DisplayField(i);
}

void FormWindow::DisplayField(int field) {
  const Editor& e = editors_.at(static_cast<std::size_t>(field));
  const std::string value = form_.FieldText(field);
  const QString text = QText(value);
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(e.widget)) {
    // A value outside the range is shown as it is, never moved into the
    // range: saving it then asks for a value in range.
    const double number = NumberOf(value);
    const forms::FieldDescription& d = form_.description().fields[static_cast<std::size_t>(field)];
    spin->setRange(std::min(d.low, number), std::max(d.high, number));
    // Nor is it rounded to the picture's places (an offset of 5.75 hours).
    Picture picture;
    (void)Picture::Compile(d.picture, &picture);
    int places = picture.layout().decimals;
    while (places < kMaxSpinPlaces && std::fabs(number * std::pow(10, places) -
                                                std::round(number * std::pow(10, places))) > 1e-9) {
      ++places;
    }
    spin->setDecimals(places);
    spin->setValue(number);
  } else if (auto* combo = qobject_cast<QComboBox*>(e.widget)) {
    if (combo->isEditable()) {
      combo->setEditText(text);
    } else {
      combo->setCurrentIndex(combo->findText(text));
    }
  } else if (auto* line = qobject_cast<QLineEdit*>(e.widget)) {
    line->setText(text);
  } else if (e.options) {
    for (QAbstractButton* option : e.options->buttons()) {
      option->setChecked(option->text() == text);
    }
  }
}

void FormWindow::DisplayChoices(int field) {
  auto* combo = qobject_cast<QComboBox*>(editors_.at(static_cast<std::size_t>(field)).widget);
  if (!combo) return;
  const QString current = combo->currentText();
  combo->clear();
  for (const std::string& choice : form_.Choices(field)) combo->addItem(QText(choice));
  if (combo->isEditable()) combo->setEditText(current);
}

void FormWindow::SelectField(int field) {
  QWidget* w = editors_.at(static_cast<std::size_t>(field)).widget;
  Editor& e = editors_[static_cast<std::size_t>(field)];
  if (e.options && e.options->checkedButton()) w = e.options->checkedButton();
  w->setFocus(Qt::OtherFocusReason);
  if (auto* line = qobject_cast<QLineEdit*>(w)) line->selectAll();
}

void FormWindow::Beep() {
  QApplication::beep();
}

void FormWindow::SetWaitCursor(bool wait) {
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void FormWindow::PostClose() {
  QTimer::singleShot(0, this, [this] { close(); });
}

void FormWindow::reject() {
  if (closing_) {
    QDialog::reject();
  } else {
    form_.CancelPressed();
  }
}

void FormWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  form_.WindowOpenedEvent();
}

void FormWindow::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && shown_once_ && !closing_) {
    form_.GainFocusEvent();
  }
}

void FormWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  form_.Close();
  QDialog::closeEvent(event);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && !closing_) {
    for (std::size_t i = 0; i < editors_.size(); ++i) {
      if (editors_[i].widget != watched) continue;
      last_field_ = static_cast<int>(i);
      form_.FieldSelectedEvent(last_field_);
    }
  }
  return QDialog::eventFilter(watched, event);
}

void RunFormProcedure(const forms::FormDescription& description, DataContext& context,
                      QWidget* caller) {
  // Called by a browse of the frame, the form serves the frame's commands
  // while it is open.
  auto* browse = qobject_cast<BrowseWindowQt*>(caller);
  // A form opened from the browse's form (a country added from the entry
  // form) leaves the commands with the form the browse called.
  if (browse && browse->HasCommandTarget()) browse = nullptr;
  FormWindow window(description, context, caller, browse);
  if (!window.form().Open()) return;
  if (browse)
    browse->SetCommandTarget([&window](int32_t command) { window.ToolbarCommand(command); });
  window.exec();
  if (browse) browse->SetCommandTarget({});
  // The event loop may end without the window closing (the program quits):
  // the closing steps still run, so nothing is left half done in the file.
  window.form().Close();
}

}  // namespace kavo
