// Window placement kept in the settings file between runs.
//
// Each window procedure has a section named after it holding "XPosit",
// "YPosit", "Width", "Height" and "Maximize". Restoring is all-or-nothing per
// step: a section without a usable "XPosit" restores nothing, a missing size
// keeps the design size, and nothing read from the file can move a window to
// a place no screen can show (values outside kMaxCoordinate read as missing).
// Saving writes the normal (not maximised) placement and writes nothing for a
// minimised window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/window_rect.h"

namespace kavo {

inline constexpr char kIniFileName[] = "kavo.INI";

// Larger magnitudes are not coordinates this program wrote.
inline constexpr int32_t kMaxCoordinate = 32767;

// What the placement functions need of a window.
class PlacedWindow {
 public:
  virtual ~PlacedWindow() = default;
  virtual bool IsMaximized() const = 0;
  virtual bool IsMinimized() const = 0;
  virtual void SetMaximized(bool maximized) = 0;
  // Whether the user may change the window's size.
  virtual bool IsResizable() const = 0;
  // The normal placement: for a maximised window the place and size it
  // returns to.
  virtual WindowRect Placement() const = 0;
  virtual void MoveTo(int32_t x, int32_t y) = 0;
  virtual void SetPlacement(const WindowRect& placement) = 0;
};

// A settings value read as a number: a decimal integer with an optional sign
// and surrounding blanks. Anything else, and any magnitude above
// kMaxCoordinate, reads as 0.
int32_t ProfileNumber(std::string_view text);

void INIRestoreWindow(std::string_view ProcedureName, const std::string& IniFileName,
                      PlacedWindow& window);
void INISaveWindow(std::string_view ProcedureName, const std::string& IniFileName,
                   PlacedWindow& window);

}  // namespace kavo
