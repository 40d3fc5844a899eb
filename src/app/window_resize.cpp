#include "app/window_resize.h"

namespace kavo {
namespace {

// Decimals with four digits after the point, held as multiples of 1/10000.
constexpr int64_t kOne = 10000;

// numerator / denominator rounded to four decimals, half away from zero.
int64_t Scale(int64_t numerator, int64_t denominator) {
  int64_t scaled = numerator * kOne * 2 / denominator;
  return scaled >= 0 ? (scaled + 1) / 2 : (scaled - 1) / 2;
}

// An integer times a scale, cut toward zero.
int32_t Times(int64_t value, int64_t scale) {
  return static_cast<int32_t>(value * scale / kOne);
}

void DeriveStrategy(WindowResizeType::ControlEntry& e, int32_t app_strategy) {
  e.PositionalStrategy = 0;
  e.ResizeStrategy = 0;
  if (app_strategy != kSpreadStrategy) return;
  switch (e.Type) {
    case control_type::kButton:
      e.PositionalStrategy = anchor::kNearerX | anchor::kNearerY;
      e.ResizeStrategy = kFixedWidth | kFixedHeight;
      break;
    case control_type::kCheck:
    case control_type::kRadio:
      e.ResizeStrategy = kFixedWidth | kFixedHeight;
      break;
    case control_type::kEntry:
    case control_type::kCombo:
    case control_type::kSpin:
    case control_type::kDropList:
      e.ResizeStrategy = kFixedHeight;
      break;
    default:
      break;
  }
}

// The new position along one axis. pos and size are the control's initial
// position and extent, orig and current the window's initial and current
// extent; the anchor codes are given for the horizontal axis.
int32_t AnchoredPosition(uint16_t anchor_code, int32_t pos, int32_t size, bool fixed, int32_t orig,
                         int32_t current, int64_t scale, int32_t scaled_pos) {
  if (anchor_code == anchor::kNearerX) {
    anchor_code = pos <= orig - pos - size ? anchor::kLeft : anchor::kRight;
  }
  switch (anchor_code) {
    case anchor::kKeepX:
      return pos;
    case anchor::kRight: {
      int64_t d = int64_t{orig} - pos;
      if (fixed) return static_cast<int32_t>(current - d);
      return static_cast<int32_t>((int64_t{current} * kOne - d * scale) / kOne);
    }
    case anchor::kLeft:
      return fixed ? pos : scaled_pos;
    case anchor::kCentreX: {
      // In halves, so that an odd window extent keeps its half unit.
      int64_t d2 = 2 * int64_t{pos} - orig;
      int64_t moved2 = fixed ? d2 * kOne : d2 * scale;
      return static_cast<int32_t>((int64_t{current} * kOne + moved2) / (2 * kOne));
    }
    default:
      return scaled_pos;
  }
}

}  // namespace

void WindowResizeType::Initialize(ResizeLayer& layer, int32_t AppStrategy) {
  ControlQueue_.clear();
  OrigWin_ = layer.Window();
  PreviousWin_ = OrigWin_;
  for (int32_t id = layer.FirstControl(); id <= layer.LastControl(); ++id) {
    int32_t type = layer.ControlType(id);
    if (type == control_type::kNone || type == control_type::kMenu || type == control_type::kItem) {
      continue;
    }
    ControlEntry e;
    e.ID = id;
    e.Type = type;
    e.Pos = layer.ControlRect(id);
    DeriveStrategy(e, AppStrategy);
    ControlQueue_.push_back(e);
  }
}

void WindowResizeType::Resize(ResizeLayer& layer) {
  int32_t saved_deferred = layer.DeferredMoves();
  WindowRect current = layer.Window();
  if (current.Width == PreviousWin_.Width && current.Height == PreviousWin_.Height) return;
  PreviousWin_ = current;
  // A window that had no extent when it was laid out gives no proportion.
  if (OrigWin_.Width <= 0 || OrigWin_.Height <= 0) return;

  const int32_t OW = OrigWin_.Width, OH = OrigWin_.Height;
  const int32_t CW = current.Width, CH = current.Height;
  const int64_t XScale = Scale(CW, OW);
  const int64_t YScale = Scale(CH, OH);

  layer.SetDeferredMoves(static_cast<int32_t>(ControlQueue_.size()));
  for (const ControlEntry& e : ControlQueue_) {
    const WindowRect& p = e.Pos;
    const bool fixed_w = (e.ResizeStrategy & kFixedWidth) != 0;
    const bool fixed_h = (e.ResizeStrategy & kFixedHeight) != 0;
    int32_t X = Times(p.XPos, XScale);
    int32_t Y = Times(p.YPos, YScale);
    int32_t W = fixed_w ? p.Width : Times(p.Width, XScale);
    int32_t H = fixed_h ? p.Height : Times(p.Height, YScale);

    if (XScale != kOne) {
      X = AnchoredPosition(e.PositionalStrategy & 0xFF, p.XPos, p.Width, fixed_w, OW, CW, XScale,
                           X);
    }
    if (YScale != kOne) {
      // The vertical anchors are the horizontal ones shifted into the high byte.
      Y = AnchoredPosition((e.PositionalStrategy >> 8) & 0xFF, p.YPos, p.Height, fixed_h, OH, CH,
                           YScale, Y);
    }
    if (e.Type == control_type::kString && p.Width == 1) {
      layer.MoveControlKeepWidth(e.ID, X, Y, H);
    } else {
      layer.MoveControl(e.ID, {X, Y, W, H});
    }
  }
  if (saved_deferred < 0) layer.SetDeferredMoves(saved_deferred);
}

void WindowResizeType::Destroy() {
  ControlQueue_.clear();
}

}  // namespace kavo
