// What a menu item or toolbar button of the frame does when it is accepted.
#pragma once

#include <cstdint>

#include "app/procedure_registry.h"

namespace kavo {

enum class FrameCommand {
  kNone,          // a menu that only opens its items
  kProcedure,     // start or call a procedure by name
  kCloseFrame,    // ends the program
  kPrinterSetup,  // the platform's printer set-up dialog
  kTile,
  kCascade,
  kArrangeIcons,
  kHelpOnHelp,
};

struct FrameAction {
  FrameCommand command = FrameCommand::kNone;
  const char* procedure = nullptr;
  Launch launch = Launch::kStart;
  // Written to GlobalRequest just before the procedure runs; 0 leaves it.
  int32_t request = 0;
  // A sound file played, without waiting, before the procedure starts.
  const char* sound = nullptr;
};

}  // namespace kavo
