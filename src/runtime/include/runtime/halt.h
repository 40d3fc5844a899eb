// Ending the program from deep inside a procedure, after a failure that
// leaves a data file unusable.
//
// Halt() shows its text in a last message box (stop icon, OK) through the
// message-box service and then asks the halt service to end the program with
// exit code 0. The program's halt service ends the process at once: nothing
// more is written and open files are left to the operating system. Tests
// install a service that throws ProgramHalted instead, so they can observe
// the halt and the boxes before it without losing the test process; the
// throw unwinds the procedure like the end of the process would have
// abandoned it.
#pragma once

#include <string>
#include <string_view>

namespace kavo {

class HaltService {
 public:
  virtual ~HaltService() = default;
  // Must not return.
  virtual void EndProgram(int exit_code) = 0;
};

// Installs a service for the whole program; nullptr restores the one that
// ends the process. The service must outlive its installation.
void SetHaltService(HaltService* service);

// Shows `text` (code page 1251) in a box with the stop icon, then ends the
// program with exit code 0.
[[noreturn]] void Halt(std::string_view text);

// The runtime's fatal-error box: `text` under the title "Runtime error" with
// the stop icon, then the program ends with exit code 1. For faults that no
// caller can handle, such as a scope popped that was never pushed.
[[noreturn]] void FatalRuntimeError(std::string_view text);

// Thrown by ThrowingHaltService.
struct ProgramHalted {
  int exit_code = 0;
};

// The halt service of tests.
class ThrowingHaltService : public HaltService {
 public:
  void EndProgram(int exit_code) override;
};

// Installs a service while it lives and restores the previous one after.
class ScopedHaltService {
 public:
  explicit ScopedHaltService(HaltService* service);
  ~ScopedHaltService();
  ScopedHaltService(const ScopedHaltService&) = delete;
  ScopedHaltService& operator=(const ScopedHaltService&) = delete;

 private:
  HaltService* previous_;
};

}  // namespace kavo
