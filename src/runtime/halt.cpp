#include "runtime/halt.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "runtime/message_box.h"

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

namespace {

[[noreturn]] void ShowStopBoxAndEnd(std::string_view title, std::string_view text, int exit_code) {
  MessageBoxRequest box;
  box.title = std::string(title);
  box.text = std::string(text);
  box.icon = MessageIcon::kStop;
  box.buttons = button::kOk;
  box.default_button = button::kOk;
  CurrentMessageBoxService().Show(box);
  CurrentHaltService().EndProgram(exit_code);
  // A service that breaks its contract still must not let the caller go on.
  EndProcess(exit_code);
}

}  // namespace

void Halt(std::string_view text) {
  ShowStopBoxAndEnd({}, text, 0);
}

void FatalRuntimeError(std::string_view text) {
  ShowStopBoxAndEnd("Runtime error", text, 1);
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
