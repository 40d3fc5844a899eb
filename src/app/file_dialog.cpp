#include "app/file_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace kavo {

namespace {

FileDialogService* installed_service = nullptr;

}  // namespace

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  }
  return filters.join(QStringLiteral(";;"));
}

std::optional<QString> QtFileDialog::Choose(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title, request.directory, QtFileFilter(request.filter));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // Without QDir::CaseSensitive in its filter, "*.TXT" finds "dx0101.txt" too.
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

std::optional<QString> ScriptedFileDialog::Choose(QWidget*, const FileDialogRequest& request) {
  requests_.push_back(request);
  if (answers_.empty()) return std::nullopt;
  const QString answer = answers_.front();
  answers_.pop_front();
  if (answer.isNull()) return std::nullopt;
  return answer;
}

FileDialogService& CurrentFileDialogService() {
  static QtFileDialog platform;
  return installed_service != nullptr ? *installed_service : platform;
}

void SetFileDialogService(FileDialogService* service) {
  installed_service = service;
}

}  // namespace kavo
