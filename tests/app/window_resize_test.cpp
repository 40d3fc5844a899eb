#include "app/window_resize.h"

#include <gtest/gtest.h>

#include <map>

namespace kavo {
namespace {

// A window layer kept in memory: numbered controls with types and places.
class FakeLayer : public ResizeLayer {
 public:
  struct Control {
    int32_t type;
    WindowRect rect;
  };

  WindowRect Window() const override { return window; }
  int32_t FirstControl() const override { return 1; }
  int32_t LastControl() const override { return static_cast<int32_t>(controls.size()); }
  int32_t ControlType(int32_t id) const override { return controls.at(id).type; }
  WindowRect ControlRect(int32_t id) const override { return controls.at(id).rect; }
  int32_t DeferredMoves() const override { return deferred; }
  void SetDeferredMoves(int32_t count) override {
    deferred = count;
    deferred_settings.push_back(count);
  }
  void MoveControl(int32_t id, const WindowRect& rect) override {
    controls.at(id).rect = rect;
    ++moves;
  }
  void MoveControlKeepWidth(int32_t id, int32_t x, int32_t y, int32_t height) override {
    controls.at(id).rect = {x, y, controls.at(id).rect.Width, height};
    ++moves;
  }

  int32_t Add(int32_t type, WindowRect rect) {
    int32_t id = LastControl() + 1;
    controls[id] = {type, rect};
    return id;
  }
  WindowRect At(int32_t id) const { return controls.at(id).rect; }

