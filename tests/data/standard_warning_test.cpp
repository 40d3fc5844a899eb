#include "data/standard_warning.h"

#include <string>

#include <gtest/gtest.h>

#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"

namespace kavo {
namespace {

std::string Ru(std::string_view utf8) {
  return Cp1251FromUtf8(utf8);
}

WarningBox Build(int id, std::string_view t1 = {}, std::string_view t2 = {},
                 std::string_view e = "E (1)", int code = 1) {
  std::optional<WarningBox> w = BuildStandardWarning(id, t1, t2, e, code);
  EXPECT_TRUE(w.has_value()) << id;
  return w.value_or(WarningBox{});
}

ErrorState Saved(int code, std::string text, int file_code = 0, std::string file_text = {}) {
  ErrorState s;
  s.code = code;
  s.message = std::move(text);
  s.file_code = file_code;
  s.file_message = std::move(file_text);
  return s;
}

TEST(ErrorText, SavedErrorWinsOverTheLastOne) {
  ErrorState last{33, "Record Not Available", 0, ""};
  int code = -1;
  EXPECT_EQ(BuildErrorText(Saved(40, "Creates Duplicate Key   "), last, &code),
            "Creates Duplicate Key (40)");
  EXPECT_EQ(code, 40);
  EXPECT_EQ(BuildErrorText(ErrorState{}, last, &code), "Record Not Available (33)");
  EXPECT_EQ(code, 33);
}

TEST(ErrorText, FileSystemErrorQuotesTheStoreTextAndDetail) {
  int code = 0;
  EXPECT_EQ(BuildErrorText(Saved(90, "File System Error", 9102, "AAAA.VTF  "), {}, &code),
            "AAAA.VTF (9102)");
  EXPECT_EQ(code, 90);
  ErrorState last{90, "DXCC.VTF", 4711, "DXCC.VTF"};
  EXPECT_EQ(BuildErrorText(ErrorState{}, last, &code), "DXCC.VTF (4711)");
}

TEST(ErrorText, NoErrorAndNegativeCodes) {
  int code = 5;
  EXPECT_EQ(BuildErrorText({}, ErrorState{}, &code), " (0)");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(BuildErrorText({}, ErrorState{-3, "x", 0, ""}, &code), "x (-3)");
}

TEST(ErrorText, CutTo150Characters) {
  int code = 0;
  const std::string text = BuildErrorText(Saved(2, std::string(200, 'a')), {}, &code);
  EXPECT_EQ(text, std::string(150, 'a'));
  const std::string fits = BuildErrorText(Saved(2, std::string(146, 'b')), {}, &code);
  EXPECT_EQ(fits, std::string(146, 'b') + " (2)");
  EXPECT_EQ(BuildErrorText(Saved(2, std::string(147, 'b')), {}, &code).size(), 150u);
}

TEST(ErrorText, TakenFromTheErrorServicesWhenNothingIsSaved) {
  PostError(err::kRecordNotAvailable);
  EXPECT_EQ(CurrentLastError().code, 33);
  EXPECT_EQ(CurrentLastError().message, "Record Not Available");
  PostFileSystemError("AAAA.VTF", "9101");
  ErrorState last = CurrentLastError();
  EXPECT_EQ(last.code, 90);
  EXPECT_EQ(last.file_code, 9101);
  EXPECT_EQ(last.file_message, "AAAA.VTF");
  PostFileSystemError({}, "check 7");
  EXPECT_EQ(CurrentLastError().file_code, 0);  // a detail that is no number
  EXPECT_EQ(CurrentLastError().file_message, "File System Error : check 7");
  PostError(err::kAccessDenied);
  EXPECT_EQ(CurrentLastError().file_code, 0);
  EXPECT_EQ(CurrentLastError().file_message, "");
  ClearError();
}

TEST(Warnings, OpeningWarningsEndTheProgram) {
  WarningBox w = Build(1, "AAAA.VTF   ", {}, "Access Denied (5)");
  EXPECT_EQ(w.box.title, "Invalid File");
  EXPECT_EQ(w.box.text,
            "Error: (Access Denied (5)) accessing AAAA.VTF.  Press OK to end this application.");
  EXPECT_EQ(w.box.icon, MessageIcon::kInformation);
  EXPECT_EQ(w.box.buttons, button::kOk);
  EXPECT_EQ(w.box.default_button, button::kOk);
  EXPECT_EQ(w.after, AfterBox::kHalt);
  EXPECT_EQ(w.halt_text, "Invalid File!");

  w = Build(2, "DXCC.VTF");
  EXPECT_EQ(w.box.title, "Invalid Key");
  EXPECT_EQ(w.box.text, "DXCC.VTF key file is invalid.  Do you want to rebuild the key?");
  EXPECT_EQ(w.box.icon, MessageIcon::kExclamation);
  EXPECT_EQ(w.box.buttons, button::kYes | button::kNo);
  EXPECT_EQ(w.box.default_button, button::kYes);
  EXPECT_EQ(w.after, AfterBox::kHaltUnlessYes);
  EXPECT_EQ(w.halt_text, "Invalid Key!");

  w = Build(3, "X", {}, "E (9)");
  EXPECT_EQ(w.box.text, "Error: (E (9)) repairing key for X.  Press OK to end this application.");
  EXPECT_EQ(w.halt_text, "Error Rebuilding Key!");
  w = Build(4, "SETUP.VTF", {}, "File Not Found (2)");
  EXPECT_EQ(w.box.title, "File Creation Error");
  EXPECT_EQ(w.box.text,
            "Error: (File Not Found (2)) creating SETUP.VTF.  Press OK to end this application.");
  EXPECT_EQ(w.halt_text, "File Creation Error!");
  w = Build(5, "IOTA.VTF", {}, "E (1)");
  EXPECT_EQ(w.box.text,
            "Error: (E (1)) opening created file:IOTA.VTF.  Press OK to end this application.");
  EXPECT_EQ(w.halt_text, "File Creation Error!");
  w = Build(22, "RAJON");
  EXPECT_EQ(w.box.title, "File Creation Not Allowed");
  EXPECT_EQ(w.box.text,
            "The File RAJONwas not found, and creation of the file is not allowed.  Press OK to "
            "end this application.");
  EXPECT_EQ(w.after, AfterBox::kHalt);
  EXPECT_EQ(w.halt_text, "File Creation Error!");
  w = Build(30, "AAAA.VTF", {}, "Access Denied (5)");
  EXPECT_EQ(w.box.title, "File Access Error");
  EXPECT_EQ(w.box.text, "File (AAAA.VTF) could not be opened.  Error: Access Denied (5).");
  EXPECT_EQ(w.after, AfterBox::kReturnButton);
}

TEST(Warnings, TextsWithTwoInsertions) {
  EXPECT_EQ(Build(8, "A ", "B ").box.text, "The value of A must be lower than B.");
  EXPECT_EQ(Build(9, "A", "B").box.text, "The value of A must be higher than B.");
  EXPECT_EQ(Build(8).box.title, "Range Error");
  WarningBox w = Build(10, "X", "1 и 2");
  EXPECT_EQ(w.box.title, Ru("Ошибка диапазона"));
  EXPECT_EQ(w.box.text, Ru("Значение X должно быть между ") + "1 и 2.");
  EXPECT_EQ(Build(11, "Country", "DXCC").box.text,
            "The value for Country must be found in the DXCC file.");
  EXPECT_EQ(Build(11).box.title, "Field Contents Error");
}

TEST(Warnings, IntegrityWarnings) {
  WarningBox w = Build(13, "AAAA");
  EXPECT_EQ(w.box.title, "Referential Integrity Delete Error");
  EXPECT_EQ(w.box.text,
            "This record is referenced from the file AAAA.  This record cannot be deleted while "
            "these references exist.");
  w = Build(12, "AAAA");
  EXPECT_EQ(w.box.title, "Referential Integrity Update Error");
  EXPECT_EQ(w.box.text,
            "This record is referenced from the file AAAA.  Linking field(s) have been restricted "
            "from change and have been reset to original values.");
  w = Build(17, "rajon", {}, "Access Denied (5)");
  EXPECT_EQ(w.box.title, "Delete Operation Error");
  EXPECT_EQ(w.box.text,
            "An error (Access Denied (5)) was experienced when attempting to delete a record from "
            "the file rajon.");
  w = Build(38);
  EXPECT_EQ(w.box.title, "Record Was Not Updated");
  EXPECT_EQ(w.box.text, Ru("Запись изменена другим пользователем.") +
                            " Those changes will now be displayed. Use the Ditto Button or Ctrl+' "
                            "to recall your changes.");
  EXPECT_EQ(w.box.icon, MessageIcon::kInformation);
}

TEST(Warnings, UpdateErrorDependsOnTheCode) {
  const std::string changed = Ru("Запись изменена другим пользователем.");
  EXPECT_EQ(Build(15, "DXCC", {}, "Record Changed By Another Station (89)", 89).box.text, changed);
  EXPECT_EQ(Build(15, "DXCC", {}, " (0)", 0).box.text, changed);
  WarningBox w = Build(15, "DXCC", {}, "Creates Duplicate Key (40)", 40);
  EXPECT_EQ(w.box.title, "Update Operation Error");
  EXPECT_EQ(w.box.text,
            "An error (Creates Duplicate Key (40)) was experienced when attempting to update a "
            "record from the file.  Probable Cause: DXCC.");
}

TEST(Warnings, TransactionFramingLowersOnlyTheFirstOperation) {
  WarningBox w = Build(34, "Delete", "DXCC", "LOGOUT Already Active (56)");
  EXPECT_EQ(w.box.title, "Transaction Framing Error");
  EXPECT_EQ(w.box.text,
            "Error: (LOGOUT Already Active (56)) attempting to frame the delete transaction on "
            "DXCC.  Delete transaction cancelled.");
  EXPECT_EQ(w.after, AfterBox::kReturnZero);
  // Only the case table's letters fold: Cyrillic stays as it is by default.
  w = Build(34, "UPDATE " + Ru("ЗАПИСЬ") + "  ", "rajon  ");
  EXPECT_EQ(w.box.text, "Error: (E (1)) attempting to frame the update " + Ru("ЗАПИСЬ") +
                            " transaction on rajon.  UPDATE " + Ru("ЗАПИСЬ") +
                            " transaction cancelled.");
}

TEST(Warnings, RetrievalAndViewWarningsReturnZero) {
  WarningBox w = Build(35, "AAAA", {}, "Record Not Found (35)");
  EXPECT_EQ(w.box.title, "Record Retrieval Error");
  EXPECT_EQ(w.box.text,
            "Error: (Record Not Found (35)) attempting to access a record from the AAAA file.  "
            "Returning to previous window.");
  EXPECT_EQ(w.after, AfterBox::kReturnZero);
  w = Build(36, {}, {}, "Invalid expression for EVALUATE (800)");
  EXPECT_EQ(w.box.title, "View Open Error");
  EXPECT_EQ(w.box.text,
            "Error: (Invalid expression for EVALUATE (800)) attempting to open the current VIEW. "
            "Filter and Range Limits ignored.");
  EXPECT_EQ(w.after, AfterBox::kReturnZero);
}

TEST(Warnings, ViewerWarningsCompareExactly) {
  WarningBox w = Build(29, "Down   ");
  EXPECT_EQ(w.box.title, "End of File Error");
  EXPECT_EQ(w.box.text,
            "The end of the viewed file was encountered.  Do you want to start again from the "
            "beginning?");
  EXPECT_EQ(w.box.buttons, button::kYes | button::kNo);
  EXPECT_EQ(w.box.default_button, button::kYes);
  EXPECT_EQ(w.box.icon, MessageIcon::kExclamation);
  for (std::string_view t1 : {"down", "Up", " Down", "DOWN", ""}) {
    w = Build(29, t1);
    EXPECT_EQ(w.box.title, "Beginning of File Error") << t1;
    EXPECT_EQ(w.box.text,
              "The beginning of the viewed file was encountered.  Do you want to start again from "
              "the end of the file?");
  }
  w = Build(31, "Put ", "IOTA", "Access Denied (5)");
  EXPECT_EQ(w.box.title, "Process PUT Error");
  EXPECT_EQ(w.box.text,
            "An error was experienced when making changes to the IOTA file.  Error: Access Denied "
            "(5)");
  w = Build(31, "put", "IOTA", "Access Denied (5)");
  EXPECT_EQ(w.box.title, "Process DELETE Error");
  EXPECT_EQ(w.box.text,
            "An error was experienced when deleting a record from the IOTA file.  Error: Access "
            "Denied (5)");
  EXPECT_EQ(Build(26, "readme.txt", {}, "File Not Found (2)").box.text,
            "readme.txt File Load Error.  Error: File Not Found (2).");
  EXPECT_EQ(Build(28, "a.txt").box.text,
            "a.txt File Load Error.  The file you've requested contains no text.");
  w = Build(27, "a.txt");
  EXPECT_EQ(w.box.title, "Cancel Request");
  EXPECT_EQ(w.box.text, "Are you certain you want to stop loading a.txt?");
  EXPECT_EQ(w.box.buttons, button::kOk | button::kCancel);
  EXPECT_EQ(w.box.default_button, button::kCancel);
}

TEST(Warnings, FormConfirmations) {
  WarningBox w = Build(16);
  EXPECT_EQ(w.box.title, "Record Update Error");
  EXPECT_EQ(w.box.buttons, button::kYes | button::kNo | button::kCancel);
  EXPECT_EQ(w.box.default_button, button::kCancel);
  EXPECT_EQ(Build(18).box.text,
            "An error was experienced deleting this record.  Do you want to try to save again?");
  w = Build(23);
  EXPECT_EQ(w.box.title, Ru("Отмена изменений"));
  EXPECT_EQ(w.box.text, Ru("Вы уверены, что хотите выйти?"));
  EXPECT_EQ(w.box.default_button, button::kNo);
  w = Build(32);
  EXPECT_EQ(w.box.title, "Confirm Delete");
  EXPECT_EQ(w.box.text, Ru("Вы удаляете выбранную запись.  Нажмите OK для подтверждения."));
  EXPECT_EQ(w.box.buttons, button::kOk | button::kCancel);
  EXPECT_EQ(w.box.default_button, button::kCancel);
  w = Build(33);
  EXPECT_EQ(w.box.buttons, button::kYes | button::kNo | button::kCancel);
  EXPECT_EQ(w.box.default_button, button::kNo);
  w = Build(37);
  EXPECT_EQ(w.box.title, "Record Added");
  EXPECT_EQ(w.box.default_button, button::kYes);
  EXPECT_EQ(Build(19).box.text, Ru("Вставка новой записи запрещена.   Нажмите OK для возврата"));
  EXPECT_EQ(Build(20).box.text, Ru("Изменение записи запрещено.   Нажмите OK для возврата"));
  EXPECT_EQ(Build(21).box.title, Ru("Ошибочный запрос"));
  w = Build(6, "BrowseIOTA");
  EXPECT_EQ(w.box.title, Ru("Процедура не определена"));
  EXPECT_EQ(w.box.text, Ru("Процедура BrowseIOTA еще не определена."));
}

TEST(Warnings, KeyNameFollowsTheColonAndMiscTexts) {
  EXPECT_EQ(Build(24, "AAA:BEY_N").box.text,
            "Adding this record creates a duplicate entry for the key:AAA:BEY_N");
  WarningBox w = Build(7, {}, {}, "Record Not Found (35)");
  EXPECT_EQ(w.box.title, "");
  EXPECT_EQ(w.box.text,
            "Unable to read keyed record.  Error: Record Not Found (35).  Insert Aborted");
  EXPECT_EQ(Build(14, {}, {}, "E (3)").box.text,
            "An error was experienced during the update of record.  Error: E (3).");
  w = Build(25, {}, {}, "E (3)");
  EXPECT_EQ(w.box.text, "Attempts to automatically number this record have failed.  Error: E (3).");
  EXPECT_EQ(w.box.buttons, button::kRetry | button::kCancel);
  EXPECT_EQ(w.box.default_button, button::kCancel);
}

TEST(Warnings, EveryNumberInTheTableHasABoxAndNoOther) {
  for (int id = 1; id <= 38; ++id) {
    std::optional<WarningBox> w = BuildStandardWarning(id, "T1", "T2", "E (1)", 1);
    ASSERT_TRUE(w.has_value()) << id;
    EXPECT_FALSE(w->box.text.empty()) << id;
  }
  EXPECT_FALSE(BuildStandardWarning(0, {}, {}, {}, 0).has_value());
  EXPECT_FALSE(BuildStandardWarning(39, {}, {}, {}, 0).has_value());
  EXPECT_FALSE(BuildStandardWarning(-1, {}, {}, {}, 0).has_value());
}

class StandardWarningCall : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeSavedError();
    ClearError();
  }
  void TearDown() override {
    TakeSavedError();
    ClearError();
  }

  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
};

