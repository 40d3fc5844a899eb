#include "data/standard_warning.h"

#include <mutex>

#include "data/globals.h"
#include "runtime/chartab.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/halt.h"

namespace kavo {
namespace {

constexpr std::size_t kErrorTextSize = 150;

std::string_view Clip(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

std::string Ru(std::string_view utf8) {
  return Cp1251FromUtf8(utf8);
}

// The saved state lives in the program-wide variables; every access goes
// through here, so one lock keeps a thread from reading half of a state that
// another thread is saving.
std::mutex& SavedErrorMutex() {
  static std::mutex mutex;
  return mutex;
}

ErrorState ReadSaved() {
  ErrorState state;
  state.code = SaveErrorCode.load();
  state.message = SaveError.Trimmed();
  state.file_code = SaveFileErrorCode.load();
  state.file_message = SaveFileError.Trimmed();
  return state;
}

void WriteSaved(const ErrorState& state) {
  SaveErrorCode.store(state.code);
  SaveError.Set(state.message);
  SaveFileErrorCode.store(state.file_code);
  SaveFileError.Set(state.file_message);
}

// Concatenates its pieces into a message.
template <typename... Pieces>
std::string Cat(const Pieces&... pieces) {
  std::string out;
  (out.append(pieces), ...);
  return out;
}

WarningBox Box(std::string_view title, std::string text,
               MessageIcon icon = MessageIcon::kInformation, int buttons = button::kOk,
               int default_button = button::kOk) {
  WarningBox w;
  w.box.title = std::string(title);
  w.box.text = std::move(text);
  w.box.icon = icon;
  w.box.buttons = buttons;
  w.box.default_button = default_button;
  return w;
}

WarningBox Halting(WarningBox w, std::string_view halt_text) {
  w.after = AfterBox::kHalt;
  w.halt_text = std::string(halt_text);
  return w;
}

WarningBox ReturningZero(WarningBox w) {
  w.after = AfterBox::kReturnZero;
  return w;
}

constexpr int kYesNo = button::kYes | button::kNo;
constexpr int kYesNoCancel = button::kYes | button::kNo | button::kCancel;
constexpr MessageIcon kInfo = MessageIcon::kInformation;
constexpr MessageIcon kExcl = MessageIcon::kExclamation;
constexpr const char* kEndApp = ".  Press OK to end this application.";

}  // namespace

ErrorState CurrentLastError() {
  ErrorState last;
  last.code = ERRORCODE();
  last.message = ERROR();
  last.file_code = FILEERRORCODE();
  last.file_message = FILEERROR();
  return last;
}

void StoreSavedError(const ErrorState& state) {
  std::lock_guard<std::mutex> lock(SavedErrorMutex());
  WriteSaved(state);
}

ErrorState PeekSavedError() {
  std::lock_guard<std::mutex> lock(SavedErrorMutex());
  return ReadSaved();
}

ErrorState TakeSavedError() {
  std::lock_guard<std::mutex> lock(SavedErrorMutex());
  ErrorState taken = ReadSaved();
  WriteSaved(ErrorState{});
  return taken;
}

std::string BuildErrorText(const ErrorState& saved, const ErrorState& last, int* CurrentErrorCode) {
  // The code quoted is the saved one whenever one is saved, also for error
  // 90: warning 15 decides by it whether the failure was a change by another
  // station.
  const ErrorState& quoted = saved.code != 0 ? saved : last;
  *CurrentErrorCode = quoted.code;
  std::string text;
  if (quoted.code == err::kFileSystemError) {
    text = Cat(Clip(quoted.file_message), std::string(" ("), std::to_string(quoted.file_code),
               std::string(")"));
  } else {
    text =
        Cat(Clip(quoted.message), std::string(" ("), std::to_string(quoted.code), std::string(")"));
  }
  if (text.size() > kErrorTextSize) text.resize(kErrorTextSize);
  return text;
}

std::optional<WarningBox> BuildStandardWarning(int WarningID, std::string_view WarningText1,
                                               std::string_view WarningText2,
                                               std::string_view ErrorText, int CurrentErrorCode) {
  const std::string T1(Clip(WarningText1));
  const std::string T2(Clip(WarningText2));
  const std::string E(Clip(ErrorText));
  switch (WarningID) {
    case warning::kInvalidFile:
      return Halting(
          Box("Invalid File", Cat(std::string("Error: ("), E, std::string(") accessing "), T1,
                                  std::string(kEndApp))),
          "Invalid File!");
    case warning::kInvalidKey: {
      WarningBox w =
          Box("Invalid Key",
              Cat(T1, std::string(" key file is invalid.  Do you want to rebuild the key?")), kExcl,
              kYesNo, button::kYes);
      w.after = AfterBox::kHaltUnlessYes;
      w.halt_text = "Invalid Key!";
      return w;
    }
    case warning::kKeyRebuildError:
      return Halting(Box("Key Rebuild Error",
                         Cat(std::string("Error: ("), E, std::string(") repairing key for "), T1,
                             std::string(kEndApp))),
                     "Error Rebuilding Key!");
    case warning::kFileCreationError:
      return Halting(
          Box("File Creation Error", Cat(std::string("Error: ("), E, std::string(") creating "), T1,
                                         std::string(kEndApp))),
          "File Creation Error!");
    case warning::kCreatedFileOpenError:
      return Halting(Box("File Creation Error",
                         Cat(std::string("Error: ("), E, std::string(") opening created file:"), T1,
                             std::string(kEndApp))),
                     "File Creation Error!");
    case warning::kProcedureNotDefined:
      return Box(Ru("Процедура не определена"),
                 Cat(Ru("Процедура "), T1, Ru(" еще не определена.")));
    case warning::kKeyedReadError: {
      WarningBox w = Box("", Cat(std::string("Unable to read keyed record.  Error: "), E,
                                 std::string(".  Insert Aborted")));
      w.box.default_button = 0;
      return w;
    }
    case warning::kValueNotLower:
      return Box("Range Error", Cat(std::string("The value of "), T1,
                                    std::string(" must be lower than "), T2, std::string(".")));
    case warning::kValueNotHigher:
      return Box("Range Error", Cat(std::string("The value of "), T1,
                                    std::string(" must be higher than "), T2, std::string(".")));
    case warning::kValueNotBetween:
      return Box(Ru("Ошибка диапазона"),
                 Cat(Ru("Значение "), T1, Ru(" должно быть между "), T2, std::string(".")));
    case warning::kValueNotInFile:
      return Box("Field Contents Error",
                 Cat(std::string("The value for "), T1, std::string(" must be found in the "), T2,
                     std::string(" file.")));
    case warning::kReferencedUpdate:
      return Box("Referential Integrity Update Error",
                 Cat(std::string("This record is referenced from the file "), T1,
                     std::string(".  Linking field(s) have been restricted from change and have "
                                 "been reset to original values.")));
    case warning::kReferencedDelete:
      return Box(
          "Referential Integrity Delete Error",
          Cat(std::string("This record is referenced from the file "), T1,
              std::string(".  This record cannot be deleted while these references exist.")));
    case warning::kRecordInsertError:
      return Box("Record Insert Error",
                 Cat(std::string("An error was experienced during the update of record.  Error: "),
                     E, std::string(".")));
    case warning::kUpdateOperationError:
      if (CurrentErrorCode == 0 || CurrentErrorCode == err::kRecordChanged) {
        return Box("Update Operation Error", Ru("Запись изменена другим пользователем."));
      }
      return Box("Update Operation Error",
                 Cat(std::string("An error ("), E,
                     std::string(") was experienced when attempting to update a record from the "
                                 "file.  Probable Cause: "),
                     T1, std::string(".")));
    case warning::kRecordUpdateRetry:
      return Box("Record Update Error",
                 "An error was experienced changing this record.  Do you want to try to save "
                 "again?",
                 kInfo, kYesNoCancel, button::kCancel);
    case warning::kDeleteOperationError:
      return Box("Delete Operation Error",
                 Cat(std::string("An error ("), E,
                     std::string(") was experienced when attempting to delete a record from the "
                                 "file "),
                     T1, std::string(".")));
    case warning::kRecordDeleteRetry:
      return Box("Record Update Error",
                 "An error was experienced deleting this record.  Do you want to try to save "
                 "again?",
                 kInfo, kYesNoCancel, button::kCancel);
    case warning::kInsertNotAllowed:
      return Box(Ru("Ошибочный запрос"),
                 Ru("Вставка новой записи запрещена.   Нажмите OK для возврата"));
    case warning::kChangeNotAllowed:
      return Box(Ru("Ошибочный запрос"),
                 Ru("Изменение записи запрещено.   Нажмите OK для возврата"));
    case warning::kDeleteNotAllowed:
      return Box(Ru("Ошибочный запрос"),
                 Ru("Удаление записи запрещено.   Нажмите OK для возврата"));
    case warning::kFileCreationNotAllowed:
      return Halting(Box("File Creation Not Allowed",
                         Cat(std::string("The File "), T1,
                             std::string("was not found, and creation of the file is not allowed"),
                             std::string(kEndApp))),
                     "File Creation Error!");
    case warning::kConfirmLeave:
      return Box(Ru("Отмена изменений"), Ru("Вы уверены, что хотите выйти?"), kExcl, kYesNo,
                 button::kNo);
    case warning::kDuplicateKey:
      return Box("Duplicate Key Error",
                 Cat(std::string("Adding this record creates a duplicate entry for the key:"), T1));
    case warning::kAutoIncrementError:
      return Box("Auto Increment Error",
                 Cat(std::string("Attempts to automatically number this record have failed.  "
                                 "Error: "),
                     E, std::string(".")),
                 kInfo, button::kRetry | button::kCancel, button::kCancel);
    case warning::kFileLoadError:
      return Box("File Load Error",
                 Cat(T1, std::string(" File Load Error.  Error: "), E, std::string(".")));
    case warning::kConfirmStopLoading:
      return Box(
          "Cancel Request",
          Cat(std::string("Are you certain you want to stop loading "), T1, std::string("?")),
          kExcl, button::kOk | button::kCancel, button::kCancel);
    case warning::kFileHasNoText:
      return Box(
          "File Load Error",
          Cat(T1, std::string(" File Load Error.  The file you've requested contains no text.")));
    case warning::kEndOfViewedFile:
      if (T1 == "Down") {
        return Box("End of File Error",
                   "The end of the viewed file was encountered.  Do you want to start again from "
                   "the beginning?",
                   kExcl, kYesNo, button::kYes);
      }
      return Box("Beginning of File Error",
                 "The beginning of the viewed file was encountered.  Do you want to start again "
                 "from the end of the file?",
                 kExcl, kYesNo, button::kYes);
    case warning::kFileAccessError:
      return Box("File Access Error",
                 Cat(std::string("File ("), T1, std::string(") could not be opened.  Error: "), E,
                     std::string(".")));
    case warning::kProcessError:
      if (T1 == "Put") {
        return Box("Process PUT Error",
                   Cat(std::string("An error was experienced when making changes to the "), T2,
                       std::string(" file.  Error: "), E));
      }
      return Box("Process DELETE Error",
                 Cat(std::string("An error was experienced when deleting a record from the "), T2,
                     std::string(" file.  Error: "), E));
    case warning::kConfirmDelete:
      return Box("Confirm Delete",
                 Ru("Вы удаляете выбранную запись.  Нажмите OK для подтверждения."), kExcl,
                 button::kOk | button::kCancel, button::kCancel);
    case warning::kConfirmSave:
      return Box(Ru("Отмена изменений"), Ru("Вы хотите сохранить изменения?"), kExcl, kYesNoCancel,
                 button::kNo);
    case warning::kTransactionFramingError:
      return ReturningZero(
          Box("Transaction Framing Error",
              Cat(std::string("Error: ("), E, std::string(") attempting to frame the "), Lower(T1),
                  std::string(" transaction on "), T2, std::string(".  "), T1,
                  std::string(" transaction cancelled."))));
    case warning::kRecordRetrievalError:
      return ReturningZero(Box(
          "Record Retrieval Error",
          Cat(std::string("Error: ("), E, std::string(") attempting to access a record from the "),
              T1, std::string(" file.  Returning to previous window."))));
    case warning::kViewOpenError:
      return ReturningZero(
          Box("View Open Error", Cat(std::string("Error: ("), E,
                                     std::string(") attempting to open the current VIEW. Filter "
                                                 "and Range Limits ignored."))));
    case warning::kRecordAdded:
      return Box("Record Added", Ru("Запись успешно добавлена. Вы хотите продолжить добавление?"),
                 kExcl, kYesNo, button::kYes);
    case warning::kRecordChangedElsewhere:
      return Box("Record Was Not Updated",
                 Cat(Ru("Запись изменена другим пользователем."),
                     std::string(" Those changes will now be displayed. Use the Ditto Button or "
                                 "Ctrl+' to recall your changes.")));
    default:
      return std::nullopt;
  }
}

int StandardWarning(int WarningID, std::string_view WarningText1, std::string_view WarningText2) {
  int CurrentErrorCode = 0;
  const std::string ErrorText =
      BuildErrorText(TakeSavedError(), CurrentLastError(), &CurrentErrorCode);
  std::optional<WarningBox> warning =
      BuildStandardWarning(WarningID, WarningText1, WarningText2, ErrorText, CurrentErrorCode);
  if (!warning) return 0;
  const int pressed = CurrentMessageBoxService().Show(warning->box);
  switch (warning->after) {
    case AfterBox::kReturnButton:
      return pressed;
    case AfterBox::kReturnZero:
      return 0;
    case AfterBox::kHalt:
      Halt(warning->halt_text);
    case AfterBox::kHaltUnlessYes:
      if (pressed != button::kYes) Halt(warning->halt_text);
      return pressed;
  }
  return 0;
}

}  // namespace kavo
