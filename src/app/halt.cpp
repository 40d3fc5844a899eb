#include "app/halt.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/message_box.h"

namespace kavo {
namespace {

// Other threads may still be inside the record store: leave without running
// static destructors under them.
[[noreturn]] void EndProcess(int exit_code) {
  std::fflush(nullptr);
  std::quick_exit(exit_code);
}

class ProcessHalt : public HaltService {
 public:
  void EndProgram(int exit_code) override { EndProcess(exit_code); }
};

ProcessHalt process_halt;
std::atomic<HaltService*> installed{nullptr};

HaltService& CurrentHaltService() {
  HaltService* service = installed.load();
  return service != nullptr ? *service : process_halt;
}

}  // namespace

void SetHaltService(HaltService* service) {
  installed.store(service);
}

void Halt(std::string_view text) {
  MessageBoxRequest box;
  box.text = std::string(text);
  box.icon = MessageIcon::kStop;
  box.buttons = button::kOk;
  box.default_button = button::kOk;
  CurrentMessageBoxService().Show(box);
  CurrentHaltService().EndProgram(0);
  // A service that breaks its contract still must not let the caller go on.
  EndProcess(0);
}

void ThrowingHaltService::EndProgram(int exit_code) {
  throw ProgramHalted{exit_code};
}

ScopedHaltService::ScopedHaltService(HaltService* service) : previous_(installed.load()) {
  SetHaltService(service);
}

ScopedHaltService::~ScopedHaltService() {
  SetHaltService(previous_);
}

}  // namespace kavo
