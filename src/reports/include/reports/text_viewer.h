// The text viewer procedures `dxinfo` and `spravka` without a screen: which
// file to show, loading it into the line queue `QUEUE:ASCII` in slices with
// the progress texts and the warnings of a failed or cancelled load, the
// search settings and the state of the repeat button.
//
// Both procedures are this one class; TextViewerKind says which file is
// shown and how progress reads. The file name is the program-wide
// ASCIIFileName (code page 1251); `spravka` sets it to the read-me file so a
// later `dxinfo` whose file dialog is cancelled shows that.
//
// Warnings go through the message-box service. Not thread-safe: one viewer
// window, one thread; ASCIIFileName is read and written only when a viewer
// starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/text_file_load.h"
#include "reports/text_search.h"

namespace kavo::reports {

enum class TextViewerKind { kDxinfo, kSpravka };

// The read-me file of `spravka`, in the working directory.
inline constexpr char kReadmeFile[] = "readme.txt";
// Where the file dialog of `dxinfo` starts, under the working directory.
inline constexpr char kDxDirectory[] = "dx425";

class TextViewerLogic {
 public:
  enum class LoadStart { kLoading, kNoFile, kCannotOpen, kEmpty };

  // For `spravka` the read-me file becomes ASCIIFileName at once.
  explicit TextViewerLogic(TextViewerKind kind);

  TextViewerKind kind() const { return kind_; }

  // `dxinfo`: the file picked in the file dialog (code page 1251; a name
  // relative to the working directory or a full one). A name that does not
  // fit ASCIIFileName is still shown in this window.
  void ChooseFile(const std::string& name);

  // The file to show: ASCIIFileName for `dxinfo`, the read-me file for
  // `spravka`, without trailing blanks.
  std::string FileToShow() const;
  // True when the queue does not hold the file to show yet (the refresh
  // runs StartLoad() then).
  bool NeedsLoad() const { return FileToShow() != CurrentFileName_; }

  // Empties the queue and opens the file to show. kLoading: call
  // LoadSlice() on each timer event until it reports the end, then
  // EndLoad(). Otherwise the warning (26 or 28) has been shown and the
  // list is disabled.
  LoadStart StartLoad();
  // One timer event's slice. percent_changed: ProgressText() and percent()
  // are new. A read error ends the load with warning 26.
  TextFileLoad::Slice LoadSlice();
  // The Cancel button of the progress window: warning 27; true when the
  // user confirmed, and the load has then ended with the lines read so far.
  bool ConfirmCancel();
  // Closes the file after the last slice or a confirmed cancel.
  void EndLoad();

  // "0% Completed" at start, then the percentage; `spravka` adds the bytes
  // read.
  std::string ProgressText() const;
  // ASCIIPercentProgress, 0..100.
  int32_t percent() const { return load_.ASCIIPercentProgress(); }

  const std::vector<std::string>& lines() const { return lines_; }
  bool list_enabled() const { return list_enabled_; }

  // The search window's settings, kept for the life of the window.
  TextSearch& search() { return search_; }
  // "Find" in the search window (enables the repeat button) and the repeat
  // button: the line found from highlighted, 0 for none.
  int32_t Find(int32_t highlighted, const WrapQuestion& ask_wrap);
  // "Cancel" in the search window.
  void CancelSearch() { repeat_enabled_ = false; }
  bool repeat_enabled() const { return repeat_enabled_; }

 private:
  TextViewerKind kind_;
  std::string chosen_;  // dxinfo: a chosen name too long for ASCIIFileName
  std::string CurrentFileName_;
  std::vector<std::string> lines_;
  TextFileLoad load_;
  bool list_enabled_ = false;
  bool repeat_enabled_ = false;
  TextSearch search_;
};

}  // namespace kavo::reports
