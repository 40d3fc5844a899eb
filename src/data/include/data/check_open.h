// Opening a data file for a procedure, repairing what can be repaired:
// CheckOpen creates a missing file (when allowed), retries a locked one after
// the store's recover command, asks to rebuild a damaged key file, and ends
// the program through a standard warning when the file cannot be used.
// RISaveError captures a failure for the warning that reports it.
//
// CheckOpen sees the file only through CheckOpenTarget, so that its paths can
// be driven without a damaged file on disk; DataFile (context.h) is the real
// target.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/status.h"

namespace kavo {

// The open mode every procedure uses: read and write, deny none.
inline constexpr uint8_t kOpenReadWriteDenyNone = 0x42;

class CheckOpenTarget {
 public:
  virtual ~CheckOpenTarget() = default;
  // Each operation also leaves its result as the program's last error.
  virtual Status Open(uint8_t open_mode) = 0;
  virtual Status Create() = 0;
  // Rebuilds every key of the file.
  virtual Status RebuildKeys() = 0;
  // Sends a driver command ("Recover=10").
  virtual void Send(std::string_view command) = 0;
  // The name the store reports for the file (its disk name).
  virtual std::string Name() const = 0;
};

// Returns with the file open, or ends the program (see the halts of the
// standard warnings 1, 2, 3, 4, 5 and the halt "Disk Error" after 30).
// OverrideCreate: 1 creates a missing file, 0 makes it a fatal error
// (warning 4), omitted lets it fall through to the general open error.
// OverrideOpenMode: the open-mode byte, 0x42 when omitted.
void CheckOpen(CheckOpenTarget& File, std::optional<uint8_t> OverrideCreate = std::nullopt,
               std::optional<uint8_t> OverrideOpenMode = std::nullopt);

// Saves the last error (code, message, file-system code and text) for the
// next standard warning, then rolls back the process's active transaction,
// if any. Never fails.
void RISaveError();

}  // namespace kavo
