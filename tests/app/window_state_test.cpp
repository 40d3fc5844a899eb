#include "app/window_state.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/private_profile.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

// A window that records what the placement functions do to it.
class FakeWindow : public PlacedWindow {
 public:
  bool IsMaximized() const override { return maximized; }
  bool IsMinimized() const override { return minimized; }
  void SetMaximized(bool m) override {
    maximized = m;
    ++maximize_calls;
  }
  bool IsResizable() const override { return resizable; }
  WindowRect Placement() const override { return place; }
  void MoveTo(int32_t x, int32_t y) override {
    place.XPos = x;
    place.YPos = y;
  }
  void SetPlacement(const WindowRect& p) override { place = p; }

  bool maximized = false;
  bool minimized = false;
  bool resizable = true;
  int maximize_calls = 0;
  WindowRect place{5, 6, 300, 200};  // the design place
};

class WindowStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kavo_winstate_XXXXXX";
    dir_ = mkdtemp(pattern);
    ini_ = (dir_ / "kavo.INI").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Ini(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string IniText() {
    std::stringstream s;
    s << std::ifstream(ini_, std::ios::binary).rdbuf();
    return s.str();
  }

  fs::path dir_;
  std::string ini_;
};

TEST(ProfileNumberTest, OnlyPlainIntegersWithinScreenRange) {
  EXPECT_EQ(ProfileNumber("120"), 120);
  EXPECT_EQ(ProfileNumber("  -15 "), -15);
  EXPECT_EQ(ProfileNumber("+7"), 7);
  EXPECT_EQ(ProfileNumber("32767"), 32767);
  EXPECT_EQ(ProfileNumber("-32767"), -32767);
  for (const char* bad : {"", "   ", "abc", "12abc", "1e3", "0x10", "12.5", "+-3", "--1", "40000",
                          "-40000", "2147483648", "99999999999999999999999999"}) {
    EXPECT_EQ(ProfileNumber(bad), 0) << bad;
  }
}

TEST_F(WindowStateTest, FullSectionRestoresPlacementAndMaximizedState) {
  Ini("[Main]\nMaximize=Yes\nXPosit=120\nYPosit=80\nWidth=700\nHeight=500\n");
  FakeWindow w;
  INIRestoreWindow("Main", ini_, w);
  EXPECT_EQ(w.place, (WindowRect{120, 80, 700, 500}));
  EXPECT_TRUE(w.maximized);

  Ini("[Main]\nMaximize=yes\nXPosit=120\nYPosit=80\nWidth=700\nHeight=500\n");
  FakeWindow lower;
  lower.maximized = true;
  INIRestoreWindow("Main", ini_, lower);
  EXPECT_FALSE(lower.maximized);  // only "Yes" maximises
}

TEST_F(WindowStateTest, NoXPositRestoresNothingNotEvenMaximize) {
  for (const char* text : {"", "[Main]\nXPosit=0\nYPosit=5\nMaximize=Yes\n",
                           "[Main]\nYPosit=5\nWidth=10\nHeight=10\nMaximize=Yes\n",
                           "[Other]\nXPosit=3\nYPosit=5\nMaximize=Yes\n"}) {
    Ini(text);
    FakeWindow w;
    INIRestoreWindow("Main", ini_, w);
    EXPECT_EQ(w.place, (WindowRect{5, 6, 300, 200})) << text;
    EXPECT_EQ(w.maximize_calls, 0) << text;
  }
}

TEST_F(WindowStateTest, MissingOrGarbageFileLeavesDesignPlace) {
  FakeWindow none;
  INIRestoreWindow("Main", ini_, none);  // no file at all
  EXPECT_EQ(none.place, (WindowRect{5, 6, 300, 200}));

  std::string garbage;
  for (int i = 0; i < 1000; ++i) garbage.push_back(static_cast<char>(i * 37));
  for (const std::string& text :
       {garbage, std::string("[Main]\nXPosit=abc\nYPosit=1\nMaximize=Yes\n"),
        std::string("[Main]\nXPosit=99999999999999999999\nYPosit=1\nMaximize=Yes\n"),
        std::string("[Main]\nXPosit=2147483647\nYPosit=1\nMaximize=Yes\n")}) {
    Ini(text);
    FakeWindow w;
    INIRestoreWindow("Main", ini_, w);
    EXPECT_EQ(w.place, (WindowRect{5, 6, 300, 200}));
    EXPECT_FALSE(w.maximized);
  }
}

