// kavo: the logbook program. Runs the frame until it is closed, then closes
// every window still open. `kavo print ...` prints a report to PDF instead,
// without a window.
#include <QApplication>
#include <cstring>

#include "app/print_main.h"
#include "app/program.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "print") == 0) return kavo::PrintMain(argc, argv);
  QApplication app(argc, argv);
  int status = 0;
  {
    kavo::Program program;
    program.OpenFrame();
    status = QApplication::exec();
    QApplication::closeAllWindows();
  }
  return status;
}
