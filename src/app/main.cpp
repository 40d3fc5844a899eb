// kavo: the logbook program. Runs the frame until it is closed, then closes
// every window still open. `kavo print ...` prints a report to PDF instead,
// without a window.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

#include "app/print_main.h"
#include "app/program.h"

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
  int status = 0;
  {
    kavo::Program program;
    program.OpenFrame();
    status = QApplication::exec();
    QApplication::closeAllWindows();
  }
  return status;
}