TEST_F(WindowStateTest, UnusableSizeKeepsDesignPlaceButStillAppliesMaximize) {
  for (const char* size : {"Width=0\nHeight=500\n", "Width=700\n", "Width=-700\nHeight=500\n",
                           "Width=70000\nHeight=500\n", "Width=wide\nHeight=500\n"}) {
    Ini(std::string("[Main]\nXPosit=120\nYPosit=80\nMaximize=Yes\n") + size);
    FakeWindow w;
    INIRestoreWindow("Main", ini_, w);
    EXPECT_EQ(w.place, (WindowRect{5, 6, 300, 200})) << size;
    EXPECT_TRUE(w.maximized) << size;
  }
  Ini("[Main]\nXPosit=120\nYPosit=0\nWidth=700\nHeight=500\nMaximize=No\n");
  FakeWindow zero_y;
  zero_y.maximized = true;
  INIRestoreWindow("Main", ini_, zero_y);
  EXPECT_EQ(zero_y.place, (WindowRect{5, 6, 300, 200}));
  EXPECT_FALSE(zero_y.maximized);
}

TEST_F(WindowStateTest, FixedSizeWindowGetsOnlyItsPosition) {
  Ini("[fSETUP]\nXPosit=40\nYPosit=30\nWidth=garbage\nMaximize=No\n");
  FakeWindow w;
  w.resizable = false;
  INIRestoreWindow("fSETUP", ini_, w);
  EXPECT_EQ(w.place, (WindowRect{40, 30, 300, 200}));
}

TEST_F(WindowStateTest, MaximizedWindowKeepsItsPlaceAndTakesTheMaximizeEntry) {
  Ini("[Main]\nXPosit=120\nYPosit=80\nWidth=700\nHeight=500\nMaximize=No\n");
  FakeWindow w;
  w.maximized = true;
  INIRestoreWindow("Main", ini_, w);
  EXPECT_EQ(w.place, (WindowRect{5, 6, 300, 200}));
  EXPECT_FALSE(w.maximized);
}

TEST_F(WindowStateTest, SaveWritesNormalPlacementAndRoundTrips) {
  FakeWindow w;
  w.place = {-20, 40, 640, 480};
  INISaveWindow("BrowseAAAA", ini_, w);
  EXPECT_EQ(IniText(), "[BrowseAAAA]\nMaximize=No\nXPosit=-20\nYPosit=40\nWidth=640\nHeight=480\n");

  w.maximized = true;
  w.place = {10, 20, 800, 600};
  INISaveWindow("BrowseAAAA", ini_, w);
  EXPECT_FALSE(w.maximized);  // un-maximised to read the normal placement
  EXPECT_EQ(GetPrivateProfileString("BrowseAAAA", "Maximize", "", ini_), "Yes");

  FakeWindow back;
  INIRestoreWindow("BrowseAAAA", ini_, back);
  EXPECT_EQ(back.place, (WindowRect{10, 20, 800, 600}));
  EXPECT_TRUE(back.maximized);
}

// A maximised window as a window manager keeps it: it reports the normal
// placement it will return to, but leaving the maximised state takes effect
// later, so right after that it still has its maximised place.
class LateRestoringWindow : public FakeWindow {
 public:
  WindowRect Placement() const override { return maximized ? normal : place; }
  WindowRect normal{150, 90, 700, 500};
};

TEST_F(WindowStateTest, ClosedWhileMaximizedSavesTheNormalPlacement) {
  LateRestoringWindow w;
  w.maximized = true;
  w.place = {0, 0, 1280, 1024};
  INISaveWindow("Main", ini_, w);
  EXPECT_EQ(IniText(), "[Main]\nMaximize=Yes\nXPosit=150\nYPosit=90\nWidth=700\nHeight=500\n");

  FakeWindow back;
  INIRestoreWindow("Main", ini_, back);
  EXPECT_EQ(back.place, (WindowRect{150, 90, 700, 500}));
  EXPECT_TRUE(back.maximized);
}

TEST_F(WindowStateTest, MinimizedWindowWritesNothing) {
  FakeWindow w;
  w.minimized = true;
  INISaveWindow("Main", ini_, w);
  EXPECT_FALSE(fs::exists(ini_));

  Ini("[Main]\nXPosit=1\n");
  INISaveWindow("Main", ini_, w);
  EXPECT_EQ(IniText(), "[Main]\nXPosit=1\n");
}

}  // namespace
}  // namespace kavo
