// WindowResizeType: moves and stretches a window's controls in proportion to
// the window when the user resizes it.
//
// Initialize records the window's layout once; every Resize recomputes each
// control from that initial layout (never from the previous resize), so
// repeated resizing cannot accumulate rounding errors. Scales are decimals
// with four digits after the point and every coordinate is cut toward zero.
// The class talks to the window through ResizeLayer so that the computation
// runs without a screen.
#pragma once

#include <cstdint>
#include <vector>

#include "app/window_rect.h"

namespace kavo {

// Control type codes of the window layer that the strategies distinguish.
namespace control_type {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kString = 1;  // display string
inline constexpr int32_t kEntry = 8;
inline constexpr int32_t kButton = 9;
inline constexpr int32_t kCheck = 12;
inline constexpr int32_t kCombo = 15;
inline constexpr int32_t kSpin = 16;
inline constexpr int32_t kMenu = 19;
inline constexpr int32_t kItem = 20;
inline constexpr int32_t kRadio = 21;
inline constexpr int32_t kDropList = 34;
// Lists, groups, pictures and everything else: they scale freely.
inline constexpr int32_t kOther = 99;
}  // namespace control_type

// Anchors: the low byte of PositionalStrategy is horizontal, the high byte
// vertical.
namespace anchor {
inline constexpr uint16_t kScale = 0;
inline constexpr uint16_t kKeepX = 0x1;
inline constexpr uint16_t kRight = 0x2;
inline constexpr uint16_t kLeft = 0x4;
inline constexpr uint16_t kCentreX = 0x8;
inline constexpr uint16_t kNearerX = 0x10;
inline constexpr uint16_t kKeepY = 0x100;
inline constexpr uint16_t kBottom = 0x200;
inline constexpr uint16_t kTop = 0x400;
inline constexpr uint16_t kCentreY = 0x800;
inline constexpr uint16_t kNearerY = 0x1000;
}  // namespace anchor

// Bits of ResizeStrategy.
inline constexpr uint16_t kFixedWidth = 1;
inline constexpr uint16_t kFixedHeight = 2;

// Values of AppStrategy.
inline constexpr int32_t kResizeStrategy = 1;
inline constexpr int32_t kSpreadStrategy = 2;

// What WindowResizeType needs of the window layer.
class ResizeLayer {
 public:
  virtual ~ResizeLayer() = default;
  virtual WindowRect Window() const = 0;
  virtual int32_t FirstControl() const = 0;
  virtual int32_t LastControl() const = 0;
  virtual int32_t ControlType(int32_t id) const = 0;
  virtual WindowRect ControlRect(int32_t id) const = 0;
  // The number of control moves the layer still collects before it shows
  // them all at once; the layer counts it down with every move.
  virtual int32_t DeferredMoves() const = 0;
  virtual void SetDeferredMoves(int32_t count) = 0;
  virtual void MoveControl(int32_t id, const WindowRect& rect) = 0;
  // Moves and sets the height but leaves the width as it is.
  virtual void MoveControlKeepWidth(int32_t id, int32_t x, int32_t y, int32_t height) = 0;
};

class WindowResizeType {
 public:
  struct ControlEntry {
    int32_t ID = 0;
    int32_t Type = 0;
    uint16_t PositionalStrategy = 0;
    uint16_t ResizeStrategy = 0;
    WindowRect Pos;
  };

  void Initialize(ResizeLayer& layer, int32_t AppStrategy);
  void Resize(ResizeLayer& layer);
  void Destroy();

  const WindowRect& OrigWin() const { return OrigWin_; }
  const WindowRect& PreviousWin() const { return PreviousWin_; }
  // The entries may be edited between Initialize and Resize to give single
  // controls a strategy of their own.
  std::vector<ControlEntry>& ControlQueue() { return ControlQueue_; }
  const std::vector<ControlEntry>& ControlQueue() const { return ControlQueue_; }

 private:
  WindowRect OrigWin_;
  WindowRect PreviousWin_;
  std::vector<ControlEntry> ControlQueue_;
};

}  // namespace kavo
