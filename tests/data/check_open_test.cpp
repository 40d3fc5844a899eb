#include "data/check_open.h"

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/standard_warning.h"
#include "runtime/errors.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"

namespace kavo {
namespace {

// A file whose operations answer with scripted error codes and post them as
// the store would.
class ScriptedFile : public CheckOpenTarget {
 public:
  std::deque<int> open_codes;
  int create_code = 0;
  int rebuild_code = 0;
  std::vector<std::string> calls;
  std::vector<uint8_t> modes;

  Status Open(uint8_t mode) override {
    calls.push_back("open");
    modes.push_back(mode);
    int code = 0;
    if (!open_codes.empty()) {
      code = open_codes.front();
      open_codes.pop_front();
    }
    return Result(code);
  }
  Status Create() override {
    calls.push_back("create");
    return Result(create_code);
  }
  Status RebuildKeys() override {
    calls.push_back("rebuild");
    return Result(rebuild_code);
  }
  void Send(std::string_view command) override { calls.push_back("send " + std::string(command)); }
  std::string Name() const override { return "DXCC.VTF"; }

 private:
  static Status Result(int code) {
    if (code == 0) {
      ClearError();
      return Status::OK();
    }
    PostError(code);
    return Status::Error(code);
  }
};

using Calls = std::vector<std::string>;

class CheckOpenTest : public ::testing::Test {
 protected:
  void SetUp() override { TakeSavedError(); }

  // Runs CheckOpen and reports whether it ended the program.
  bool Halts(std::optional<uint8_t> create, std::optional<uint8_t> mode = std::nullopt) {
    try {
      CheckOpen(file_, create, mode);
    } catch (const ProgramHalted& halted) {
      EXPECT_EQ(halted.exit_code, 0);
      return true;
    }
    return false;
  }

  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const MessageBoxRequest& box : boxes_.shown()) titles.push_back(box.title);
    return titles;
  }
  std::string LastText() const { return boxes_.shown().back().text; }

  ScriptedFile file_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
};

TEST_F(CheckOpenTest, OpensReadWriteDenyNoneUnlessToldOtherwise) {
  EXPECT_FALSE(Halts(1));
  EXPECT_EQ(file_.modes, std::vector<uint8_t>{0x42});
  EXPECT_FALSE(Halts(std::nullopt, 0x22));
  EXPECT_EQ(file_.modes.back(), 0x22);
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CheckOpenTest, AlreadyOpenCountsAsOpen) {
  file_.open_codes = {err::kFileAlreadyOpen};
  EXPECT_FALSE(Halts(1));
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CheckOpenTest, LockedFileIsRecoveredWithoutAsking) {
  file_.open_codes = {err::kFileLocked, 0};
  EXPECT_FALSE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open", "send Recover=10", "open"}));
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CheckOpenTest, LockedTwiceEndsWithDiskError) {
  file_.open_codes = {err::kFileLocked, err::kFileLocked};
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(Titles(), (std::vector<std::string>{"File Access Error", ""}));
  EXPECT_EQ(boxes_.shown()[0].text,
            "File (DXCC.VTF) could not be opened.  Error: File Is Already Locked (32).");
  EXPECT_EQ(LastText(), "Disk Error");
  EXPECT_EQ(boxes_.shown().back().icon, MessageIcon::kStop);
}

TEST_F(CheckOpenTest, MissingFileIsCreatedAndOpened) {
  file_.open_codes = {err::kFileNotFound, 0};
  EXPECT_FALSE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open", "create", "open"}));
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CheckOpenTest, FailedCreateEndsWithCreationError) {
  file_.open_codes = {err::kFileNotFound};
  file_.create_code = err::kAccessDenied;
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open", "create"}));
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "Error: (Access Denied (5)) creating DXCC.VTF.  Press OK to end this application.");
  EXPECT_EQ(LastText(), "File Creation Error!");
}

TEST_F(CheckOpenTest, CreatedFileThatWillNotOpenEndsWithWarning5) {
  file_.open_codes = {err::kFileNotFound, err::kInvalidDataFile};
  EXPECT_TRUE(Halts(1));
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "Error: (Invalid Data File (36)) opening created file:DXCC.VTF.  Press OK to end this "
            "application.");
  EXPECT_EQ(LastText(), "File Creation Error!");
}

