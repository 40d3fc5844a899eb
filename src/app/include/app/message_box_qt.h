// The program's message-box service: a modal QMessageBox with the named
// buttons, shown over the active window.
//
// Boxes may be asked for from any thread; a call from another thread than
// the window thread waits there until the window thread has shown the box
// and the user has answered. The code page 1251 texts are converted here.
#pragma once

#include "runtime/message_box.h"

namespace kavo {

class QtMessageBox : public MessageBoxService {
 public:
  int Show(const MessageBoxRequest& request) override;
};

}  // namespace kavo
