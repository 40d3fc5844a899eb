// The one routing point from a procedure name to the code that starts it.
//
// Menu items and toolbar buttons name the procedure they start; the frame
// looks the name up here. A procedure that is not registered yet answers with
// a message box, so each new procedure becomes reachable by registering it in
// RegisterProcedures() and nowhere else.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

class QMdiArea;

namespace kavo {

class DataContext;

// "start": the procedure opens its window beside the frame's other child
// windows and the caller goes on at once. "call": the caller waits until the
// procedure's window has closed.
enum class Launch { kStart, kCall };

struct ProcedureContext {
  QMdiArea* mdi_area = nullptr;  // where child windows of the frame open
  Launch launch = Launch::kStart;
  // The caller's procedure context, which a called procedure shares (its
  // record buffers hold the caller's highlighted record); nullptr: the
  // thread's own.
  DataContext* data = nullptr;
};

using ProcedureStarter = std::function<void(const ProcedureContext&)>;

class ProcedureRegistry {
 public:
  void Register(std::string name, ProcedureStarter starter);
  // nullptr when no procedure of that name is registered.
  const ProcedureStarter* Find(std::string_view name) const;

 private:
  std::map<std::string, ProcedureStarter, std::less<>> starters_;
};

// Registers every procedure the program has.
void RegisterProcedures(ProcedureRegistry& registry);

}  // namespace kavo
