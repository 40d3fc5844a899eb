// The program's start: the variables at their start values, the procedures
// registered, the services the windows use, and the frame opened.
#pragma once

#include <memory>

#include "app/main_frame.h"
#include "app/message_box_qt.h"
#include "app/printer_setup.h"
#include "app/procedure_registry.h"
#include "app/sound_player.h"
#include "expr/expr_scope.h"

namespace kavo {

// Shows the expression runtime's fatal errors in the fatal-error box.
class FatalErrorBox : public expr::FatalErrorService {
 public:
  void Halt(int code, std::string_view text) override;
};

class Program {
 public:
  // Needs the QApplication to exist.
  Program();
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Creates and opens the frame, `Main`.
  MainFrame& OpenFrame();

 private:
  ProcedureRegistry procedures_;
  QtMessageBox messages_;
  DialogPrinterSetup printer_setup_;
  MediaSoundPlayer sound_;
  FatalErrorBox fatal_errors_;
  std::unique_ptr<MainFrame> frame_;
};

}  // namespace kavo
