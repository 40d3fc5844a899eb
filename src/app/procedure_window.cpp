#include "app/procedure_window.h"

#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/window_state_qt.h"

namespace kavo {

void ShowProcedureWindow(QWidget* window, const ProcedureContext& context,
                         const std::string& ProcedureName) {
  window->setAttribute(Qt::WA_DeleteOnClose);
  QWidget* shown = window;
  if (context.mdi_area != nullptr) {
    QMdiSubWindow* sub = context.mdi_area->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    shown = sub;
  }
  shown->show();
  if (!ProcedureName.empty()) new PlacementKeeper(shown, ProcedureName);
  if (context.launch != Launch::kCall) return;
  QEventLoop loop;
  QObject::connect(shown, &QObject::destroyed, &loop, &QEventLoop::quit);
  loop.exec();
}

void CloseProcedureWindow(QWidget* window) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    sub->close();
  } else {
    window->close();
  }
}

}  // namespace kavo
