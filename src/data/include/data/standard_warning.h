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

// The numbers of the standard warnings.
namespace warning {
inline constexpr int kInvalidFile = 1;           // ends the program
inline constexpr int kInvalidKey = 2;            // asks to rebuild a key file
inline constexpr int kKeyRebuildError = 3;       // ends the program
inline constexpr int kFileCreationError = 4;     // ends the program
inline constexpr int kCreatedFileOpenError = 5;  // ends the program
inline constexpr int kProcedureNotDefined = 6;
inline constexpr int kKeyedReadError = 7;  // aborts an insert
inline constexpr int kValueNotLower = 8;
inline constexpr int kValueNotHigher = 9;
inline constexpr int kValueNotBetween = 10;
inline constexpr int kValueNotInFile = 11;    // not found in another file
inline constexpr int kReferencedUpdate = 12;  // linking fields restricted
inline constexpr int kReferencedDelete = 13;
inline constexpr int kRecordInsertError = 14;
inline constexpr int kUpdateOperationError = 15;
inline constexpr int kRecordUpdateRetry = 16;  // asks to save again
inline constexpr int kDeleteOperationError = 17;
inline constexpr int kRecordDeleteRetry = 18;  // asks to delete again
inline constexpr int kInsertNotAllowed = 19;
inline constexpr int kChangeNotAllowed = 20;
inline constexpr int kDeleteNotAllowed = 21;
inline constexpr int kFileCreationNotAllowed = 22;  // ends the program
inline constexpr int kConfirmLeave = 23;            // without saving
inline constexpr int kDuplicateKey = 24;
inline constexpr int kAutoIncrementError = 25;
inline constexpr int kFileLoadError = 26;
inline constexpr int kConfirmStopLoading = 27;
inline constexpr int kFileHasNoText = 28;
inline constexpr int kEndOfViewedFile = 29;  // or its beginning
inline constexpr int kFileAccessError = 30;
inline constexpr int kProcessError = 31;  // PUT or DELETE of a process
inline constexpr int kConfirmDelete = 32;
inline constexpr int kConfirmSave = 33;
inline constexpr int kTransactionFramingError = 34;
inline constexpr int kRecordRetrievalError = 35;
inline constexpr int kViewOpenError = 36;
inline constexpr int kRecordAdded = 37;             // asks to go on adding
inline constexpr int kRecordChangedElsewhere = 38;  // by another station
}  // namespace warning

// An error as the error services report it: the last error, or a copy of
// the saved one (SaveErrorCode, SaveError, SaveFileErrorCode, SaveFileError),
// where 0 and blank mean nothing is saved and the texts are held without their
// trailing blanks.
struct ErrorState {
  int code = 0;              // ERRORCODE()
  std::string message;       // ERROR()
  int file_code = 0;         // FILEERRORCODE(): the store's detail of error 90
  std::string file_message;  // FILEERROR()
};

ErrorState CurrentLastError();

void StoreSavedError(const ErrorState& state);
ErrorState PeekSavedError();
// Returns the saved state and leaves it empty.
ErrorState TakeSavedError();

// `ErrorText`: the saved error when one is saved, else the last error; the
// message (for error 90 the file-system text) followed by the code in
// parentheses, at most 150 characters. *CurrentErrorCode receives the code
// quoted.
std::string BuildErrorText(const ErrorState& saved, const ErrorState& last, int* CurrentErrorCode);

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
