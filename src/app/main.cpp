// kavo: the logbook program. Runs the frame until it is closed, then closes
// every window still open.
#include <QApplication>

#include "app/program.h"

int main(int argc, char** argv) {
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
