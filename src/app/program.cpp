#include "app/program.h"

#include <QApplication>

#include "app/report_fonts.h"
#include "app/window_state.h"
#include "data/globals.h"
#include "runtime/datetime.h"
#include "runtime/halt.h"

namespace kavo {

void FatalErrorBox::Halt(int, std::string_view text) {
  FatalRuntimeError(text);
}

Program::Program() {
  QApplication::setApplicationName("kavo");
  InstallReportFonts();
  ResetGlobals();
  RegisterProcedures(procedures_);
  SetMessageBoxService(&messages_);
  expr::SetFatalErrorService(&fatal_errors_);
}

Program::~Program() {
  frame_.reset();
  expr::SetFatalErrorService(nullptr);
  SetMessageBoxService(nullptr);
}

MainFrame& Program::OpenFrame() {
  FrameServices services;
  services.messages = &messages_;
  services.printer_setup = &printer_setup_;
  services.sound = &sound_;
  services.procedures = &procedures_;
  services.today = &Today;
  services.clock = &Clock;
  services.ini_file = kIniFileName;
  frame_ = std::make_unique<MainFrame>(std::move(services));
  frame_->Open();
  return *frame_;
}

}  // namespace kavo
