#include "app/adif_procedures.h"

#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QTimer>
#include <string>

#include "adif/adif_export.h"
#include "adif/adif_import.h"
#include "adif/adif_worker.h"
#include "adif_strings.h"
#include "app/browse_window_qt.h"
#include "app/file_dialog.h"
#include "app/progress_window.h"
#include "app/qt_text.h"
#include "data/dict_tables.h"
#include "data/procedure_files.h"
#include "runtime/message_box.h"

namespace kavo {
namespace {

using adif::AdifWorker;

constexpr int kPollMilliseconds = 100;
constexpr FileUse kImportFiles[] = {{FileId::AAAA, 1}, {FileId::DXCC, 1}};
constexpr FileUse kExportFiles[] = {{FileId::AAAA, 1}};

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QWidget* ParentOf(const ProcedureContext& context) {
  return context.mdi_area ? context.mdi_area->window() : nullptr;
}

std::string PathOf(const QString& file) {
  return QFile::encodeName(file).toStdString();
}

// Runs the job on a worker thread under a modal progress window until it
// has finished; Cancel asks it to stop.
void RunWithProgress(QWidget* parent, const char* caption, const QString& file,
                     AdifWorker::Job job) {
  ProgressWindow progress(Text(caption), parent);
  progress.SetUserString(QFileInfo(file).fileName());
  AdifWorker worker(std::move(job));
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &progress, [&] {
    if (worker.finished()) {
      progress.done(QDialog::Accepted);
      return;
    }
    if (worker.cancelled()) return;
    const int percent = static_cast<int>(worker.progress() * 100);
    progress.SetThermometer(percent);
    progress.SetPctText(Text(adif_text::kPercent).arg(percent));
  });
  QObject::connect(&progress, &ProgressWindow::CancelRequested, &progress, [&] {
    worker.Cancel();
    progress.SetPctText(Text(adif_text::kCancelling));
  });
  timer.start(kPollMilliseconds);
  progress.exec();
  worker.Wait();
}

int ShowMessage(const char* title, const QString& text, MessageIcon icon,
                int buttons = button::kOk) {
  MessageBoxRequest request;
  request.title = ToCp1251(Text(title));
  request.text = ToCp1251(text);
  request.icon = icon;
  request.buttons = buttons;
  request.default_button = buttons == button::kOk ? button::kOk : button::kNo;
  return CurrentMessageBoxService().Show(request);
}

QString ImportSummaryText(const adif::ImportSummary& summary) {
  if (!summary.failure.empty()) {
    return Text(adif_text::kImportFailed).arg(QString::fromStdString(summary.failure));
  }
  QStringList lines;
  lines << Text(adif_text::kImportCounts)
               .arg(summary.read)
               .arg(summary.imported)
               .arg(summary.duplicates)
               .arg(summary.refused);
  if (summary.renumbered > 0) lines << Text(adif_text::kRenumbered).arg(summary.renumbered);
  if (summary.countries_replaced > 0) {
    lines << Text(adif_text::kCountriesReplaced).arg(summary.countries_replaced);
  }
  if (summary.countries_added > 0) {
    lines << Text(adif_text::kCountriesAdded).arg(summary.countries_added);
  }
  if (!summary.not_kept.empty()) {
    QStringList fields;
    for (const auto& [name, count] : summary.not_kept) {
      fields << QStringLiteral("%1 (%2)").arg(QString::fromStdString(name)).arg(count);
    }
    lines << Text(adif_text::kNotKept).arg(fields.join(QStringLiteral(", ")));
  }
  if (summary.cancelled) lines << Text(adif_text::kImportCancelled);
  if (!summary.report_file.empty()) {
    lines << Text(adif_text::kReport).arg(QString::fromStdString(summary.report_file));
  }
  if (!summary.report_failure.empty()) lines << QString::fromStdString(summary.report_failure);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

void ImportADIF(const ProcedureContext& context) {
  QWidget* parent = ParentOf(context);
  FileDialogRequest request;
  request.title = Text(adif_text::kImportTitle);
  request.filter = Text(adif_text::kOpenFilter);
  const std::optional<QString> file = CurrentFileDialogService().Choose(parent, request);
  if (!file) return;

  // The import's own context: its tables are used on the worker thread.
  DataContext data;
  ProcedureFiles files(data, kImportFiles);
  files.Open();
  adif::ImportOptions options;
  for (;;) {
    adif::ImportSummary summary;
    RunWithProgress(parent, adif_text::kImportTitle, *file,
                    [&, path = PathOf(*file)](const AdifWorker::KeepGoing& keep_going) {
                      summary = adif::ImportAdifFile(data.AAAA.file(), data.DXCC.file(), path,
                                                     options, keep_going);
                    });
    const bool failed = !summary.failure.empty();
    ShowMessage(adif_text::kImportTitle, ImportSummaryText(summary),
                failed ? MessageIcon::kExclamation : MessageIcon::kInformation);
    // Records refused for their text may come in cut or with '?' instead;
    // the others are duplicates by now.
    const bool may_retry = summary.committed && summary.refused > 0 &&
                           !(options.mapping.truncate && options.mapping.replace);
    if (!may_retry || ShowMessage(adif_text::kImportTitle, Text(adif_text::kRetryLenient),
                                  MessageIcon::kNone, button::kYes | button::kNo) != button::kYes) {
      break;
    }
    options.mapping.truncate = true;
    options.mapping.replace = true;
  }
  files.Release();
  // The open lists of the log and of the countries show what came in.
  RefreshBrowseWindows(context.mdi_area, dict::AAAA());
  RefreshBrowseWindows(context.mdi_area, dict::DXCC());
}

void ExportADIF(const ProcedureContext& context) {
  QWidget* parent = ParentOf(context);
  FileDialogRequest request;
  request.title = Text(adif_text::kExportTitle);
  request.filter = Text(adif_text::kSaveFilter);
  request.save = true;
  std::optional<QString> file = CurrentFileDialogService().Choose(parent, request);
  if (!file) return;
  if (!adif::FormatOfPath(PathOf(*file))) *file += Text(adif_text::kDefaultExtension);

  DataContext data;
  ProcedureFiles files(data, kExportFiles);
  files.Open();
  adif::ExportSummary summary;
  RunWithProgress(parent, adif_text::kExportTitle, *file,
                  [&, path = PathOf(*file)](const AdifWorker::KeepGoing& keep_going) {
                    summary = adif::ExportAdifFile(data.AAAA.file(), path, {}, keep_going);
                  });
  files.Release();
  if (!summary.failure.empty()) {
    ShowMessage(adif_text::kExportTitle,
                Text(adif_text::kExportFailed).arg(QString::fromStdString(summary.failure)),
                MessageIcon::kExclamation);
  } else if (summary.cancelled) {
    ShowMessage(adif_text::kExportTitle, Text(adif_text::kExportCancelled),
                MessageIcon::kInformation);
  } else {
    ShowMessage(adif_text::kExportTitle, Text(adif_text::kExported).arg(summary.written).arg(*file),
                MessageIcon::kInformation);
  }
}

}  // namespace kavo
