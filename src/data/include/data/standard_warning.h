// The numbered standard warnings (1 to 38): the message boxes through which
// every procedure reports a data-file failure, asks for a confirmation in a
// form or reports a problem of the text viewer.
//
// BuildErrorText() and BuildStandardWarning() are pure: they turn the error
// state, a warning number and its two texts into the box to show, so that the
// texts can be checked without a screen. StandardWarning() does the rest: it
// quotes the saved error (or else the last error), clears the saved error,
// shows the box through the message-box service and ends the program through
// Halt() where the warning says so.
//
// The saved error is the program-wide SaveErrorCode, SaveError,
// SaveFileErrorCode and SaveFileError (globals.h), shared by all threads:
// RISaveError fills it when an integrity routine fails, and the next warning
// consumes it. Use only the functions below to touch it.
//
// All texts are code page 1251 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/message_box.h"

namespace kavo {

// A copy of the saved error state. 0 and blank mean nothing is saved; the
// texts are held without their trailing blanks.
struct SavedErrorState {
  int SaveErrorCode = 0;
  std::string SaveError;
  int SaveFileErrorCode = 0;
  std::string SaveFileError;
};

// The last error as the error services report it.
struct LastErrorState {
  int code = 0;              // ERRORCODE()
  std::string message;       // ERROR()
  int file_code = 0;         // FILEERRORCODE(): the store's detail of error 90
  std::string file_message;  // FILEERROR()
};

LastErrorState CurrentLastError();

void StoreSavedError(const SavedErrorState& state);
SavedErrorState PeekSavedError();
// Returns the saved state and leaves it empty.
SavedErrorState TakeSavedError();

// `ErrorText`: the saved error when one is saved, else the last error; the
// message (for error 90 the file-system text) followed by the code in
// parentheses, at most 150 characters. *CurrentErrorCode receives the code
// quoted.
std::string BuildErrorText(const SavedErrorState& saved, const LastErrorState& last,
                           int* CurrentErrorCode);

// What happens after the box is closed.
enum class AfterBox {
  kReturnButton,   // the result is the button pressed
  kReturnZero,     // the result is 0 whatever was pressed
  kHalt,           // the program ends with halt_text
  kHaltUnlessYes,  // Yes returns its bit (2); anything else ends the program
};

struct WarningBox {
  MessageBoxRequest box;
  AfterBox after = AfterBox::kReturnButton;
  std::string halt_text;
};

// The box of warning WarningID with the given texts, or nothing for a number
// outside 1..38. Trailing blanks of the texts are not shown.
std::optional<WarningBox> BuildStandardWarning(int WarningID, std::string_view WarningText1,
                                               std::string_view WarningText2,
                                               std::string_view ErrorText, int CurrentErrorCode);

// Shows warning WarningID and returns `ReturnValue`. A number outside the
// table shows nothing and returns 0; the saved error is cleared in any case.
// The halting warnings do not return.
int StandardWarning(int WarningID, std::string_view WarningText1 = {},
                    std::string_view WarningText2 = {});

}  // namespace kavo
