// kavo: the logbook program. Runs the frame until it is closed, then closes
// every window still open. `kavo print ...` prints a report to PDF instead,
// without a window.
#include <unistd.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <cstring>

#include "app/print_main.h"
#include "app/program.h"

namespace {

// The signal handler's only act: a byte into this pipe, read in the event loop.
int termination_pipe[2] = {-1, -1};

void OnTermination(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(termination_pipe[1], &byte, 1);
}

// A session that ends, or `kill`, asks the program to end: it ends as when
// its frame is closed, after every event loop has returned, so that an open
// form runs its closing steps and gives back a reserved contact number.
void EndOnTermination(QApplication* app) {
  if (pipe(termination_pipe) != 0) return;
  struct sigaction action = {};
  action.sa_handler = OnTermination;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
  auto* notifier = new QSocketNotifier(termination_pipe[0], QSocketNotifier::Read, app);
  QObject::connect(notifier, &QSocketNotifier::activated, app, [] { QApplication::exit(0); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "print") == 0) return kavo::PrintMain(argc, argv);
  QApplication app(argc, argv);
  // Qt's own dialogs and buttons (file dialogs, message box buttons) speak
  // the program's language where Qt's translations are installed.
  QTranslator qt_texts;
  if (qt_texts.load(QLocale(QLocale::Russian), "qtbase", "_",
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_texts);
  }
  EndOnTermination(&app);
  int status = 0;
  {
    kavo::Program program;
    program.OpenFrame();
    status = QApplication::exec();
    QApplication::closeAllWindows();
  }
  return status;
}