TEST_F(StandardWarningCall, SavedChangeByAnotherStationIsShownAndCleared) {
  StoreSavedError(Saved(89, "Record Changed By Another Station"));
  EXPECT_EQ(StandardWarning(15, "DXCC"), button::kOk);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text, Ru("Запись изменена другим пользователем."));
  ErrorState after = PeekSavedError();
  EXPECT_EQ(after.code, 0);
  EXPECT_EQ(after.message, "");
  EXPECT_EQ(after.file_code, 0);
  EXPECT_EQ(after.file_message, "");
}

TEST_F(StandardWarningCall, OtherSavedErrorIsQuotedInUpdateError) {
  StoreSavedError(Saved(40, "Creates Duplicate Key"));
  PostError(err::kRecordChanged);
  StandardWarning(15, "rajon");
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "An error (Creates Duplicate Key (40)) was experienced when attempting to update a "
            "record from the file.  Probable Cause: rajon.");
}

TEST_F(StandardWarningCall, EveryCallClearsTheSavedState) {
  StoreSavedError(Saved(90, "File System Error", 12, "AAAA.VTF"));
  EXPECT_EQ(StandardWarning(99), 0);
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_EQ(PeekSavedError().code, 0);
  StoreSavedError(Saved(5, "Access Denied"));
  StandardWarning(23);
  EXPECT_EQ(PeekSavedError().code, 0);
}

