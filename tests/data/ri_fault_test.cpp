// The rename cascade commits the country, the log and the print buffer in
// one transaction. Whatever write or flush of that commit the process dies
// at, the files afterwards show either the whole rename or none of it.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/procedure_files.h"
#include "data/ri_routines.h"
#include "fault_file.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"
#include "store/mem_file.h"
#include "store/transaction.h"

namespace kavo {
namespace {

using Names = std::vector<std::string>;

void AddCountry(DataContext& context, const char* name) {
  UseFile(context.DXCC, 1);
  context.DXCC.rec().Clear();
  dict::SetText(context.DXCC.rec().PR, "DL");
  dict::SetText(context.DXCC.rec().STRANA, name);
  ASSERT_TRUE(context.DXCC.file().Add().ok());
  ReleaseFile(context.DXCC);
}

void AddContact(TypedDataFile<dict::AAAARecord>& log, int number, const char* country) {
  UseFile(log, 1);
  log.rec().Clear();
  log.rec().N_QSO.set(number);
  dict::SetText(log.rec().PREF, country);
  log.rec().DATA = 50000 + number;
  ASSERT_TRUE(log.file().Add().ok());
  ReleaseFile(log);
}

// Every country name the three files hold, in file order.
Names AllNames(FileSystem* fs) {
  DataContext reader("", fs);
  Names names;
  UseFile(reader.DXCC, 1);
  (void)reader.DXCC.file().Set();
  while (reader.DXCC.file().Next().ok()) names.emplace_back(dict::TextOf(reader.DXCC.rec().STRANA));
  ReleaseFile(reader.DXCC);
  for (TypedDataFile<dict::AAAARecord>* log : {&reader.AAAA, &reader.AAAAPRINT}) {
    UseFile(*log, 1);
    (void)log->file().Set();
    while (log->file().Next().ok()) names.emplace_back(dict::TextOf(log->rec().PREF));
    ReleaseFile(*log);
  }
  return names;
}

TEST(RIFault, ProcessDyingInTheCascadeCommitLeavesAllOrNothing) {
  const Names before = {"Germany", "Germany", "Austria", "Germany", "Germany"};
  const Names after = {"Deutschland", "Deutschland", "Austria", "Deutschland", "Deutschland"};
  ScriptedMessageBox boxes;
  ScopedMessageBox install_boxes(&boxes);
  ThrowingHaltService halt;
  ScopedHaltService install_halt(&halt);
  const std::string previous_control_file = SetControlFileName("vantor.tcf");

  int none = 0;
  int all = 0;
  for (int64_t at = 0;; ++at) {
    MemFileSystem disk;
    testing::FaultFileSystem fault(&disk);
    {
      DataContext setup("", &fault);
      ASSERT_NO_FATAL_FAILURE(AddCountry(setup, "Germany"));
      ASSERT_NO_FATAL_FAILURE(AddContact(setup.AAAA, 1, "Germany"));
      ASSERT_NO_FATAL_FAILURE(AddContact(setup.AAAA, 2, "Austria"));
      ASSERT_NO_FATAL_FAILURE(AddContact(setup.AAAA, 3, "Germany"));
      ASSERT_NO_FATAL_FAILURE(AddContact(setup.AAAAPRINT, 1, "Germany"));
    }
    int32_t result = -1;
    {
      DataContext context("", &fault);
      ProcedureFiles form(context, procedure_files::UpdateDXCC);
      form.Open();
      context.DXCC.rec().Clear();
      dict::SetText(context.DXCC.rec().STRANA, "Germany");
      ASSERT_TRUE(context.DXCC.file().Get(dict::DXCC().FindKey("DXC:BEY_1")).ok());
      RISnap_DXCC(context);
      dict::SetText(context.DXCC.rec().STRANA, "Deutschland");
      fault.Arm(fault.calls() + at);
      result = RIUpdate_DXCC(context, 1);
    }
    const bool crashed = fault.crashed();
    const Names seen = AllNames(&disk);
    if (seen == before) {
      ++none;
      EXPECT_EQ(result, 1) << "crash at call " << at;
    } else {
      EXPECT_EQ(seen, after) << "crash at call " << at;
      ++all;
    }
    if (!crashed) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(seen, after);
      break;
    }
    ASSERT_LT(at, 1000) << "the commit never completes";
  }
  EXPECT_GT(none, 0);
  EXPECT_GT(all, 0);
  SetControlFileName(previous_control_file);
}

}  // namespace
}  // namespace kavo
