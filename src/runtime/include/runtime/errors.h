// Error codes and their fixed English messages, and the program's last error.
//
// Every failing operation of the record store, the windows and the reports
// leaves a numeric code; each code has one message text. The last error is
// kept once per program (code and a message of at most 79 characters) and is
// read back through ERRORCODE() and ERROR(). Codes without a stored text never
// give an empty message: they fall back to "Unknown Error Posted : <code>".
#pragma once

#include <string>
#include <string_view>

namespace kavo {

// Codes the application tests or shows by number.
namespace err {
inline constexpr int kNone = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kMemoryCorrupted = 7;
inline constexpr int kInsufficientMemory = 8;
inline constexpr int kEntryNotFound = 30;
inline constexpr int kFileLocked = 32;
inline constexpr int kRecordNotAvailable = 33;
inline constexpr int kRecordNotFound = 35;
inline constexpr int kInvalidDataFile = 36;
inline constexpr int kFileNotOpen = 37;
inline constexpr int kInvalidKeyFile = 38;
inline constexpr int kDuplicateKey = 40;
inline constexpr int kRecordHeld = 43;
inline constexpr int kInvalidFilename = 45;
inline constexpr int kKeyMustBeRebuilt = 46;
inline constexpr int kInvalidRecordDeclaration = 47;
inline constexpr int kUnableToLogTransaction = 48;
inline constexpr int kFileAlreadyOpen = 52;
inline constexpr int kNoCreateAttribute = 54;
inline constexpr int kFileMustBeShared = 55;
inline constexpr int kLogoutAlreadyActive = 56;
inline constexpr int kInvalidMemoFile = 57;
inline constexpr int kExclusiveAccessRequired = 63;
inline constexpr int kSharingViolation = 64;
inline constexpr int kUnableToRollback = 65;
inline constexpr int kInvalidFieldType = 75;
inline constexpr int kInvalidIndexString = 76;
inline constexpr int kInvalidParameterCount = 78;
inline constexpr int kUnsupportedDataType = 79;
inline constexpr int kUnsupportedFunction = 80;
inline constexpr int kUnknownError = 81;
inline constexpr int kInvalidKeyLength = 88;
inline constexpr int kRecordChanged = 89;
inline constexpr int kFileSystemError = 90;
inline constexpr int kLogoutNotActive = 91;
inline constexpr int kBuildInProgress = 92;
inline constexpr int kBuildCancelled = 93;
inline constexpr int kOsFileNotFound = 302;
inline constexpr int kOsPathNotFound = 303;
inline constexpr int kOsTooManyOpenFiles = 304;
inline constexpr int kOsAccessDenied = 305;
inline constexpr int kOsInvalidHandle = 306;
inline constexpr int kOsInsufficientMemory = 308;
inline constexpr int kOsNotSameDevice = 317;
inline constexpr int kOsWriteProtect = 319;
inline constexpr int kOsWriteFault = 329;
inline constexpr int kOsReadFault = 330;
inline constexpr int kOsDiskFull = 339;
inline constexpr int kOsFileExists = 380;
inline constexpr int kOsInvalidParameter = 387;
inline constexpr int kOsUnknownError = 391;
inline constexpr int kInvalidExpression = 800;
inline constexpr int kNoBind = 801;
inline constexpr int kMismatchedScope = 802;
}  // namespace err

// The message for a code: code 81's text for 0, the stored text when there is
// one, otherwise "Unknown Error Posted : <code>".
std::string ErrorText(int code);

// Which way a failed native call moved data: an input/output error is a
// write fault or a read fault by it.
enum class OsAccess { kRead, kWrite };

// The code of the 300 range whose text means what the native errno value
// means on this platform (a full disk is 339 "Handle Disk Full", a refused
// permission 305 "Access Denied"); an errno without such a code is 391
// "Unknown Error". The 300-range numbers are not errno plus 300: their texts
// come from another numbering of the same conditions.
int OsErrorCode(int errno_value, OsAccess access = OsAccess::kRead);

// Records code and its message as the last error. Code 0 posts the operating
// system's last error number (errno) as OsErrorCode(errno).
void PostError(int code);

// Records a file-system error (code 90). A non-empty store_text becomes the
// message as it stands; otherwise the message is code 90's text, " : " and
// the detail.
void PostFileSystemError(std::string_view store_text, std::string_view detail = {});

// Records code 0 with an empty message: the last operation succeeded.
void ClearError();

// The last error code, 0 after a successful operation.
int ERRORCODE();

// The message of the last error code (at most 79 characters, leading blanks
// skipped).
std::string ERROR();

// The file-system side of the last error, for error 90 only (0 and empty
// after any other error): the store's detail as a number (its check number;
// 0 when the detail is not a number) and the message posted with it.
int FILEERRORCODE();
std::string FILEERROR();

}  // namespace kavo