TEST_F(StandardWarningCall, ResultIsTheButtonPressedUnlessTheTableSaysOtherwise) {
  boxes_.Answer(button::kNo);
  EXPECT_EQ(StandardWarning(23), button::kNo);
  boxes_.Answer(button::kCancel);
  EXPECT_EQ(StandardWarning(33), button::kCancel);
  EXPECT_EQ(StandardWarning(32), button::kCancel);  // unattended: the default button
  boxes_.Answer(button::kOk);
  EXPECT_EQ(StandardWarning(34, "Update", "DXCC"), 0);
  EXPECT_EQ(StandardWarning(35, "AAAA"), 0);
  EXPECT_EQ(StandardWarning(36), 0);
}

TEST_F(StandardWarningCall, KeyWarningYesReturnsTwo) {
  boxes_.Answer(button::kYes);
  EXPECT_EQ(StandardWarning(2, "AAAA.VTF"), 2);
  EXPECT_EQ(boxes_.shown().size(), 1u);
}

TEST_F(StandardWarningCall, KeyWarningNoHaltsAfterALastBox) {
  boxes_.Answer(button::kNo);
  try {
    StandardWarning(2, "AAAA.VTF");
    FAIL() << "warning 2 answered No must end the program";
  } catch (const ProgramHalted& halted) {
    EXPECT_EQ(halted.exit_code, 0);
  }
  std::vector<MessageBoxRequest> shown = boxes_.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "Invalid Key!");
  EXPECT_EQ(shown[1].icon, MessageIcon::kStop);
  EXPECT_EQ(shown[1].buttons, button::kOk);
}