TEST_F(CheckOpenTest, MissingFileThatMayNotBeCreatedEndsTheProgram) {
  file_.open_codes = {err::kFileNotFound};
  EXPECT_TRUE(Halts(0));
  EXPECT_EQ(file_.calls, (Calls{"open"}));
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_EQ(boxes_.shown()[0].title, "File Creation Error");
  EXPECT_EQ(boxes_.shown()[0].text,
            "Error: (File Not Found (2)) creating DXCC.VTF.  Press OK to end this application.");
  EXPECT_EQ(LastText(), "File Creation Error!");
}

TEST_F(CheckOpenTest, MissingFileWithoutCreateArgumentIsADiskError) {
  file_.open_codes = {err::kFileNotFound};
  EXPECT_TRUE(Halts(std::nullopt));
  EXPECT_EQ(file_.calls, (Calls{"open"}));
  EXPECT_EQ(Titles(), (std::vector<std::string>{"File Access Error", ""}));
  EXPECT_EQ(LastText(), "Disk Error");
}

TEST_F(CheckOpenTest, RecordDeclarationMismatchEndsWithInvalidFile) {
  file_.open_codes = {err::kInvalidRecordDeclaration};
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open"}));
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Invalid File", ""}));
  EXPECT_EQ(LastText(), "Invalid File!");
}

TEST_F(CheckOpenTest, DamagedKeysAreRebuiltAfterYes) {
  file_.open_codes = {err::kKeyMustBeRebuilt, 0};
  boxes_.Answer(button::kYes);
  EXPECT_FALSE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open", "rebuild", "open"}));
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "DXCC.VTF key file is invalid.  Do you want to rebuild the key?");
}

TEST_F(CheckOpenTest, DamagedKeysAndNoEndTheProgramWithoutRebuilding) {
  file_.open_codes = {err::kKeyMustBeRebuilt};
  boxes_.Answer(button::kNo);
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open"}));
  EXPECT_EQ(LastText(), "Invalid Key!");
}

TEST_F(CheckOpenTest, FailedRebuildEndsWithKeyRebuildError) {
  file_.open_codes = {err::kKeyMustBeRebuilt};
  file_.rebuild_code = err::kDuplicateKey;
  boxes_.Answer(button::kYes);
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(file_.calls, (Calls{"open", "rebuild"}));
  ASSERT_EQ(boxes_.shown().size(), 3u);
  EXPECT_EQ(boxes_.shown()[1].text,
            "Error: (Creates Duplicate Key (40)) repairing key for DXCC.VTF.  Press OK to end "
            "this application.");
  EXPECT_EQ(LastText(), "Error Rebuilding Key!");
}

TEST_F(CheckOpenTest, ReopenFailingAfterRepairIsADiskError) {
  file_.open_codes = {err::kKeyMustBeRebuilt, err::kAccessDenied};
  boxes_.Answer(button::kYes);
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Invalid Key", "File Access Error", ""}));
  EXPECT_EQ(boxes_.shown()[1].text,
            "File (DXCC.VTF) could not be opened.  Error: Access Denied (5).");
  EXPECT_EQ(LastText(), "Disk Error");
}

TEST_F(CheckOpenTest, AnyOtherErrorIsADiskError) {
  file_.open_codes = {err::kInvalidDataFile};
  EXPECT_TRUE(Halts(1));
  EXPECT_EQ(Titles(), (std::vector<std::string>{"File Access Error", ""}));
  EXPECT_EQ(LastText(), "Disk Error");
}

TEST_F(CheckOpenTest, SaveErrorKeepsTheLastErrorForTheNextWarning) {
  PostFileSystemError("AAAA.VTF", "303");
  RISaveError();
  ErrorState saved = PeekSavedError();
  EXPECT_EQ(saved.code, 90);
  EXPECT_EQ(saved.message, "AAAA.VTF");
  EXPECT_EQ(saved.file_code, 303);
  EXPECT_EQ(saved.file_message, "AAAA.VTF");
  ClearError();
  StandardWarning(15, "AAAA");
  EXPECT_EQ(boxes_.shown().back().text,
            "An error (AAAA.VTF (303)) was experienced when attempting to update a record from "
            "the file.  Probable Cause: AAAA.");
  EXPECT_EQ(PeekSavedError().code, 0);
}

}  // namespace
}  // namespace kavo
