// What the main frame does, apart from drawing it: its start and end, the
// status-bar texts, the timer period and the life of the splash window.
//
// MainLogic holds the locals of `Main`; the window class calls it on each
// event and does only what it answers. Nothing here touches a screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavo {

// Seven day names of nine characters each, Sunday first.
inline constexpr std::string_view DisplayDayString =
    "Sunday   Monday   Tuesday  WednesdayThursday Friday   Saturday ";

// The day name of a day number without its padding; day numbers divisible
// by 7 are Sundays, negative ones included.
std::string_view DayName(int32_t day);

// Status zone 3: "<day name>, <date through @D8>".
std::string StatusDayText(int32_t today);
// Status zone 4: the time through @T4.
std::string StatusTimeText(int32_t clock);

// The timer period in hundredths of a second: 1..100 stays, anything else
// becomes 100.
int32_t FrameTimerPeriod(int32_t period);

struct IconSlot {
  int32_t x = 0;
  int32_t y = 0;
};

// Where "arrange icons" puts count minimised windows of the given size: rows
// from the bottom-left corner of the area upwards, as many per row as fit
// (at least one).
std::vector<IconSlot> ArrangeIconSlots(int count, int32_t icon_width, int32_t icon_height,
                                       int32_t area_width, int32_t area_height);

class MainLogic {
 public:
  // The frame's first act on opening: takes over the request and clears the
  // program-wide request and response.
  void Open();
  // The frame's window is open; splash_thread is the splash window's number.
  void WindowOpened(int32_t splash_thread);
  // A control was accepted. True when the splash must be told to close now.
  bool ControlAccepted();
  // The frame is closing: sets GlobalResponse from LocalResponse.
  void Close();

  int32_t SplashProcedureThread() const { return SplashProcedureThread_; }
  int32_t LocalRequest() const { return LocalRequest_; }
  int32_t OriginalRequest() const { return OriginalRequest_; }

 private:
  int32_t LocalRequest_ = 0;
  int32_t OriginalRequest_ = 0;
  int32_t LocalResponse_ = 0;
  int32_t SplashProcedureThread_ = 0;
};

}  // namespace kavo
