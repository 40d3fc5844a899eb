// The window of a browse procedure: the list, the tabs that choose the sort
// order (each with its locator entry field), the buttons, and the engine
// built from the procedure's description. Every list window with this
// layout is a BrowseWindowQt configured by a BrowseWindowDesign and a
// BrowseDescription; a window with more controls adds them with AddControl
// and reacts to them itself.
//
// The window is the procedure: it opens the procedure's files when it is
// made and releases them when it goes; it takes GlobalRequest at its start
// and leaves its response in GlobalResponse when it closes. Started from the
// frame it runs in an MDI child with a data context of its own
// (StartBrowseWindow); called by another procedure it runs modal in the
// caller's context (CallBrowseWindow), so a picker's choice stays in the
// caller's record buffer.
//
// The window's texts are UTF-8; the record buffers and the engine's texts are
// code page 1251.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/browse_list_qt.h"
#include "data/procedure_files.h"

class QAction;
class QLineEdit;
class QMdiArea;
class QTabWidget;

namespace kavo {

struct BrowseTabDesign {
  const char* text;              // the tab's text
  int32_t entry_control = 0;     // its locator entry field, 0 when none
  const char* prompt = nullptr;  // the entry field's prompt
  int entry_length = 0;          // characters the entry field takes
};

struct BrowseButtonDesign {
  int32_t control;
  const char* text;
};

struct BrowseWindowDesign {
  const char* procedure;  // the procedure's name, also its settings section
  const char* title;
  std::vector<BrowseTabDesign> tabs;  // tab choice numbers are 1, 2, ... in this order
  std::vector<BrowseButtonDesign> buttons;
  int32_t close_control = 0;  // the button that closes the window
  int width = 420;            // design size in pixels; the window is made
  int height = 360;           // wider when the list's columns need it
};

// The description of a browse over a context; `window` is the browse's
// window, the parent of the forms its update procedure opens.
using BrowseDescriber = std::function<BrowseDescription(DataContext& context, QWidget* window)>;

class BrowseWindowQt : public QWidget, public BrowseWindow {
  Q_OBJECT

 public:
  // Opens the procedure's files in `context` (the program ends when one
  // cannot be opened) and builds the engine from describe(context, this).
  BrowseWindowQt(BrowseWindowDesign design, DataContext& context, std::span<const FileUse> files,
                 const BrowseDescriber& describe, QWidget* parent = nullptr);
  ~BrowseWindowQt() override;

  // False when the description was refused; error() says why.
  bool valid() const { return engine_ != nullptr; }
  const std::string& error() const { return error_; }
  BrowseEngine& engine() { return *engine_; }
  DataContext& context() const { return context_; }
  // Between the open event and the end of the procedure.
  bool opened() const { return opened_ && !finished_; }
  BrowseListQt* list() const { return list_; }
  QWidget* control(int32_t id) const;
  void AddControl(int32_t id, QWidget* widget);
  // Keeps a data context alive as long as the window (a started procedure's).
  void OwnContext(std::unique_ptr<DataContext> context) { own_context_ = std::move(context); }
  // The MDI child or dialog the window lives in: closing it ends the
  // procedure, activating it refreshes the page.
  void SetFrame(QWidget* frame);
  // Runs the window's open event (first refresh) once it has its size.
  void OpenLater();
  // The gain-focus event: the page is rebuilt after the current event.
  void GainFocusLater();
  // Closes the engine and releases the files; the response is then in
  // GlobalResponse. Runs once, at the latest when the window goes.
  void Finish();

  // The design size, or wider when the list's columns need it.
  QSize sizeHint() const override;

  // The frame's navigation toolbar.
  void AttachToolbar(BrowseToolbar* toolbar);
  void ToolbarCommand(int32_t command);
  // While a procedure called by this browse runs (a form), the toolbar's
  // commands go to it and the history command is enabled; an empty target
  // gives them back to the browse.
  void SetCommandTarget(std::function<void(int32_t)> target);
  bool HasCommandTarget() const { return bool(command_target_); }
  // The frame's action of a toolbar command, null without the frame's
  // toolbar.
  QAction* FrameCommand(int32_t command) const;

  // BrowseWindow
  void PostAccepted(int32_t control) override;
  void PostCloseRequest() override;
  void EnableControl(int32_t control, bool enabled) override;
  void FocusControl(int32_t control) override;
  void TypeInto(int32_t control, char character) override;
  int32_t SelectedTab() const override;
  void SetWaitCursor(bool wait) override;
  void Redisplay() override;

 signals:
  void Closed();
  // The engine has served an event of the list or a button; a window with
  // a second list refreshes it after the first one's events.
  void Served();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  void Serve(const ListEvent& event);
  void Accept(int32_t control);
  QWidget* Frame() const;

  QPointer<QWidget> frame_;
  BrowseWindowDesign design_;
  DataContext& context_;
  std::unique_ptr<DataContext> own_context_;
  ProcedureFiles files_;
  std::unique_ptr<BrowseEngine> engine_;
  std::string error_;
  BrowseListQt* list_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::map<int32_t, QWidget*> controls_;
  std::map<int32_t, QLineEdit*> entries_;
  BrowseToolbar* toolbar_ = nullptr;
  std::function<void(int32_t)> command_target_;
  bool opened_ = false;
  bool finished_ = false;
  bool wait_ = false;
};

// Starts a browse procedure in a child window of the frame, with a data
// context of its own. Returns nullptr (after a message) when the
// description is refused.
BrowseWindowQt* StartBrowseWindow(QMdiArea* area, const BrowseWindowDesign& design,
                                  std::span<const FileUse> files, const BrowseDescriber& describe);

// Another procedure changed `table` behind the lists' backs (an import):
// every browse window of the frame over it rebuilds its page from the file.
void RefreshBrowseWindows(QMdiArea* area, const TableDef& table);

// Calls a browse procedure: a modal window over `parent` in the caller's
// context; returns GlobalResponse.
int32_t CallBrowseWindow(QWidget* parent, DataContext& context, const BrowseWindowDesign& design,
                         std::span<const FileUse> files, const BrowseDescriber& describe);

}  // namespace kavo
