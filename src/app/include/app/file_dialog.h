// File dialogs as a service: windows ask for a file name through
// CurrentFileDialogService(), so that tests answer without a screen and the
// program shows the platform's dialog.
//
// Filters are written as the layouts write them: pairs of a description and
// its patterns separated by "|" ("Текстовые файлы|*.TXT"). Patterns match
// file names in either case.
//
// REQUIRES: the window thread.
#pragma once

#include <QString>
#include <deque>
#include <optional>

class QWidget;

namespace kavo {

struct FileDialogRequest {
  QString title;
  QString directory;  // where the dialog starts
  QString filter;     // "description|patterns|description|patterns..."
  bool save = false;  // asks for a file to write (and confirms replacing one)
};

class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  // The chosen file's full name, or nothing when the user cancelled.
  virtual std::optional<QString> Choose(QWidget* parent, const FileDialogRequest& request) = 0;
};

// The platform's file dialog.
class QtFileDialog : public FileDialogService {
 public:
  std::optional<QString> Choose(QWidget* parent, const FileDialogRequest& request) override;
};

// Answers with queued names in order (nothing once the queue is empty) and
// keeps the requests it was given.
class ScriptedFileDialog : public FileDialogService {
 public:
  void Answer(const std::optional<QString>& name) { answers_.push_back(name.value_or(QString())); }
  std::optional<QString> Choose(QWidget* parent, const FileDialogRequest& request) override;
  const std::deque<FileDialogRequest>& requests() const { return requests_; }

 private:
  std::deque<QString> answers_;  // a null text: the user cancels
  std::deque<FileDialogRequest> requests_;
};

// The installed service; the platform's dialog until another is installed.
FileDialogService& CurrentFileDialogService();
// Installs service; nullptr returns to the platform's dialog.
void SetFileDialogService(FileDialogService* service);

// The "|"-separated filter in the form Qt's dialogs take ("Текстовые файлы
// (*.TXT)").
QString QtFileFilter(const QString& filter);

}  // namespace kavo
