// VIEWWINDOW, the window of the text viewers `dxinfo` and `spravka`: the
// lines of a text file in a list, a search window, printing of the lines and
// the progress window of the load. The decisions are TextViewerLogic's; this
// class shows them and forwards the user's actions.
#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <QWidget>
#include <string>
#include <vector>

#include "app/procedure_registry.h"
#include "reports/text_viewer.h"

class QCheckBox;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

namespace kavo {

// QUEUE:ASCII as the list's model: one row per line, code page 1251 shown as
// Unicode.
class AsciiLinesModel : public QAbstractListModel {
 public:
  explicit AsciiLinesModel(const std::vector<std::string>* lines, QObject* parent = nullptr)
      : QAbstractListModel(parent), lines_(lines) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The lines were replaced or added to.
  void Reload();

 private:
  const std::vector<std::string>* lines_;
};

// ASC1:SearchWindow, "Searching Text...".
class TextSearchDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows settings with an empty search text.
  TextSearchDialog(const reports::TextSearch& settings, QWidget* parent = nullptr);
  reports::TextSearch Settings() const;

  QLineEdit* search_string() const { return search_string_; }

 private:
  QLineEdit* search_string_;
  QCheckBox* whole_word_;
  QCheckBox* match_case_;
  QRadioButton* up_;
  QRadioButton* down_;
};

class TextViewerWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TextViewerWindow(reports::TextViewerKind kind, QWidget* parent = nullptr);

  reports::TextViewerLogic& logic() { return logic_; }
  QListView* list() const { return list_; }
  QPushButton* repeat_button() const { return repeat_; }

  // Loads the file to show unless the list holds it already; returns when
  // the load has ended.
  void Refresh();
  // "Find" in the search window with these settings, and the repeat button.
  void Find(const reports::TextSearch& settings);
  void FindNext();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Load();
  // Shows the lines that are now in the list: each whole, the list
  // scrolling sideways to the longest.
  void ShowLines();
  void OpenSearch();
  void ShowFound(int32_t line);
  void Print();
  void UpdateControls();

  reports::TextViewerLogic logic_;
  AsciiLinesModel* model_;
  QListView* list_;
  QPushButton* print_;
  QPushButton* search_;
  QPushButton* repeat_;
  QPushButton* close_;
  bool refreshed_ = false;
};

// The procedures: `dxinfo` asks for a file first; `spravka` shows the
// read-me file.
void dxinfo(const ProcedureContext& context);
void spravka(const ProcedureContext& context);

}  // namespace kavo
