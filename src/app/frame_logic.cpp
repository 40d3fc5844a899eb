#include "app/frame_logic.h"

#include <algorithm>

#include "data/globals.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

std::string ThroughPicture(std::string_view picture_text, int32_t value) {
  Picture picture;
  if (!Picture::Compile(picture_text, &picture).ok) return {};
  return picture.FormatNumber(value);
}

}  // namespace

std::string_view DayName(int32_t day) {
  int32_t weekday = ((day % 7) + 7) % 7;
  std::string_view name = DisplayDayString.substr(static_cast<std::size_t>(weekday) * 9, 9);
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

std::string StatusDayText(int32_t today) {
  return std::string(DayName(today)) + ", " + ThroughPicture("@D8", today);
}

std::string StatusTimeText(int32_t clock) {
  return ThroughPicture("@T4", clock);
}

int32_t FrameTimerPeriod(int32_t period) {
  return period >= 1 && period <= 100 ? period : 100;
}

std::vector<IconSlot> ArrangeIconSlots(int count, int32_t icon_width, int32_t icon_height,
                                       int32_t area_width, int32_t area_height) {
  std::vector<IconSlot> places;
  if (count <= 0) return places;
  int32_t per_row = icon_width > 0 ? std::max<int32_t>(1, area_width / icon_width) : 1;
  for (int i = 0; i < count; ++i) {
    int32_t row = i / per_row;
    int32_t column = i % per_row;
    places.push_back({column * icon_width, area_height - (row + 1) * icon_height});
  }
  return places;
}

void MainLogic::Open() {
  *this = MainLogic();
  LocalRequest_ = GlobalRequest;
  OriginalRequest_ = LocalRequest_;
  LocalResponse_ = kRequestCancelled;
  GlobalRequest = 0;
  GlobalResponse = 0;
}

void MainLogic::WindowOpened(int32_t splash_thread) {
  SplashProcedureThread_ = splash_thread;
}

bool MainLogic::ControlAccepted() {
  if (SplashProcedureThread_ == 0) return false;
  SplashProcedureThread_ = 0;
  return true;
}

void MainLogic::Close() {
  GlobalResponse = LocalResponse_ == 0 ? kRequestCancelled : LocalResponse_;
}

}  // namespace kavo
