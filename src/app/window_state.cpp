#include "app/window_state.h"

#include <charconv>

#include "app/private_profile.h"

namespace kavo {
namespace {

int32_t ReadNumber(std::string_view section, std::string_view entry, const std::string& file) {
  return ProfileNumber(GetPrivateProfileString(section, entry, "", file));
}

void WriteNumber(std::string_view section, std::string_view entry, int32_t value,
                 const std::string& file) {
  WritePrivateProfileString(section, entry, std::to_string(value), file);
}

}  // namespace

int32_t ProfileNumber(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return 0;
  std::size_t end = text.find_last_not_of(" \t");
  text = text.substr(begin, end - begin + 1);
  if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9') text.remove_prefix(1);
  int64_t value = 0;
  // Long digit strings overflow int64 and are reported as out of range.
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return 0;
  if (value > kMaxCoordinate || value < -kMaxCoordinate) return 0;
  return static_cast<int32_t>(value);
}

void INIRestoreWindow(std::string_view ProcedureName, const std::string& IniFileName,
                      PlacedWindow& window) {
  if (ReadNumber(ProcedureName, "XPosit", IniFileName) == 0) return;
  if (!window.IsMaximized()) {
    int32_t x = ReadNumber(ProcedureName, "XPosit", IniFileName);
    int32_t y = ReadNumber(ProcedureName, "YPosit", IniFileName);
    if (x != 0 && y != 0) {
      if (window.IsResizable()) {
        int32_t width = ReadNumber(ProcedureName, "Width", IniFileName);
        int32_t height = ReadNumber(ProcedureName, "Height", IniFileName);
        // A negative size is as unusable as a missing one.
        if (width > 0 && height > 0) window.SetPlacement({x, y, width, height});
      } else {
        window.MoveTo(x, y);
      }
    }
  }
  window.SetMaximized(GetPrivateProfileString(ProcedureName, "Maximize", "", IniFileName) == "Yes");
}

void INISaveWindow(std::string_view ProcedureName, const std::string& IniFileName,
                   PlacedWindow& window) {
  const char* maximized = window.IsMaximized() ? "Yes" : "No";
  // The normal placement is taken before the window leaves the maximised
  // state: the window manager restores it later, and until then the window
  // still has its maximised place and size.
  WindowRect r = window.Placement();
  window.SetMaximized(false);
  if (window.IsMinimized()) return;
  WritePrivateProfileString(ProcedureName, "Maximize", maximized, IniFileName);
  WriteNumber(ProcedureName, "XPosit", r.XPos, IniFileName);
  WriteNumber(ProcedureName, "YPosit", r.YPos, IniFileName);
  WriteNumber(ProcedureName, "Width", r.Width, IniFileName);
  WriteNumber(ProcedureName, "Height", r.Height, IniFileName);
}

}  // namespace kavo
