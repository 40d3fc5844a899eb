// FormWindow: the one window of every update form. It builds its widgets
// from the form's description (a prompt and an edit per field, with the
// field's picture, kind and tool tip, on one tab; OK and Cancel), passes
// each event to the form's logic (forms::UpdateForm) and does what the logic
// asks of it through forms::FormView. No rule of any form lives here.
//
// Keys: Enter is OK, Escape is Cancel, the description's ditto key copies
// the focused field from the history record. Called by a browse of the
// frame, the form takes the frame's history command (2011) and its
// navigation commands (2000 insert another, 2004..2009 last, first, next
// and prior page, next and prior record: save, then the browse moves and
// calls the form again). Since the frame cannot be reached while the form
// is open, the form shows those commands beside its buttons, each with a
// key that presses it (named in its tool tip). A field left after a change is
// taken at once, so a refused text is reported while the user is still at
// it; OK takes all fields again.
//
// The window is a dialog run in its caller's event loop: a form is a called
// procedure, working on its caller's procedure context. Its placement is
// kept in kavo.INI under the procedure's name, and its controls spread when
// it is resized.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "forms/form_view.h"
#include "forms/update_form.h"

class QButtonGroup;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace kavo {

class BrowseWindowQt;
class WindowResizer;

class FormWindow : public QDialog, public forms::FormView {
  Q_OBJECT

 public:
  // Builds the window of a form over `context`; the form is opened by the
  // caller (form().Open()) and the window shown only when that answers true.
  // browse: the browse that calls the form, whose frame commands the form
  // shows and serves; null when no browse of the frame calls it.
  FormWindow(const forms::FormDescription& description, DataContext& context,
             QWidget* parent = nullptr, const BrowseWindowQt* browse = nullptr);
  ~FormWindow() override;

  forms::UpdateForm& form() { return form_; }

  // The edit of a field, for tests.
  QWidget* editor(int field) const { return editors_.at(static_cast<std::size_t>(field)).widget; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }
  // The texts of all fields as the user sees them (UTF-8).
  std::vector<std::string> Texts() const;
  // A command of the frame's toolbar: history (2011) copies the field the
  // user was in last from the history record; insert (2000) and the moves
  // (2004..2009) save as OK does and ask the browse to move; others do
  // nothing here.
  void ToolbarCommand(int32_t command);

  // forms::FormView.
  void SetTitle(const std::string& title) override;
  void DisplayAll() override;
  void DisplayField(int field) override;
  void DisplayChoices(int field) override;
  void SelectField(int field) override;
  void Beep() override;
  void SetWaitCursor(bool wait) override;
  void PostClose() override;

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Editor {
    QWidget* widget = nullptr;
    QButtonGroup* options = nullptr;  // kOptions only
  };

  void Build(const BrowseWindowQt* browse);
  // Buttons for the frame's commands of the calling browse, each pressing
  // the frame's command and following its enabled state and tool tip.
  std::vector<QToolButton*> FrameCommandButtons(const BrowseWindowQt& browse);
  QWidget* MakeEditor(int field, QWidget* page, Editor* editor);
  QString FieldValue(int field) const;
  void FieldEdited(int field);
  int FocusedField() const;

  forms::UpdateForm form_;
  std::vector<Editor> editors_;
  QTabWidget* tabs_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::unique_ptr<WindowResizer> resizer_;
  int last_field_ = -1;  // the field that had the focus last
  bool shown_once_ = false;
  bool closing_ = false;
  // A field being taken: a message box it raises must not take it again.
  bool accepting_ = false;
};

// Runs a form procedure in the caller's procedure context and event loop:
// reads GlobalRequest, shows the window unless the request was served
// without one, and leaves GlobalResponse (and VCRRequest) for the caller.
void RunFormProcedure(const forms::FormDescription& description, DataContext& context,
                      QWidget* caller);

}  // namespace kavo
