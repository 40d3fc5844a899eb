#include "runtime_state.h"

#include <mutex>

#include "runtime/environment.h"

namespace kavo::runtime_state {
namespace {

struct State {
  RegionalSettings regional;
  CharTables tables = CharTables::Defaults();
};

State& Loaded() {
  static State state;
  static std::once_flag once;
  std::call_once(once, [] {
    std::string path = EnvironmentFilePath();
    if (!path.empty()) LoadEnvironmentFile(path, &state.regional, &state.tables);
  });
  return state;
}

}  // namespace

const RegionalSettings& Regional() {
  return Loaded().regional;
}
const CharTables& Tables() {
  return Loaded().tables;
}
void SetRegional(const RegionalSettings& settings) {
  Loaded().regional = settings;
}
void SetTables(const CharTables& tables) {
  Loaded().tables = tables;
}

}  // namespace kavo::runtime_state