  WindowRect window{0, 0, 200, 100};
  std::map<int32_t, Control> controls;
  int32_t deferred = 0;
  std::vector<int32_t> deferred_settings;
  int moves = 0;
};

TEST(WindowResizeTest, ResizeStrategyScalesEverything) {
  FakeLayer layer;
  int32_t button = layer.Add(control_type::kButton, {10, 20, 50, 10});
  int32_t list = layer.Add(control_type::kOther, {0, 0, 200, 80});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  layer.window = {0, 0, 300, 150};
  r.Resize(layer);
  EXPECT_EQ(layer.At(button), (WindowRect{15, 30, 75, 15}));
  EXPECT_EQ(layer.At(list), (WindowRect{0, 0, 300, 120}));
}

TEST(WindowResizeTest, ScalesHaveFourDecimalsAndProductsAreCut) {
  FakeLayer layer;
  layer.window = {0, 0, 3, 3};
  int32_t c = layer.Add(control_type::kOther, {300, 3000, 299, 7});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  layer.window = {0, 0, 1, 2};  // 0.3333 and 0.6667
  r.Resize(layer);
  // 300 x 0.3333 = 99.99 -> 99; 3000 x 0.6667 = 2000.1 -> 2000; 299 x 0.3333 = 99.65 -> 99;
  // 7 x 0.6667 = 4.6669 -> 4
  EXPECT_EQ(layer.At(c), (WindowRect{99, 2000, 99, 4}));
}

TEST(WindowResizeTest, SpreadButtonsKeepDistanceToNearerEdgeAndSize) {
  FakeLayer layer;
  layer.window = {0, 0, 400, 300};
  int32_t ok = layer.Add(control_type::kButton, {320, 260, 60, 20});      // right, bottom
  int32_t help = layer.Add(control_type::kButton, {10, 10, 60, 20});      // left, top
  int32_t middle = layer.Add(control_type::kButton, {170, 140, 60, 20});  // ties go left/top
  WindowResizeType r;
  r.Initialize(layer, kSpreadStrategy);
  layer.window = {0, 0, 600, 450};
  r.Resize(layer);
  EXPECT_EQ(layer.At(ok), (WindowRect{520, 410, 60, 20}));
  EXPECT_EQ(layer.At(help), (WindowRect{10, 10, 60, 20}));
  EXPECT_EQ(layer.At(middle), (WindowRect{170, 140, 60, 20}));
}

TEST(WindowResizeTest, SpreadFieldsStretchInWidthAndKeepHeight) {
  FakeLayer layer;
  layer.window = {0, 0, 400, 300};
  int32_t entry = layer.Add(control_type::kEntry, {40, 100, 200, 20});
  int32_t combo = layer.Add(control_type::kCombo, {40, 130, 100, 20});
  int32_t spin = layer.Add(control_type::kSpin, {40, 160, 50, 20});
  int32_t drop = layer.Add(control_type::kDropList, {40, 190, 50, 20});
  int32_t check = layer.Add(control_type::kCheck, {40, 220, 80, 16});
  int32_t radio = layer.Add(control_type::kRadio, {200, 220, 80, 16});
  int32_t list = layer.Add(control_type::kOther, {0, 0, 400, 80});
  WindowResizeType r;
  r.Initialize(layer, kSpreadStrategy);
  layer.window = {0, 0, 800, 600};
  r.Resize(layer);
  EXPECT_EQ(layer.At(entry), (WindowRect{80, 200, 400, 20}));
  EXPECT_EQ(layer.At(combo), (WindowRect{80, 260, 200, 20}));
  EXPECT_EQ(layer.At(spin), (WindowRect{80, 320, 100, 20}));
  EXPECT_EQ(layer.At(drop), (WindowRect{80, 380, 100, 20}));
  EXPECT_EQ(layer.At(check), (WindowRect{80, 440, 80, 16}));
  EXPECT_EQ(layer.At(radio), (WindowRect{400, 440, 80, 16}));
  EXPECT_EQ(layer.At(list), (WindowRect{0, 0, 800, 160}));
}

TEST(WindowResizeTest, InitializeSkipsMenusAndEmptySlotsAndUnknownStrategyScales) {
  FakeLayer layer;
  layer.Add(control_type::kNone, {});
  layer.Add(control_type::kMenu, {});
  layer.Add(control_type::kItem, {});
  int32_t button = layer.Add(control_type::kButton, {320, 260, 60, 20});
  WindowResizeType r;
  r.Initialize(layer, 3);
  ASSERT_EQ(r.ControlQueue().size(), 1u);
  EXPECT_EQ(r.ControlQueue()[0].ID, button);
  EXPECT_EQ(r.ControlQueue()[0].PositionalStrategy, 0);
  EXPECT_EQ(r.ControlQueue()[0].ResizeStrategy, 0);
  r.Initialize(layer, kSpreadStrategy);
  ASSERT_EQ(r.ControlQueue().size(), 1u);  // a second Initialize starts afresh
  EXPECT_EQ(r.ControlQueue()[0].PositionalStrategy, 0x1010);
  EXPECT_EQ(r.ControlQueue()[0].ResizeStrategy, 3);
  r.Destroy();
  EXPECT_TRUE(r.ControlQueue().empty());
}

TEST(WindowResizeTest, KeptCentredAndScaledAnchors) {
  FakeLayer layer;
  layer.window = {0, 0, 201, 101};
  int32_t kept = layer.Add(control_type::kOther, {30, 40, 20, 10});
  int32_t centred = layer.Add(control_type::kOther, {120, 70, 20, 10});
  int32_t centred_fixed = layer.Add(control_type::kOther, {120, 70, 20, 10});
  int32_t right = layer.Add(control_type::kOther, {150, 80, 20, 10});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  auto& q = r.ControlQueue();
  q[0].PositionalStrategy = anchor::kKeepX | anchor::kKeepY;
  q[1].PositionalStrategy = anchor::kCentreX | anchor::kCentreY;
  q[2].PositionalStrategy = anchor::kCentreX | anchor::kCentreY;
  q[2].ResizeStrategy = kFixedWidth | kFixedHeight;
  q[3].PositionalStrategy = anchor::kRight | anchor::kBottom;
  layer.window = {0, 0, 402, 202};  // scales 2.0000 both ways
  r.Resize(layer);
  EXPECT_EQ(layer.At(kept), (WindowRect{30, 40, 40, 20}));
  // D = 120 - 100.5 = 19.5; X = 201 + 39 = 240. D = 70 - 50.5 = 19.5; Y = 101 + 39 = 140.
  EXPECT_EQ(layer.At(centred), (WindowRect{240, 140, 40, 20}));
  // X = 201 + 19.5 = 220.5 -> 220; Y = 101 + 19.5 -> 120.
  EXPECT_EQ(layer.At(centred_fixed), (WindowRect{220, 120, 20, 10}));
  // D = 201 - 150 = 51; X = 402 - 102 = 300. D = 101 - 80 = 21; Y = 202 - 42 = 160.
  EXPECT_EQ(layer.At(right), (WindowRect{300, 160, 40, 20}));
}

TEST(WindowResizeTest, AnchorsApplyOnlyOnTheAxisThatChanged) {
  FakeLayer layer;
  layer.window = {0, 0, 400, 300};
  int32_t ok = layer.Add(control_type::kButton, {320, 260, 60, 20});
  WindowResizeType r;
  r.Initialize(layer, kSpreadStrategy);
  layer.window = {0, 0, 400, 600};  // only taller
  r.Resize(layer);
  EXPECT_EQ(layer.At(ok), (WindowRect{320, 560, 60, 20}));
}

TEST(WindowResizeTest, DisplayStringOfWidthOneKeepsItsWidth) {
  FakeLayer layer;
  int32_t line = layer.Add(control_type::kString, {10, 10, 1, 50});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  layer.controls[line].rect.Width = 3;  // the layer's own width, left alone
  layer.window = {0, 0, 400, 200};
  r.Resize(layer);
  EXPECT_EQ(layer.At(line), (WindowRect{20, 20, 3, 100}));
}

TEST(WindowResizeTest, MoveWithoutSizeChangeDoesNothing) {
  FakeLayer layer;
  layer.Add(control_type::kButton, {10, 20, 50, 10});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  layer.window = {50, 60, 200, 100};
  r.Resize(layer);
  EXPECT_EQ(layer.moves, 0);
  EXPECT_TRUE(layer.deferred_settings.empty());
  EXPECT_EQ(r.PreviousWin(), (WindowRect{0, 0, 200, 100}));

  layer.window = {50, 60, 250, 100};
  r.Resize(layer);
  EXPECT_EQ(layer.moves, 1);
  EXPECT_EQ(r.PreviousWin(), (WindowRect{50, 60, 250, 100}));
  r.Resize(layer);
  EXPECT_EQ(layer.moves, 1);
}

TEST(WindowResizeTest, RepeatedResizingReturnsToTheInitialLayout) {
  FakeLayer layer;
  layer.window = {0, 0, 397, 283};
  const WindowRect start[] = {{13, 17, 101, 23}, {251, 199, 77, 19}, {3, 250, 390, 31}};
  for (int32_t type : {control_type::kEntry, control_type::kButton, control_type::kOther}) {
    layer.Add(type, start[layer.controls.size()]);
  }
  WindowResizeType r;
  r.Initialize(layer, kSpreadStrategy);
  for (auto [w, h] : {std::pair{531, 311}, {211, 149}, {999, 777}, {398, 284}, {397, 283}}) {
    layer.window = {0, 0, w, h};
    r.Resize(layer);
  }
  for (int32_t id = 1; id <= 3; ++id) EXPECT_EQ(layer.At(id), start[id - 1]) << id;
}

TEST(WindowResizeTest, DeferredMovesCoverTheQueueAndNegativeSettingIsRestored) {
  FakeLayer layer;
  layer.Add(control_type::kEntry, {1, 1, 10, 10});
  layer.Add(control_type::kEntry, {20, 1, 10, 10});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  layer.deferred = -1;
  layer.window = {0, 0, 400, 200};
  r.Resize(layer);
  EXPECT_EQ(layer.deferred_settings, (std::vector<int32_t>{2, -1}));
}

TEST(WindowResizeTest, WindowWithoutExtentIsNeverDividedBy) {
  FakeLayer layer;
  layer.window = {0, 0, 0, 0};
  int32_t c = layer.Add(control_type::kEntry, {1, 1, 10, 10});
  WindowResizeType r;
  r.Initialize(layer, kResizeStrategy);
  layer.window = {0, 0, 400, 200};
  r.Resize(layer);
  EXPECT_EQ(layer.At(c), (WindowRect{1, 1, 10, 10}));
}

}  // namespace
}  // namespace kavo