TEST_F(StandardWarningCall, HaltingWarningsShowTheirHaltText) {
  const std::pair<int, std::string> cases[] = {{1, "Invalid File!"},
                                               {3, "Error Rebuilding Key!"},
                                               {4, "File Creation Error!"},
                                               {5, "File Creation Error!"},
                                               {22, "File Creation Error!"}};
  for (const auto& [id, halt_text] : cases) {
    boxes_.Clear();
    EXPECT_THROW(StandardWarning(id, "SETUP.VTF"), ProgramHalted) << id;
    std::vector<MessageBoxRequest> shown = boxes_.shown();
    ASSERT_EQ(shown.size(), 2u) << id;
    EXPECT_EQ(shown[1].text, halt_text);
    EXPECT_EQ(shown[1].icon, MessageIcon::kStop);
  }
}

TEST_F(StandardWarningCall, FatalRuntimeErrorShowsTheRuntimeBoxAndEndsWithOne) {
  try {
    FatalRuntimeError("Mismatched POPSCOPE");
    ADD_FAILURE() << "returned";
  } catch (const ProgramHalted& halted) {
    EXPECT_EQ(halted.exit_code, 1);
  }
  std::vector<MessageBoxRequest> shown = boxes_.shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Runtime error");
  EXPECT_EQ(shown[0].text, "Mismatched POPSCOPE");
  EXPECT_EQ(shown[0].icon, MessageIcon::kStop);
}

TEST_F(StandardWarningCall, LastErrorIsQuotedWhenNothingIsSaved) {
  PostError(err::kAccessDenied);
  StandardWarning(30, "AAAA.VTF");
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "File (AAAA.VTF) could not be opened.  Error: Access Denied (5).");
}

TEST(Cp1251, RoundTripsEveryByteAndMapsRussian) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Cp1251FromUtf8(Utf8FromCp1251(all)), all);
  EXPECT_EQ(Cp1251FromUtf8("ЖУРНАЛ ёЁ №"), "\xC6\xD3\xD0\xCD\xC0\xCB \xB8\xA8 \xB9");
  EXPECT_EQ(Cp1251FromUtf8("日本"), "??");
  EXPECT_EQ(Cp1251FromUtf8("\xD0"), "?");        // truncated sequence
  EXPECT_EQ(Cp1251FromUtf8("a\xC3(b"), "a?(b");  // bad continuation byte
}

}  // namespace
}  // namespace kavo
