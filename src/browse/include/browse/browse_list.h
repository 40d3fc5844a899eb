// What the browse engine needs from the screen: the list control that shows
// its page, the window around it (buttons, locator entry fields, the close
// request) and the frame's navigation toolbar. The Qt window implements them
// over widgets; tests implement them with scripted objects that record what
// the engine did and queue what it posted.
//
// Posting: an event posted to a control is delivered later, after the
// routine that posted it has returned, in posting order. The engine relies on
// that (a new selection is served once, after the page has settled).
//
// Threading: the engine and these objects live on one thread (the window's).
#pragma once

#include <cstdint>
#include <string_view>

namespace kavo {

// Events posted to and received from the list control.
namespace browse_event {
inline constexpr int32_t kAccepted = 1;
inline constexpr int32_t kNewSelection = 2;
inline constexpr int32_t kScrollUp = 3;
inline constexpr int32_t kScrollDown = 4;
inline constexpr int32_t kPageUp = 5;
inline constexpr int32_t kPageDown = 6;
inline constexpr int32_t kScrollTop = 7;
inline constexpr int32_t kScrollBottom = 8;
inline constexpr int32_t kLocate = 9;
inline constexpr int32_t kAlertKey = 15;
inline constexpr int32_t kPreAlertKey = 16;
inline constexpr int32_t kScrollDrag = 20;
inline constexpr int32_t kCloseWindow = 0x201;
}  // namespace browse_event

// Key codes the list reacts to.
namespace browse_key {
inline constexpr int32_t kMouseRight = 2;
inline constexpr int32_t kMouseLeft2 = 5;  // double click
inline constexpr int32_t kBSKey = 8;
inline constexpr int32_t kSpaceKey = 32;
inline constexpr int32_t kInsertKey = 45;
inline constexpr int32_t kDeleteKey = 46;
inline constexpr int32_t kCtrlEnter = 525;
}  // namespace browse_key

// The frame's navigation toolbar commands.
namespace browse_toolbar {
inline constexpr int32_t kInsert = 2000;
inline constexpr int32_t kChange = 2001;
inline constexpr int32_t kDelete = 2002;
inline constexpr int32_t kSelect = 2003;
inline constexpr int32_t kBottom = 2004;
inline constexpr int32_t kTop = 2005;
inline constexpr int32_t kPageDown = 2006;
inline constexpr int32_t kPageUp = 2007;
inline constexpr int32_t kDown = 2008;
inline constexpr int32_t kUp = 2009;
inline constexpr int32_t kLocate = 2010;
inline constexpr int32_t kHistory = 2011;
inline constexpr int32_t kHelp = 2012;
inline constexpr int32_t kFirst = kInsert;
inline constexpr int32_t kLast = kHelp;
}  // namespace browse_toolbar

// An event delivered to the engine from its list: the event code and, for
// key events and new selections caused by a mouse button, the key code and
// the character the key yields (0 when none).
struct ListEvent {
  int32_t event = 0;
  int32_t keycode = 0;
  char character = 0;
};

class BrowseList {
 public:
  virtual ~BrowseList() = default;
  // Rows the list shows; the page never holds more.
  virtual int32_t VisibleRows() const = 0;
  // Selected row of the page, 1-based; 0 when none.
  virtual int32_t Selection() const = 0;
  virtual void SetSelection(int32_t row) = 0;
  // Vertical thumb, 0..100.
  virtual int32_t Thumb() const = 0;
  virtual void SetThumb(int32_t position) = 0;
  virtual void ShowScrollBar(bool shown) = 0;
  virtual void PostEvent(int32_t event) = 0;
  // Shows a right-click menu: entries separated by "|", a leading "~"
  // marks an entry disabled, "-" a separator. Returns the 1-based number
  // of the entry chosen (separators count), 0 when none.
  virtual int32_t PopupMenu(std::string_view text) = 0;
  // The page queue changed; the list redraws it.
  virtual void PageChanged() = 0;
};

class BrowseWindow {
 public:
  virtual ~BrowseWindow() = default;
  virtual void PostAccepted(int32_t control) = 0;
  // The window's close request (event 0x201).
  virtual void PostCloseRequest() = 0;
  virtual void EnableControl(int32_t control, bool enabled) = 0;
  virtual void FocusControl(int32_t control) = 0;
  // Moves the focus to an entry field and types the character into it.
  virtual void TypeInto(int32_t control, char character) = 0;
  // The selected tab of the window's tab control (its choice number), 0
  // without one.
  virtual int32_t SelectedTab() const = 0;
  virtual void SetWaitCursor(bool wait) = 0;
  // The record buffer or the locator texts changed: show them.
  virtual void Redisplay() = 0;
};

class BrowseToolbar {
 public:
  virtual ~BrowseToolbar() = default;
  virtual void EnableCommand(int32_t command, bool enabled) = 0;
  virtual void SetToolTip(int32_t command, std::string_view text) = 0;
  // Presses the help key (F1).
  virtual void PressHelp() = 0;
};

}  // namespace kavo
